#!/usr/bin/env bash
# GIF decoding and encoding beside gifsicle and ImageMagick, in one run on the
# same files, and the size of the LZW data each writes for the same frames.
#
# Inputs (from the shared benchmark set, built when missing):
#   still  - photo/p01_aqua reduced to 256 colours by ImageMagick (+dither), 1600 x 1200
#   anim   - anim/a2_plasma_ball.gif, 60 full frames of 400 x 300, 256 colours
# Steps, each a whole process timed by hyperfine (mean of N runs):
#   decode     lumaprism: every frame read      gifsicle: --crop 0,0+1x1 (every frame
#              uncompressed, a 1 x 1 result)    ImageMagick: convert IN null:
#   transcode  read every frame and write them again as GIF (gifsicle recompresses
#              when it writes; ImageMagick keeps the frames' colour maps)
#   encode     transcode minus decode, per tool
# LZW bytes: the image data of the transcoded files (same frames for all three).
#
#   bench/gif_vs_peers.sh [runs]      (default 10)
set -euo pipefail

RUNS=${1:-10}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LP_BENCH_BUILD:-$SRC/build-bench}
IN=${LP_BENCH_IN:-/tmp/lp-bench-in}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/lp_gif_bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

need() { command -v "$1" >/dev/null 2>&1 || { echo "missing: $1 ($2)" >&2; exit 1; }; }
need hyperfine "apt-get install -y hyperfine"
need gifsicle "apt-get install -y gifsicle"
need python3 "apt-get install -y python3"
# The real ImageMagick binary, not a wrapper that may stand in front of it.
IM=/usr/bin/convert
[ -x "$IM" ] || IM=$(command -v convert) || { echo "missing: convert (apt-get install -y imagemagick)" >&2; exit 1; }

if [ ! -f "$IN/anim/a2_plasma_ball.gif" ] || [ ! -f "$IN/photo/p01_aqua.ppm" ]; then
    "$SRC/../shared/bench/make_inputs.sh" "$IN"
fi

cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_BENCH=ON -DLP_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target gif_bench >/dev/null
LP="$BUILD/bench/gif_bench"

"$IM" "$IN/photo/p01_aqua.ppm" +dither -colors 256 "$WORK/still.gif"
cp "$IN/anim/a2_plasma_ball.gif" "$WORK/anim.gif"

run_case() {  # name
    local name=$1 in="$WORK/$1.gif"
    hyperfine --style none --warmup 1 --runs "$RUNS" --export-json "$WORK/$name.json" \
        -n "lumaprism decode" "$LP --decode $in" \
        -n "gifsicle decode" "gifsicle --crop 0,0+1x1 $in -o /dev/null" \
        -n "ImageMagick decode" "$IM $in null:" \
        -n "lumaprism transcode" "$LP --transcode $in $WORK/$name.lp.gif" \
        -n "gifsicle transcode" "gifsicle $in -o $WORK/$name.gs.gif" \
        -n "ImageMagick transcode" "$IM $in $WORK/$name.im.gif" >/dev/null
    local lp gs im
    lp=$("$LP" --data-bytes "$WORK/$name.lp.gif")
    gs=$("$LP" --data-bytes "$WORK/$name.gs.gif")
    im=$("$LP" --data-bytes "$WORK/$name.im.gif")
    echo
    echo "== $name: $(gifsicle --info "$in" | head -1 | sed 's/^.* \([0-9]* images*\)$/\1/'), $(gifsicle --info "$in" | sed -n 's/^ *logical screen //p')"
    python3 - "$WORK/$name.json" <<'EOF'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
print("%-12s %14s %14s %14s" % ("ms (mean)", "lumaprism", "gifsicle", "ImageMagick"))
for step in ("decode", "transcode"):
    print("%-12s" % step + "".join(" %8.1f ±%4.1f" % (r[t + " " + step]["mean"] * 1e3, r[t + " " + step]["stddev"] * 1e3)
                                   for t in ("lumaprism", "gifsicle", "ImageMagick")))
print("%-12s" % "encode" + "".join(" %14.1f" % ((r[t + " transcode"]["mean"] - r[t + " decode"]["mean"]) * 1e3)
                                   for t in ("lumaprism", "gifsicle", "ImageMagick")))
EOF
    printf "%-12s %14s %14s %14s\n" "file bytes" "$(stat -c %s "$WORK/$name.lp.gif")" "$(stat -c %s "$WORK/$name.gs.gif")" \
        "$(stat -c %s "$WORK/$name.im.gif")"
    printf "%-12s %14s %14s %14s   (lumaprism / gifsicle: %s)\n" "LZW bytes" "$lp" "$gs" "$im" \
        "$(awk -v a="$lp" -v b="$gs" 'BEGIN { printf "%+.2f%%", (a / b - 1) * 100 }')"
}

echo "machine: $(nproc) cores; $(gifsicle --version | head -1); ImageMagick $("$IM" -version | head -1 | cut -d' ' -f3)"
run_case still
run_case anim

# In-process timings of our codec alone (no process start-up, no file I/O).
echo
LP_GIF_BENCH_STILL="$WORK/still.gif" LP_GIF_BENCH_ANIM="$WORK/anim.gif" \
    "$LP" --benchmark_min_time=0.5 2>/dev/null | grep -E "^BM_|^-|Benchmark"
