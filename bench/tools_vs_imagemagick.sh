#!/usr/bin/env bash
# Magic wand on a 1600 x 1200 photo at the default tolerance (100, the sum of
# the three channel differences) and a 90-degree rotation of a 4000 x 3000
# picture: ours beside ImageMagick (-fuzz N% -fill white -floodfill, -rotate 90)
# in one run on the same PPM input. ImageMagick's fuzz is a distance in RGB
# space (of 0..100 % of the full range), ours a summed channel difference, so
# the areas differ in size: both are printed. Best wall time of N runs.
#
#   bench/tools_vs_imagemagick.sh [runs]      (default 5)
set -euo pipefail

RUNS=${1:-5}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LP_BENCH_BUILD:-$SRC/build-bench}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/lp_tools_bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

command -v /usr/bin/time >/dev/null || { echo "missing: /usr/bin/time (apt-get install -y time)" >&2; exit 1; }
IM=/usr/bin/convert
[ -x "$IM" ] || IM=$(command -v convert) || { echo "missing: convert (apt-get install -y imagemagick)" >&2; exit 1; }

# LP_TOOLS_BENCH names an already built tools_bench (skips the build).
LP=${LP_TOOLS_BENCH:-}
if [ -z "$LP" ]; then
    cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_BENCH=ON -DLP_BUILD_TESTS=OFF >/dev/null
    cmake --build "$BUILD" --target tools_bench >/dev/null
    LP="$BUILD/bench/tools_bench"
fi

# Photo-like inputs: a smooth gradient with mild noise (so the wand finds a sizeable area).
"$IM" -size 1600x1200 gradient:'#506070-#8090a0' \( -size 1600x1200 xc:gray50 +noise Gaussian -attenuate 0.2 \) \
    -compose overlay -composite -depth 8 "$WORK/photo.ppm"
"$IM" -size 4000x3000 gradient:red-blue \( -size 4000x3000 xc:gray50 +noise Gaussian \) \
    -compose overlay -composite -depth 8 "$WORK/big.ppm"

measure() {  # LABEL COMMAND...: prints "label wall cpu rss"
    local label=$1; shift
    local best="" bestcpu="" rss=0
    for _ in $(seq "$RUNS"); do
        /usr/bin/time -f "%e %U %S %M" -o "$WORK/t" "$@" >/dev/null 2>"$WORK/err" || {
            echo "$label: failed: $(cat "$WORK/err")" >&2; return; }
        read -r wall user sys kb <"$WORK/t"
        cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
        if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$wall; bestcpu=$cpu; fi
        [ "$kb" -gt "$rss" ] && rss=$kb
    done
    printf "%-28s %8s %8s %9.1f\n" "$label" "$best" "$bestcpu" "$(awk -v k="$rss" 'BEGIN { print k / 1024 }')"
}

changed() {  # pixels of $1 that differ from the photo
    "$(dirname "$IM")/compare" -metric AE "$WORK/photo.ppm" "$1" null: 2>&1 || true
}

echo "machine: $(nproc) cores; ImageMagick: $("$IM" -version | head -1 | cut -d' ' -f3-4); best of $RUNS"
printf "%-28s %8s %8s %9s\n" "tool" "wall s" "cpu s" "RSS MB"
echo "== magic wand, 1600x1200, seed (800, 600)"
measure "lumaprism-wand(tol 100)" "$LP" --run wand "$WORK/photo.ppm" "$WORK/a.ppm" 800 600 100
"$LP" --run wand "$WORK/photo.ppm" "$WORK/a.ppm" 800 600 100 2>"$WORK/marked"
# 100 summed over three channels is about 100/sqrt(3) in RGB distance: 100/255/sqrt(3) of the range.
FUZZ=$(awk 'BEGIN { printf "%.1f", 100 / 255 / sqrt(3) * 100 }')
measure "IM-floodfill(fuzz ${FUZZ}%)" "$IM" "$WORK/photo.ppm" -fuzz "${FUZZ}%" -fill white -draw "color 800,600 floodfill" "$WORK/b.ppm"
"$IM" "$WORK/photo.ppm" -fuzz "${FUZZ}%" -fill white -draw "color 800,600 floodfill" "$WORK/b.ppm"
echo "   area: lumaprism $(cut -d' ' -f2 "$WORK/marked") pixels, ImageMagick $(changed "$WORK/b.ppm") pixels changed"
echo "== rotate 90, 4000x3000"
measure "lumaprism-rotate90" "$LP" --run rotate90 "$WORK/big.ppm" "$WORK/r.ppm"
measure "IM-rotate90" "$IM" "$WORK/big.ppm" -rotate 90 "$WORK/r2.ppm"
measure "IM-rotate90(1thr)" env MAGICK_THREAD_LIMIT=1 "$IM" "$WORK/big.ppm" -rotate 90 "$WORK/r2.ppm"
"$LP" --run rotate90 "$WORK/big.ppm" "$WORK/r.ppm"
"$IM" "$WORK/big.ppm" -rotate 90 "$WORK/r2.ppm"
echo "   same pixels: $(cmp -s "$WORK/r.ppm" "$WORK/r2.ppm" && echo yes || echo NO)"
