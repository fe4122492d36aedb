# Our colour vectorizer as rows of the shared runner's vectorization task, so
# that it is timed in the same run as potrace:
#   LP_BENCH_EXTRA=$PWD/bench/vectorize_extra.sh LP_BENCH_TASKS=T9 ../shared/bench/anchors.sh
# LP_BENCH_BINARY names our program (default: build-bench/lumaprism of this tree,
# as bench/vectorize_vs_potrace.sh builds it).
LP_VEC_BIN=${LP_BENCH_BINARY:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build-bench/lumaprism}
extra_T9() {
  needs "$LP_VEC_BIN" || return 0
  local loop='set -e; for f in "$IN"/graphics/*.bmp; do b=${f##*/}; b=${b%.bmp};'
  bench T9_ours_svg T9 "ours --vectorize, colour (SVG)" "lumaprism" $NG bytes \
    "$loop \"$LP_VEC_BIN\" --vectorize \"\$f\" --output \"\$O/\$b.svg\" >/dev/null; done"
  bench T9_ours_svg_nooverlap T9 "ours --vectorize --no-overlap, colour (SVG)" "lumaprism" $NG bytes \
    "$loop \"$LP_VEC_BIN\" --vectorize \"\$f\" --no-overlap --output \"\$O/\$b.svg\" >/dev/null; done"
  bench T9_ours_eps T9 "ours --vectorize, colour (EPS)" "lumaprism" $NG bytes \
    "$loop \"$LP_VEC_BIN\" --vectorize \"\$f\" --output \"\$O/\$b.eps\" >/dev/null; done"
}
