#!/usr/bin/env bash
# GIF frame optimization beside gifsicle and ImageMagick, in one run on the same files:
# time (whole process: read, optimize, write) and output size, plus a check that every
# output composites (ImageMagick -coalesce) to the frames of the input.
#
# Inputs: the three animations of the shared benchmark set (anim/*.gif: 30-60 full frames
# of 400 x 300, one palette, no frame optimization), built when missing.
# Rows:
#   lumaprism 0/1          cut-out tolerance 0, transparency tolerance 1 (both exact)
#   lumaprism 0/1 smallest the same with the lossless size tuning (GifTransparencyChoice::Smallest:
#                          shared key, per frame the best of several transparency patterns)
#   lumaprism lossless     the lossless rebuild (GifFrameOptimizer::OptimizeLossless): frames drawn
#                          from what the input shows, per frame "leave" or "restore to previous"
#   lumaprism --convert    the same as a user asks for it: lumaprism --convert IN OUT --optimize-frames
#   lumaprism 1/1          the command line's closest to exact (-gc1 -gt1)
#   lumaprism 50/1         the command line's defaults (-gc and -gt given out of range)
#   gifsicle -O2 / -O3     gifsicle's frame optimization levels
#   ImageMagick            convert IN -layers optimize OUT
# "differing" counts composited pixels (ImageMagick -coalesce, all frames) that differ from the
# input's; "peak" is the largest |dR|+|dG|+|dB| among them.
#
#   bench/gif_optimize_vs_peers.sh [runs]      (default 5)
set -euo pipefail

RUNS=${1:-5}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LP_BENCH_BUILD:-$SRC/build-gifopt-bench}
IN=${LP_BENCH_IN:-/tmp/lp-bench-in}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/lp_gifopt_bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

need() { command -v "$1" >/dev/null 2>&1 || { echo "missing: $1 ($2)" >&2; exit 1; }; }
need hyperfine "apt-get install -y hyperfine"
need gifsicle "apt-get install -y gifsicle"
PY=/usr/bin/python3  # Debian's, with PIL (python3-pil)
[ -x "$PY" ] && "$PY" -c "import PIL" 2>/dev/null || { echo "missing: python3-pil (apt-get install -y python3-pil)" >&2; exit 1; }
IM=/usr/bin/convert
[ -x "$IM" ] || IM=$(command -v convert) || { echo "missing: convert (apt-get install -y imagemagick)" >&2; exit 1; }

ANIMS="a1_photo_sprite a2_plasma_ball a3_flat_clock"
for a in $ANIMS; do
    [ -f "$IN/anim/$a.gif" ] || { "$SRC/../shared/bench/make_inputs.sh" "$IN"; break; }
done

if [ -z "${LP_BENCH_SKIP_BUILD:-}" ]; then
    cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_BENCH=ON -DLP_BUILD_TESTS=OFF >/dev/null
    cmake --build "$BUILD" --target gif_optimize_bench lumaprism >/dev/null
fi
LP="$BUILD/bench/gif_optimize_bench"
LPCLI="$BUILD/lumaprism"

ROWS=("lumaprism 0/1" "lumaprism 0/1 smallest" "lumaprism lossless" "lumaprism --convert" "lumaprism 1/1" "lumaprism 50/1" "gifsicle -O2" "gifsicle -O3"
      "ImageMagick")
command_for() {  # row in out
    case "$1" in
        "lumaprism 0/1") echo "$LP --optimize $2 $3 0 1" ;;
        "lumaprism 0/1 smallest") echo "$LP --optimize $2 $3 0 1 --smaller" ;;
        "lumaprism lossless") echo "$LP --optimize $2 $3 0 1 --lossless" ;;
        "lumaprism --convert") echo "$LPCLI --convert $2 $3 --optimize-frames" ;;
        "lumaprism 1/1") echo "$LP --optimize $2 $3 1 1" ;;
        "lumaprism 50/1") echo "$LP --optimize $2 $3 50 1" ;;
        "gifsicle -O2") echo "gifsicle -O2 $2 -o $3" ;;
        "gifsicle -O3") echo "gifsicle -O3 $2 -o $3" ;;
        "ImageMagick") echo "$IM $2 -layers optimize $3" ;;
    esac
}
slug() { echo "$1" | tr ' /' '__' | tr -d -- '-'; }

echo "machine: $(nproc) cores; $(gifsicle --version | head -1); ImageMagick $("$IM" -version | head -1 | cut -d' ' -f3)"
for a in $ANIMS; do
    in="$WORK/$a.gif"
    cp "$IN/anim/$a.gif" "$in"
    args=()
    for r in "${ROWS[@]}"; do args+=(-n "$r" "$(command_for "$r" "$in" "$WORK/$a.$(slug "$r").gif")"); done
    hyperfine --style none --warmup 1 --runs "$RUNS" --export-json "$WORK/$a.json" "${args[@]}" >/dev/null
    rm -rf "$WORK/ref" && mkdir -p "$WORK/ref"
    "$IM" "$in" -coalesce "$WORK/ref/f_%04d.png"
    echo
    echo "== $a: $(gifsicle --info "$in" | head -1 | sed 's/^.* \([0-9]* images*\)$/\1/'), input $(stat -c %s "$in") bytes"
    printf "%-24s %12s %10s %10s %10s %10s\n" "" "ms (mean)" "bytes" "/ -O3" "differing" "peak"
    for r in "${ROWS[@]}"; do
        out="$WORK/$a.$(slug "$r").gif"
        rm -rf "$WORK/out" && mkdir -p "$WORK/out"
        "$IM" "$out" -coalesce "$WORK/out/f_%04d.png"
        "$PY" - "$WORK/$a.json" "$r" "$(stat -c %s "$out")" "$(stat -c %s "$WORK/$a.gifsicle_O3.gif")" "$WORK" <<'EOF'
import glob, json, os, sys
from PIL import Image, ImageChops
path, row, size, o3, work = sys.argv[1:6]
r = {x["command"]: x for x in json.load(open(path))["results"]}[row]
refs = sorted(glob.glob(os.path.join(work, "ref", "f_*.png")))
outs = sorted(glob.glob(os.path.join(work, "out", "f_*.png")))
differing, peak = 0, 0
if len(refs) != len(outs):
    differing = "frames!"
else:
    for a, b in zip(refs, outs):
        ia, ib = Image.open(a).convert("RGBA"), Image.open(b).convert("RGBA")
        diff = ImageChops.difference(ia, ib)
        channels = diff.split()
        total = ImageChops.add(ImageChops.add(channels[0], channels[1]), channels[2])  # saturates at 255
        mask = ImageChops.add(total, channels[3]).point(lambda v: 255 if v else 0)
        differing += mask.histogram()[255]
        if mask.getbbox():
            peak = max(peak, max(sum(px[:3]) for px in diff.crop(mask.getbbox()).getdata()))
print("%-24s %6.1f ±%4.1f %10s %10.3f %10s %10s" % (row, r["mean"] * 1e3, r["stddev"] * 1e3, size,
                                                  int(size) / int(o3), differing, peak))
EOF
    done
done

# In-process timings of the optimizer alone (no process start-up, no file I/O).
echo
for a in $ANIMS; do
    echo "== $a"
    LP_GIFOPT_BENCH_ANIM="$IN/anim/$a.gif" "$LP" --benchmark_min_time=0.5 2>/dev/null | grep -E "^BM_"
done
