#!/usr/bin/env bash
# Load + save of a 4000 x 3000 24-bit BMP and of an RLE8 BMP: our BMP codec
# beside ImageMagick's convert, timed with hyperfine in the same run on the
# same files. Both sides run as whole processes (start-up included):
#   ours  = bench/bmp_bench --convert IN OUT (load, then the writer OUT's
#           extension chooses: .bmp 24 bits, .dib RLE8), and the lumaprism
#           command line (-iIN -oOUT -w4000) when it converts BMP files;
#   peer  = convert IN OUT (the real /usr/bin/convert).
# Inputs: the shared 4000 x 3000 photo (/tmp/lp-bench-in/large/l1_elephants.bmp,
# made by ../shared/bench/make_inputs.sh) when present, else a generated
# gradient-plus-noise picture; the RLE8 input is that picture reduced to 256
# colours by ImageMagick and written with -compress RLE.
#
#   bench/bmp_vs_imagemagick.sh [runs]      (default 5)
set -euo pipefail

RUNS=${1:-5}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LP_BENCH_BUILD:-$SRC/build-bmp-bench}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/lp_bmp_bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

need() { command -v "$1" >/dev/null 2>&1 || { echo "missing: $1 ($2)" >&2; exit 1; }; }
need hyperfine "apt-get install -y hyperfine"
need /usr/bin/python3 "apt-get install -y python3"
IM=/usr/bin/convert
[ -x "$IM" ] || IM=$(command -v convert) || { echo "missing: convert (apt-get install -y imagemagick)" >&2; exit 1; }

cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_BENCH=ON -DLP_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target bmp_bench lumaprism >/dev/null
BENCH="$BUILD/bench/bmp_bench"
CLI="$BUILD/lumaprism"

SHARED=/tmp/lp-bench-in/large/l1_elephants.bmp
if [ -r "$SHARED" ]; then
    cp "$SHARED" "$WORK/photo.bmp"
    source_note="shared photo $(basename "$SHARED")"
else
    "$IM" -size 4000x3000 gradient:red-blue \( -size 4000x3000 xc:gray50 -seed 1 +noise Gaussian \) \
        -compose overlay -composite -type TrueColor BMP3:"$WORK/photo.bmp"
    source_note="generated gradient + noise"
fi
"$IM" "$WORK/photo.bmp" +dither -colors 256 -compress RLE BMP3:"$WORK/rle8.bmp"

# Bits per pixel and compression of a BMP, from its info header.
describe() { /usr/bin/python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(34); w,h,p,b,c=struct.unpack_from("<iiHHI",d,18); print(f"{w}x{h} {b} bits compression {c}")' "$1"; }
[ "$(describe "$WORK/rle8.bmp" | awk '{print $2, $5}')" = "8 1" ] || { echo "RLE8 input not made: $(describe "$WORK/rle8.bmp")" >&2; exit 1; }

echo "machine: $(nproc) cores; ImageMagick: $("$IM" -version | head -1 | cut -d' ' -f3-4); input: $source_note"
echo "photo.bmp: $(describe "$WORK/photo.bmp"), $(stat -c %s "$WORK/photo.bmp") B"
echo "rle8.bmp:  $(describe "$WORK/rle8.bmp"), $(stat -c %s "$WORK/rle8.bmp") B"

cli_ok=0
if (cd "$WORK" && "$CLI" -iphoto.bmp -ocli_check.bmp -w4000 >/dev/null 2>&1) && [ -s "$WORK/cli_check.bmp" ]; then cli_ok=1; fi

# compare NAME OURS... -- PEER: hyperfine over our command(s) and the peer.
compare() {
    local name=$1; shift
    local cmds=()
    while [ "$1" != "--" ]; do cmds+=("$1"); shift; done
    shift
    cmds+=("$1")
    hyperfine --style none --warmup 1 --runs "$RUNS" --export-json "$WORK/$name.json" "${cmds[@]}" >/dev/null
    /usr/bin/python3 - "$WORK/$name.json" "$name" <<'EOF'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
peer = results[-1]
print(f"\n== {sys.argv[2]} (mean of runs, wall time)")
for r in results:
    ratio = peer["mean"] / r["mean"]
    tag = "" if r is peer else f"   ImageMagick / this = {ratio:.2f}x"
    print(f"  {r['mean']:7.3f} s ± {r['stddev']:.3f}  {r['command']}{tag}")
EOF
}

ours24=("$BENCH --convert $WORK/photo.bmp $WORK/ours24.bmp")
oursrle=("$BENCH --convert $WORK/rle8.bmp $WORK/ours_rle8.dib")
ours8to24=("$BENCH --convert $WORK/rle8.bmp $WORK/ours8to24.bmp")
if [ "$cli_ok" = 1 ]; then
    ours24+=("cd $WORK && $CLI -iphoto.bmp -ocli24.bmp -w4000")
    ours8to24+=("cd $WORK && $CLI -irle8.bmp -ocli8to24.bmp -w4000")
fi

compare "24-bit BMP load + save as 24-bit BMP" "${ours24[@]}" -- "$IM $WORK/photo.bmp $WORK/im24.bmp"
compare "RLE8 BMP load + save as RLE8 BMP" "${oursrle[@]}" -- "$IM $WORK/rle8.bmp -compress RLE BMP3:$WORK/im_rle8.bmp"
compare "RLE8 BMP load + save (default output)" "${ours8to24[@]}" -- "$IM $WORK/rle8.bmp $WORK/im8.bmp"
echo
echo "outputs: ours_rle8.dib $(describe "$WORK/ours_rle8.dib"), $(stat -c %s "$WORK/ours_rle8.dib") B;" \
    "im_rle8.bmp $(describe "$WORK/im_rle8.bmp"), $(stat -c %s "$WORK/im_rle8.bmp") B;" \
    "im8.bmp $(describe "$WORK/im8.bmp")"

echo
echo "== in process (Google Benchmark, no start-up, no file system for decode/encode rows)"
"$BENCH" --benchmark_min_time=0.5
