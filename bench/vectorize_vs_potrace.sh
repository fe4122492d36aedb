#!/usr/bin/env bash
# The vectorizer beside potrace, in one run on the same files: time (whole
# process, hyperfine mean), output size and how close the output looks to the
# source (PSNR of the SVG rendered by librsvg against the source picture).
#
# Inputs: the five few-colour graphics of the shared benchmark set (800 x 600),
# built when missing. potrace reads black and white only, so it gets each
# graphic thresholded at 50 % grey (ImageMagick, done before timing); ours
# reads the BMP in colour, with tolerance 0 and precision 100.
# Then the peak resident memory of ours on a noisy 2000 x 2000 picture (every
# pixel a different colour) and on a 4000 x 3000 photograph.
#
#   bench/vectorize_vs_potrace.sh [runs]      (default 5)
set -euo pipefail

RUNS=${1:-5}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LP_BENCH_BUILD:-$SRC/build-bench}
IN=${LP_BENCH_IN:-/tmp/lp-bench-in}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/lp_vector_bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
PY=/usr/bin/python3

# potrace and the renderer are the benchmark's own peers: install them when missing.
install_missing() {  # command package
    command -v "$1" >/dev/null 2>&1 && return
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "$2" >/dev/null
}
install_missing potrace potrace
install_missing rsvg-convert librsvg2-bin
install_missing hyperfine hyperfine
for t in potrace rsvg-convert hyperfine convert; do
    command -v "$t" >/dev/null 2>&1 || { echo "missing: $t" >&2; exit 1; }
done
IM=/usr/bin/convert
[ -x "$IM" ] || IM=$(command -v convert)

if [ ! -f "$IN/graphics/g5_cartoon.bmp" ] || [ ! -f "$IN/large/l1_elephants.bmp" ]; then
    "$SRC/../shared/bench/make_inputs.sh" "$IN"
fi

cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target lumaprism >/dev/null
LP="$BUILD/lumaprism"

mean_ms() {  # json name
    $PY - "$1" "$2" <<'PYEOF'
import json, sys
for r in json.load(open(sys.argv[1]))["results"]:
    if r["command"] == sys.argv[2]:
        print("%.1f" % (r["mean"] * 1000))
PYEOF
}

psnr() {  # reference.png rendered.png
    $PY - "$1" "$2" <<'PYEOF'
import math, sys
from PIL import Image, ImageChops
a = Image.open(sys.argv[1]).convert("RGB")
b = Image.open(sys.argv[2]).convert("RGB").resize(a.size)
h = ImageChops.difference(a, b).histogram()
se = sum(h[c * 256 + d] * d * d for c in range(3) for d in range(256))
n = a.size[0] * a.size[1] * 3
print("99" if se == 0 else "%.2f" % (10 * math.log10(255 * 255 * n / se)))
PYEOF
}

size() { stat -c %s "$1"; }

echo "| graphic | colours | ours SVG ms | ours EPS ms | potrace SVG ms | potrace EPS ms | ours SVG bytes | ours EPS bytes | potrace SVG bytes | potrace EPS bytes | PSNR ours dB | PSNR potrace dB | our objects |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|"
for g in g1_silhouette g2_text g3_scanned_page g4_logo g5_cartoon; do
    bmp="$IN/graphics/$g.bmp"
    w=$(identify -format %w "$bmp")
    h=$(identify -format %h "$bmp")
    colours=$(identify -format %k "$bmp")
    "$IM" "$bmp" -colorspace gray -threshold 50% "$WORK/$g.pbm"
    hyperfine --style none --warmup 1 --runs "$RUNS" --export-json "$WORK/$g.json" \
        -n ours-svg "$LP --vectorize $bmp --output $WORK/$g.lp.svg" \
        -n ours-eps "$LP --vectorize $bmp --output $WORK/$g.lp.eps" \
        -n potrace-svg "potrace -s -o $WORK/$g.po.svg $WORK/$g.pbm" \
        -n potrace-eps "potrace -e -o $WORK/$g.po.eps $WORK/$g.pbm" >/dev/null
    objects=$("$LP" --vectorize "$bmp" --output "$WORK/$g.lp.svg" | sed 's/^.*: \([0-9]*\) objects.*$/\1/')
    "$IM" "$bmp" "$WORK/$g.ref.png"
    rsvg-convert -w "$w" -h "$h" -b white -o "$WORK/$g.lp.png" "$WORK/$g.lp.svg"
    rsvg-convert -w "$w" -h "$h" -b white -o "$WORK/$g.po.png" "$WORK/$g.po.svg"
    echo "| $g | $colours | $(mean_ms "$WORK/$g.json" ours-svg) | $(mean_ms "$WORK/$g.json" ours-eps) |" \
         "$(mean_ms "$WORK/$g.json" potrace-svg) | $(mean_ms "$WORK/$g.json" potrace-eps) |" \
         "$(size "$WORK/$g.lp.svg") | $(size "$WORK/$g.lp.eps") | $(size "$WORK/$g.po.svg") | $(size "$WORK/$g.po.eps") |" \
         "$(psnr "$WORK/$g.ref.png" "$WORK/$g.lp.png") | $(psnr "$WORK/$g.ref.png" "$WORK/$g.po.png") | $objects |"
done

echo
$PY - "$WORK/noise.bmp" <<'PYEOF'
import sys
from PIL import Image
w, h = 2000, 2000
# 4 million distinct colours: the pixel index spread over 24 bits by an odd factor.
data = bytearray()
for i in range(w * h):
    v = (i * 2654435761) & 0xFFFFFF
    data += bytes((v >> 16, (v >> 8) & 255, v & 255))
Image.frombytes("RGB", (w, h), bytes(data)).save(sys.argv[1])
PYEOF
for case in "noise 2000x2000:$WORK/noise.bmp" "photo 4000x3000:$IN/large/l1_elephants.bmp"; do
    name=${case%%:*}
    file=${case#*:}
    set +e
    /usr/bin/time -f "%e %M" -o "$WORK/time.txt" "$LP" --vectorize "$file" --output "$WORK/big.svg" \
        >"$WORK/out.txt" 2>"$WORK/err.txt"
    rc=$?
    set -e
    read -r secs kb <"$WORK/time.txt"
    echo "$name: exit $rc, $secs s, peak RSS $((kb / 1024)) MB; $(cat "$WORK/out.txt" "$WORK/err.txt" | tr '\n' ' ')"
done
