#!/usr/bin/env bash
# colour_vs_peers.sh -- colour counting and reduction of 1600x1200 photos, side by side with
# ImageMagick (`convert +dither -colors N`, `identify -format %k`) and pngquant, in the same run.
#
#   bench/colour_vs_peers.sh [INPUT_DIR]
#
# INPUT_DIR defaults to /tmp/lp-bench-in (built by ../shared/bench/make_inputs.sh when missing; if that
# script is absent a plasma picture is made with ImageMagick, seed 1). Prints markdown tables:
#   1. times (hyperfine, whole processes, mean of LP_COLOUR_RUNS runs) on one photo (LP_COLOUR_PHOTO,
#      default p01_aqua) and the speed ratio ImageMagick / ours;
#   2. mean error over every photo at 256, 64 and 16 colours: PSNR (dB, higher is better) and the mean
#      |dR|+|dG|+|dB| per pixel, for our popularity reduction, our better quantizer (Oklab and RGB, with
#      and without Floyd-Steinberg), ImageMagick without dithering and pngquant (with and without
#      dithering).
# Environment: LP_COLOUR_BUILD (build folder, default build-colour-bench beside the sources),
# LP_COLOUR_RUNS (default 5), LP_COLOUR_COUNTS (default "256 64 16").
set -euo pipefail
export LC_ALL=C

ROOT=$(cd "$(dirname "$0")/.." && pwd)
IN=${1:-/tmp/lp-bench-in}
BUILD=${LP_COLOUR_BUILD:-$ROOT/build-colour-bench}
RUNS=${LP_COLOUR_RUNS:-5}
COUNTS=${LP_COLOUR_COUNTS:-"256 64 16"}
PHOTO=${LP_COLOUR_PHOTO:-p01_aqua}
PY=/usr/bin/python3
# The real ImageMagick, not a wrapper script that may stand in front of it on PATH.
CONVERT=$(command -v /usr/bin/convert || command -v convert)
IDENTIFY=$(command -v /usr/bin/identify || command -v identify)

command -v hyperfine >/dev/null || { echo "colour_vs_peers: hyperfine missing (apt-get install -y hyperfine)" >&2; exit 1; }
command -v pngquant >/dev/null || apt-get install -y pngquant >/dev/null 2>&1 ||
  { echo "colour_vs_peers: pngquant missing (apt-get install -y pngquant)" >&2; exit 1; }
[ -x "$CONVERT" ] || { echo "colour_vs_peers: ImageMagick missing" >&2; exit 1; }

# Inputs: the shared photo set, or one generated plasma picture.
if [ ! -d "$IN/photo" ]; then
  if [ -x "$ROOT/../shared/bench/make_inputs.sh" ]; then
    "$ROOT/../shared/bench/make_inputs.sh" "$IN" >&2
  else
    mkdir -p "$IN/photo"
    "$CONVERT" -seed 1 -size 1600x1200 plasma:fractal "$IN/photo/plasma.ppm"
    "$CONVERT" "$IN/photo/plasma.ppm" "$IN/photo/plasma.png"
    PHOTO=plasma
  fi
fi
[ -r "$IN/photo/$PHOTO.ppm" ] || PHOTO=$(basename "$(ls "$IN"/photo/*.ppm | head -1)" .ppm)

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_BENCH=ON -DLP_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j2 --target colour_bench >/dev/null
BENCH=$BUILD/bench/colour_bench

WORK=$(mktemp -d /tmp/lp-colour-bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

# ---- 1. Times on one photo --------------------------------------------------------------------------
P=$IN/photo/$PHOTO
timeit() {  # NAME COMMAND -> mean seconds
  hyperfine -N --warmup 1 --runs "$RUNS" --export-json "$WORK/t.json" "$2" >/dev/null 2>&1
  $PY -c 'import json,sys; print("%.4f" % json.load(open(sys.argv[1]))["results"][0]["mean"])' "$WORK/t.json"
}
echo "## Colour counting and reduction, $PHOTO (1600x1200), mean of $RUNS runs"
echo
echo "| Task | Lumaprism (s) | ImageMagick (s) | pngquant (s) | ImageMagick / Lumaprism |"
echo "|---|---|---|---|---|"
ours=$(timeit ours "$BENCH --count $P.ppm")
im=$(timeit im "$IDENTIFY -format %k $P.ppm")
printf '| count colours (ours %s, ImageMagick %s) | %s | %s | - | %.1fx |\n' \
  "$("$BENCH" --count "$P.ppm")" "$("$IDENTIFY" -format %k "$P.ppm")" "$ours" "$im" "$($PY -c "print($im/$ours)")"
for n in 256 16; do
  ours=$(timeit ours "$BENCH --reduce $n $P.ppm $WORK/o.ppm")
  better=$(timeit better "$BENCH --quantize $n $P.ppm $WORK/b.ppm")
  im=$(timeit im "$CONVERT $P.ppm +dither -colors $n $WORK/i.ppm")
  pq=$(timeit pq "pngquant --force --nofs --output $WORK/q.png $n $P.png")
  printf '| reduce to %d (popularity) | %s | %s | %s | %.1fx |\n' "$n" "$ours" "$im" "$pq" "$($PY -c "print($im/$ours)")"
  printf '| reduce to %d (better quantizer, Oklab) | %s | %s | %s | %.1fx |\n' "$n" "$better" "$im" "$pq" "$($PY -c "print($im/$better)")"
done
echo

# ---- 2. Errors over every photo -----------------------------------------------------------------------
mkdir -p "$WORK/err"
cat >"$WORK/err.py" <<'EOF'
import glob, math, os, sys
from PIL import Image, ImageChops
ref_dir, out_dir, ext = sys.argv[1:4]
psnrs, maes = [], []
for out in sorted(glob.glob(os.path.join(out_dir, "*." + ext))):
    base = os.path.basename(out)[: -len(ext) - 1]
    a = Image.open(os.path.join(ref_dir, base + ".ppm")).convert("RGB")
    b = Image.open(out).convert("RGB")
    h = ImageChops.difference(a, b).histogram()
    n = a.size[0] * a.size[1]
    se = sum(h[c * 256 + d] * d * d for c in range(3) for d in range(256))
    ae = sum(h[c * 256 + d] * d for c in range(3) for d in range(256))
    psnrs.append(99.0 if se == 0 else 10 * math.log10(255 * 255 / (se / (3 * n))))
    maes.append(ae / n)
print("%.2f %.2f" % (sum(psnrs) / len(psnrs), sum(maes) / len(maes)))
EOF
methods=("popularity (default)" "better, Oklab" "better, RGB" "better, Oklab + dither" "ImageMagick +dither" "pngquant --nofs" "pngquant (dither)")
echo "## Mean error over $(ls "$IN"/photo/*.ppm | wc -l) photos: PSNR dB / mean |dR|+|dG|+|dB|"
echo
printf '| Colours |'; for m in "${methods[@]}"; do printf ' %s |' "$m"; done; echo
printf '|---|'; for m in "${methods[@]}"; do printf -- '---|'; done; echo
for n in $COUNTS; do
  for k in 0 1 2 3 4 5 6; do rm -rf "$WORK/err/$k"; mkdir -p "$WORK/err/$k"; done
  for ppm in "$IN"/photo/*.ppm; do
    b=$(basename "$ppm" .ppm)
    "$BENCH" --reduce "$n" "$ppm" "$WORK/err/0/$b.ppm"
    "$BENCH" --quantize "$n" "$ppm" "$WORK/err/1/$b.ppm"
    "$BENCH" --quantize "$n" --rgb "$ppm" "$WORK/err/2/$b.ppm"
    "$BENCH" --quantize "$n" --dither "$ppm" "$WORK/err/3/$b.ppm"
    "$CONVERT" "$ppm" +dither -colors "$n" "$WORK/err/4/$b.ppm"
    pngquant --force --nofs --output "$WORK/err/5/$b.png" "$n" "${ppm%.ppm}.png" || true
    pngquant --force --output "$WORK/err/6/$b.png" "$n" "${ppm%.ppm}.png" || true
  done
  printf '| %d |' "$n"
  for k in 0 1 2 3 4; do printf ' %s |' "$($PY "$WORK/err.py" "$IN/photo" "$WORK/err/$k" ppm | sed 's| | / |')"; done
  for k in 5 6; do printf ' %s |' "$($PY "$WORK/err.py" "$IN/photo" "$WORK/err/$k" png | sed 's| | / |')"; done
  echo
done
echo
echo "In-process timings: LP_COLOUR_BENCH_INPUT=$P.ppm $BENCH"
