# The precise quantizer as rows of the shared runner's 256- and 16-colour
# tasks, so that its PSNR and time come from the same run as pngquant's and
# ImageMagick's:
#   LP_BENCH_EXTRA=$PWD/bench/quantize_extra.sh LP_BENCH_TASKS="T1 T2" ../shared/bench/anchors.sh
# Measured (12 photos of 1600 x 1200, 2 runs, a busy 2-core machine): ours 40.25 dB in 5.3 s
# (2.6 s CPU), pngquant --nofs 40.01 dB in 44.2 s, ImageMagick 39.10 dB in 13.2 s. Clustering in
# Oklab instead of RGB gave 37.90 dB; dithering 38.65 dB.
# LP_BENCH_BINARY names our program (default: build-bench/lumaprism of this tree).
LP_QUANT_BIN=${LP_BENCH_BINARY:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build-bench/lumaprism}
quantize_rows() {  # task colours
  needs "$LP_QUANT_BIN" || return 0
  Q="$IN/photo ppm gif" bench "$1_ours_precise" "$1" "ours --convert --colors $2 --quantizer precise (GIF)" "lumaprism" $NP bytes \
    "$LOOP_PB \"$LP_QUANT_BIN\" --convert \"\$f\" \"\$O/\$b.gif\" --colors $2 --quantizer precise --quiet; done"
}
extra_T1() { quantize_rows T1 256; }
extra_T2() { quantize_rows T2 16; }
