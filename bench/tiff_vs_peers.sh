#!/usr/bin/env bash
# Writing and reading back a 4000 x 3000 photo as an LZW TIFF: our codec beside
# libtiff (tiffcp) and ImageMagick, in one run on the same input.
# The photo is the shared JPEG set's testorig.jpg scaled to 4000 x 3000 with a
# little noise. Write = PPM in (tiffcp: the same pixels as an uncompressed
# TIFF), LZW TIFF out; read = our LZW TIFF in, nothing out (ImageMagick:
# null:; tiffcp: decoded to an uncompressed TIFF, which it must write).
# All are timed as whole processes; "startup" rows show the fixed costs.
# Figures: best wall time of N runs, CPU time (user + sys) of that run, peak
# RSS (max over the runs) from /usr/bin/time.
#
#   bench/tiff_vs_peers.sh [runs]      (default 5)
set -euo pipefail

RUNS=${1:-5}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LP_BENCH_BUILD:-$SRC/build-bench}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/lp_tiff_bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

install_if_missing() {  # command package
    command -v "$1" >/dev/null 2>&1 && return
    local sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "$2" >/dev/null
}
install_if_missing tiffcp libtiff-tools
install_if_missing /usr/bin/time time
# The real ImageMagick binary, not a wrapper that may stand in front of it.
IM=/usr/bin/convert
[ -x "$IM" ] || { install_if_missing convert imagemagick; IM=$(command -v convert); }

PHOTO_SRC="$SRC/../shared/corpora/jpeg/libjpeg-turbo-testimages/testorig.jpg"
[ -f "$PHOTO_SRC" ] || { echo "missing: $PHOTO_SRC (the shared corpora)" >&2; exit 1; }

cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_BENCH=ON -DLP_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target tiff_bench >/dev/null
LP="$BUILD/bench/tiff_bench"

"$IM" "$PHOTO_SRC" -resize '4000x3000!' -attenuate 0.3 +noise Gaussian -depth 8 "$WORK/photo.ppm"
"$IM" "$WORK/photo.ppm" -compress none "$WORK/photo-plain.tif"

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

{
    measure "IM-startup(ppm->null)" "$IM" "$WORK/photo.ppm" null:
    measure "tiffcp-startup(plain->plain)" tiffcp -c none "$WORK/photo-plain.tif" "$WORK/copy.tif"
    measure "lumaprism-write" "$LP" --write "$WORK/photo.ppm" "$WORK/lp.tif"
    measure "IM-write" "$IM" "$WORK/photo.ppm" -compress lzw "$WORK/im.tif"
    measure "tiffcp-write" tiffcp -c lzw "$WORK/photo-plain.tif" "$WORK/tc.tif"
    measure "lumaprism-read" "$LP" --read "$WORK/lp.tif"
    measure "IM-read" "$IM" "$WORK/lp.tif" null:
    measure "tiffcp-read" tiffcp -c none "$WORK/lp.tif" "$WORK/tc-plain.tif"
} >"$WORK/rows"

echo "machine: $(nproc) cores; ImageMagick: $("$IM" -version | head -1 | cut -d' ' -f3-4); $(tiffcp 2>&1 | head -1)"
echo "== 4000x3000 photo, best of $RUNS   (LZW files: ours $(stat -c %s "$WORK/lp.tif") B," \
    "ImageMagick $(stat -c %s "$WORK/im.tif") B, tiffcp $(stat -c %s "$WORK/tc.tif") B)"
awk 'BEGIN { printf "%-30s %8s %8s %9s\n", "step", "wall s", "cpu s", "RSS MB" }
    { printf "%-30s %8.3f %8.2f %9.1f\n", $1, $2, $3, $4 / 1024; w[$1] = $2 }
    END {
        printf "write+read: lumaprism %.3f s, ImageMagick %.3f s, tiffcp %.3f s\n",
            w["lumaprism-write"] + w["lumaprism-read"], w["IM-write"] + w["IM-read"], w["tiffcp-write"] + w["tiffcp-read"]
    }' "$WORK/rows"

# In-process timings of our codec alone (no PPM, no process start-up).
echo
"$LP" --benchmark_min_time=0.5 2>/dev/null | grep -E "^BM_|^-|Benchmark"
