#!/bin/sh
# The Transfer Manager's two timed paths, with ImageMagick's 64-colour reduction of the same
# photo in the same run as the peer. Needs a build with -DLP_BUILD_BENCH=ON.
#   bench/transfer_manager_vs_peers.sh [BUILD_DIR]
set -eu
build=${1:-build}
in=${LP_BENCH_IN:-/tmp/lp-bench-in}
"$build/bench/transfer_manager_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
photo="$in/photo/p01_aqua.bmp"
if [ -f "$photo" ] && command -v convert >/dev/null 2>&1; then
    echo "peer: ImageMagick convert -colors 64 (whole process, 3 runs)"
    for i in 1 2 3; do
        /usr/bin/time -f "%e s" convert "$photo" -dither None -colors 64 /tmp/lp-peer-64.png
    done
    rm -f /tmp/lp-peer-64.png
else
    echo "peer skipped: $photo or ImageMagick missing (run /work/shared/bench/make_inputs.sh)"
fi
