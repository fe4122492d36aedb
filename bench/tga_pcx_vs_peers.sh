#!/usr/bin/env bash
# Writing and reading back a 4000 x 3000 picture as run-length Targa and as
# PCX: our codecs beside ImageMagick, in one run on the same input.
# Write = binary PPM in, Targa/PCX out; read = Targa/PCX in, nothing out
# (ImageMagick: null:). Both tools are timed as whole processes, so each pays
# its start-up; a "startup" row shows what that costs ImageMagick alone.
# Figures: best wall time of N runs, CPU time (user + sys) of that run, peak
# RSS (max over the runs) from /usr/bin/time.
#
#   bench/tga_pcx_vs_peers.sh [runs]      (default 5)
set -euo pipefail

RUNS=${1:-5}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LP_BENCH_BUILD:-$SRC/build-bench}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/lp_tga_pcx_bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

need() { command -v "$1" >/dev/null 2>&1 || { echo "missing: $1 ($2)" >&2; exit 1; }; }
need /usr/bin/time "apt-get install -y time"
# The real ImageMagick binary, not a wrapper that may stand in front of it.
IM=/usr/bin/convert
[ -x "$IM" ] || IM=$(command -v convert) || { echo "missing: convert (apt-get install -y imagemagick)" >&2; exit 1; }

cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_BENCH=ON -DLP_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target tga_pcx_bench >/dev/null
LP="$BUILD/bench/tga_pcx_bench"

# Inputs: a photo-like picture (gradients plus noise: few runs) and a graphic
# (posterized gradient: long runs), both 4000 x 3000.
"$IM" -size 4000x3000 gradient:red-blue \( -size 4000x3000 xc:gray50 +noise Gaussian \) \
    -compose overlay -composite -depth 8 "$WORK/photo.ppm"
"$IM" -size 4000x3000 gradient:red-blue -posterize 6 -depth 8 "$WORK/graphic.ppm"

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

run_case() {  # picture
    local pic=$1 in="$WORK/$1.ppm"
    {
        measure "IM-startup(ppm->null)" "$IM" "$in" null:
        measure "lumaprism-write-tga(rle)" "$LP" --write tga "$in" "$WORK/lp.tga"
        measure "IM-write-tga(rle)" "$IM" "$in" -compress RLE "$WORK/im.tga"
        measure "lumaprism-read-tga" "$LP" --read tga "$WORK/lp.tga"
        measure "IM-read-tga" "$IM" "$WORK/im.tga" null:
        measure "lumaprism-write-pcx" "$LP" --write pcx "$in" "$WORK/lp.pcx"
        measure "IM-write-pcx" "$IM" "$in" "$WORK/im.pcx"
        measure "lumaprism-read-pcx" "$LP" --read pcx "$WORK/lp.pcx"
        measure "IM-read-pcx" "$IM" "$WORK/im.pcx" null:
    } >"$WORK/rows"
    echo
    echo "== 4000x3000 $pic, best of $RUNS   (files: ours tga $(stat -c %s "$WORK/lp.tga") B, pcx $(stat -c %s "$WORK/lp.pcx") B;" \
        "IM tga $(stat -c %s "$WORK/im.tga") B, pcx $(stat -c %s "$WORK/im.pcx") B)"
    awk 'BEGIN { printf "%-26s %8s %8s %9s\n", "step", "wall s", "cpu s", "RSS MB" }
        { printf "%-26s %8.3f %8.2f %9.1f\n", $1, $2, $3, $4 / 1024; w[$1] = $2 }
        END {
            printf "write+read tga: lumaprism %.3f s, ImageMagick %.3f s\n",
                w["lumaprism-write-tga(rle)"] + w["lumaprism-read-tga"], w["IM-write-tga(rle)"] + w["IM-read-tga"]
            printf "write+read pcx: lumaprism %.3f s, ImageMagick %.3f s\n",
                w["lumaprism-write-pcx"] + w["lumaprism-read-pcx"], w["IM-write-pcx"] + w["IM-read-pcx"]
        }' "$WORK/rows"
}

echo "machine: $(nproc) cores; ImageMagick: $("$IM" -version | head -1 | cut -d' ' -f3-4)"
run_case photo
run_case graphic

# In-process timings of our codecs alone (no PPM, no process start-up).
echo
"$LP" --benchmark_min_time=0.5 2>/dev/null | grep -E "^BM_|^-|Benchmark"
