#!/usr/bin/env bash
# Resizing a 4000 x 3000 picture to 50 % and to 1024 x 768: our SmartResize and
# plain Resize beside ImageMagick (-filter box -resize, -sample) and libvips
# (vips resize / shrink, vipsthumbnail), in one run on the same input.
# Every tool reads and writes binary PPM so that file costs are the same and
# small. Figures: best wall time of N runs, CPU time (user + sys) of that run,
# peak RSS (max over the runs) from /usr/bin/time -v.
#
#   bench/resize_vs_peers.sh [runs]      (default 5)
#
# Peers run twice: with their default threads and limited to one thread, since
# SmartResize runs on one thread.
set -euo pipefail

RUNS=${1:-5}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LP_BENCH_BUILD:-$SRC/build-bench}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/lp_resize_bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

need() { command -v "$1" >/dev/null 2>&1 || { echo "missing: $1 ($2)" >&2; exit 1; }; }
need /usr/bin/time "apt-get install -y time"
need vips "apt-get install -y libvips-tools"
need vipsthumbnail "apt-get install -y libvips-tools"
# The real ImageMagick binary, not a wrapper that may stand in front of it.
IM=/usr/bin/convert
[ -x "$IM" ] || IM=$(command -v convert) || { echo "missing: convert (apt-get install -y imagemagick)" >&2; exit 1; }

cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_BENCH=ON -DLP_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target resize_bench >/dev/null
LP="$BUILD/bench/resize_bench"

# Input: a photo-like 4000 x 3000 picture (gradients plus noise), made once.
"$IM" -size 4000x3000 gradient:red-blue \( -size 4000x3000 xc:gray50 +noise Gaussian \) \
    -compose overlay -composite -depth 8 "$WORK/big.ppm"

# measure LABEL COMMAND...: prints "label wall cpu rss"
measure() {
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
    printf "%s %s %s %s\n" "$label" "$best" "$bestcpu" "$rss"
}

ONE=(env MAGICK_THREAD_LIMIT=1 VIPS_CONCURRENCY=1)

run_case() {  # name W H SCALE VIPS_SHRINK
    local name=$1 w=$2 h=$3 scale=$4 shrink=$5 out="$WORK/out.ppm"
    {
        measure "lumaprism-SmartResize" "$LP" --run smart "$WORK/big.ppm" "$out" "$w" "$h"
        measure "lumaprism-Resize(plain)" "$LP" --run plain "$WORK/big.ppm" "$out" "$w" "$h"
        measure "IM-box-resize" "$IM" "$WORK/big.ppm" -filter box -resize "${w}x${h}!" "$out"
        measure "IM-box-resize(1thr)" "${ONE[@]}" "$IM" "$WORK/big.ppm" -filter box -resize "${w}x${h}!" "$out"
        measure "IM-sample" "$IM" "$WORK/big.ppm" -sample "${w}x${h}!" "$out"
        measure "IM-sample(1thr)" "${ONE[@]}" "$IM" "$WORK/big.ppm" -sample "${w}x${h}!" "$out"
        [ -n "$shrink" ] && measure "vips-shrink(box)" vips shrink "$WORK/big.ppm" "$out" "$shrink" "$shrink"
        [ -n "$shrink" ] && measure "vips-shrink(box,1thr)" "${ONE[@]}" vips shrink "$WORK/big.ppm" "$out" "$shrink" "$shrink"
        measure "vips-resize(lanczos3)" vips resize "$WORK/big.ppm" "$out" "$scale"
        measure "vips-resize(nearest)" vips resize "$WORK/big.ppm" "$out" "$scale" --kernel nearest
        measure "vipsthumbnail" vipsthumbnail "$WORK/big.ppm" --size "${w}x${h}!" -o "$out"
    } >"$WORK/rows"
    echo
    echo "== 4000x3000 -> ${w}x${h} ($name), best of $RUNS"
    local base basecpu
    base=$(awk '$1 == "IM-box-resize" { print $2 }' "$WORK/rows")
    basecpu=$(awk '$1 == "IM-box-resize" { print $3 }' "$WORK/rows")
    awk -v base="$base" -v basecpu="$basecpu" '
        BEGIN { printf "%-26s %8s %8s %9s %10s %10s\n", "tool", "wall s", "cpu s", "RSS MB", "wall/IMbox", "cpu/IMbox" }
        { printf "%-26s %8.3f %8.2f %9.1f %10.2f %10.2f\n", $1, $2, $3, $4 / 1024,
                 (base > 0 ? $2 / base : 0), (basecpu > 0 ? $3 / basecpu : 0) }' "$WORK/rows"
}

echo "machine: $(nproc) cores; ImageMagick: $("$IM" -version | head -1 | cut -d' ' -f3-4); vips: $(vips --version)"
run_case "50%" 2000 1500 0.5 2
run_case "1024x768" 1024 768 0.256 ""

# In-process timings of the resamplers alone (no file costs).
echo
"$LP" --benchmark_min_time=0.5 2>/dev/null | grep -E "^BM_|^-|Benchmark"
