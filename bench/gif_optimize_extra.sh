# Our lossless frame optimization as rows of the shared runner's animated-GIF task, so that it
# is timed in the same run as gifsicle -O3 (the runner's PSNR column shows 99 when every
# composited frame is identical to the input):
#   LP_BENCH_EXTRA=$PWD/bench/gif_optimize_extra.sh LP_BENCH_TASKS=T7 LP_BENCH_REUSE_INPUTS=1 \
#       ../shared/bench/anchors.sh
# LP_BENCH_BINARY names our program (default: build-bench/lumaprism of this tree, as
# bench/gif_optimize_vs_peers.sh builds it).
LP_GIFOPT_BIN=${LP_BENCH_BINARY:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build-bench/lumaprism}
extra_T7() {
  needs "$LP_GIFOPT_BIN" || return 0
  local loop='set -e; for f in "$IN"/anim/*.gif; do b=${f##*/};'
  Q="$IN/anim gif gif" bench T7_ours_lossless T7 "ours --convert --optimize-frames (lossless)" "lumaprism" $NA \
    "perfile:$IN/anim" "$loop \"$LP_GIFOPT_BIN\" --convert \"\$f\" \"\$O/\$b\" --optimize-frames; done"
}
