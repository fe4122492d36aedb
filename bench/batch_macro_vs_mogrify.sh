#!/usr/bin/env bash
# A batch macro over many photos: resize to 50 %, reduce to 256 colours, write
# GIF. "lumaprism --macro" serially and with --jobs 2, beside ImageMagick's
# mogrify doing the same work on the same input files, in one run.
#
#   bench/batch_macro_vs_mogrify.sh [count] [runs]     (defaults 100 and 3)
#
# Input: `count` photos of 1600 x 1200 written as 24-bit BMP, made from the
# JPEG test photo of the shared corpora (scaled up, each with its own tint and
# noise so that no two are alike). Both sides read the same .bmp files.
#
# The macro resizes with the plain (nearest-neighbour) method and reduces colours
# without dithering, so mogrify runs with -sample 50% +dither -colors 256. A
# second mogrify row uses -resize (its default Lanczos filter) for reference.
# Figures: best wall time of `runs`, CPU time (user + sys) of that run.
set -euo pipefail

COUNT=${1:-100}
RUNS=${2:-3}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LP_BENCH_BUILD:-$SRC/build-bench}
CORPUS=${LP_CORPUS:-$SRC/../shared/corpora}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/lp_macro_bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

need() { command -v "$1" >/dev/null 2>&1 || { echo "missing: $1 ($2)" >&2; exit 1; }; }
need /usr/bin/time "apt-get install -y time"
need mogrify "apt-get install -y imagemagick"
need python3 "apt-get install -y python3"
IM=/usr/bin/convert
[ -x "$IM" ] || IM=$(command -v convert)
PHOTO="$CORPUS/jpeg/libjpeg-turbo-testimages/testorig.jpg"
[ -f "$PHOTO" ] || { echo "missing corpus photo $PHOTO" >&2; exit 1; }

if [ -z "${LP_BINARY:-}" ]; then
    cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_TESTS=OFF >/dev/null
    cmake --build "$BUILD" --target lumaprism >/dev/null
    LP_BINARY="$BUILD/lumaprism"
fi

# Input photos: ten distinct bases, each copy re-tinted so every file differs.
mkdir -p "$WORK/in" "$WORK/home/TEMPLATE"
"$IM" "$PHOTO" -resize '1600x1200!' "$WORK/base.ppm"
for i in $(seq 0 $((COUNT - 1))); do
    printf -v name "photo_%03d.bmp" "$i"
    "$IM" "$WORK/base.ppm" -modulate 100,$((80 + i % 40)),$((60 + (i * 7) % 80)) \
        -attenuate 0.4 +noise Gaussian -type TrueColor "BMP3:$WORK/in/$name"
done

# The macro file: 514 bytes, "TP" then the fields (see batch/batch_macro.h).
python3 - "$WORK/home/TEMPLATE/half256.TPL" "$WORK/out-lp" <<'EOF'
import struct, sys
path, outdir = sys.argv[1], sys.argv[2]
def text(s, n): b = s.encode(); return b + b"\0" * (n - len(b))
body = text("half256", 31) + text("", 31) + text(outdir, 260)
body += struct.pack("<9i", 1, 360, 240, 50, 50, 1, 256, 1, 0)   # relative 50 %, 256 colours, GIF, no transparency
body += bytes([0, 0, 0, 0])                                       # transparent colour
body += struct.pack("<3i", 0, 0, 0) + struct.pack("<2h", 50, 1)   # no palette, no frame passes
body += struct.pack("<7i", 0, 0, 1, 2, 0, 1, 100) + b"\0" * 78
body += struct.pack("<7i", 75, 1, 1, 1, 1, 1, 1)
data = b"TP" + body
assert len(data) == 514, len(data)
open(path, "wb").write(data)
EOF

measure() {  # LABEL OUTDIR COMMAND...
    local label=$1 outdir=$2; shift 2
    local best="" bestcpu=""
    for _ in $(seq "$RUNS"); do
        rm -rf "$outdir"; mkdir -p "$outdir"
        /usr/bin/time -f "%e %U %S" -o "$WORK/t" "$@" >/dev/null 2>"$WORK/err" || {
            echo "$label: failed: $(tail -3 "$WORK/err")" >&2; return; }
        read -r wall user sys <"$WORK/t"
        cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
        if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$wall; bestcpu=$cpu; fi
    done
    local files bytes
    files=$(find "$outdir" -name '*.[Gg][Ii][Ff]' | wc -l)
    bytes=$(du -sb "$outdir" | cut -f1)
    printf "%s %s %s %s %s\n" "$label" "$best" "$bestcpu" "$files" "$bytes"
}

cd "$WORK/in"
{
    measure "lumaprism-serial" "$WORK/out-lp" env LUMAPRISM_HOME="$WORK/home" "$LP_BINARY" --macro half256 ./*.bmp
    measure "lumaprism-jobs2" "$WORK/out-lp" env LUMAPRISM_HOME="$WORK/home" "$LP_BINARY" --macro half256 --jobs 2 ./*.bmp
    measure "mogrify-sample" "$WORK/out-im" mogrify -path "$WORK/out-im" -sample 50% +dither -colors 256 -format gif ./*.bmp
    measure "mogrify-resize" "$WORK/out-im" mogrify -path "$WORK/out-im" -resize 50% +dither -colors 256 -format gif ./*.bmp
} >"$WORK/rows"

echo "machine: $(nproc) cores; $("$IM" -version | head -1 | cut -d' ' -f2-4); $COUNT photos 1600x1200 BMP; best of $RUNS"
serial=$(awk '$1 == "lumaprism-serial" { print $2 }' "$WORK/rows")
awk -v serial="$serial" '
    BEGIN { printf "%-18s %8s %8s %6s %12s %14s\n", "tool", "wall s", "cpu s", "files", "output bytes", "serial/this" }
    { printf "%-18s %8.2f %8.2f %6d %12d %14.2f\n", $1, $2, $3, $4, $5, (serial > 0 && $2 > 0 ? serial / $2 : 0) }' \
    "$WORK/rows"
