#!/usr/bin/env bash
# The vectorizer beside potrace, in one run on the same files: time (whole
# process, hyperfine mean), output size against the graphic's PNG, and how
# close the output looks to the source (PSNR of the SVG rendered by librsvg
# against the source picture, ../shared/bench/psnr.py), in both modes.
#
# Inputs: the five few-colour graphics of the shared benchmark set (800 x 600),
# built when missing. potrace reads black and white only, so it gets each
# graphic thresholded at 50 % grey (ImageMagick, done before timing); ours
# reads the BMP in colour with the command line's defaults (tolerance 0,
# precision 100). The goals: each SVG at most 2x the graphic's PNG, the five
# together in at most 3x potrace's time.
# Measured (busy 2-core machine, same run): SVG/PNG g1 0.65, g2 1.22, g4 0.33, g5 1.29, and g3
# 3.17 (the scanned page: 49035 objects of two to a few pixels, its noise at tolerance 0); the
# five graphics 2.19x mkbitmap + potrace in the shared runner's loop (2.0x in CPU time).
# Then the peak resident memory of ours on a noisy 2000 x 2000 picture (every
# pixel a different colour) and on a 4000 x 3000 photograph.
#
#   bench/vectorize_vs_potrace.sh [runs]      (default 5)
#   LP_BENCH_BINARY=build/lumaprism bench/vectorize_vs_potrace.sh   (use a built program)
#   LP_BENCH_IN=DIR   the shared input set (default /tmp/lp-bench-in)
#
# The same rows inside the shared runner: LP_BENCH_EXTRA=bench/vectorize_extra.sh.
set -euo pipefail

RUNS=${1:-5}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LP_BENCH_BUILD:-$SRC/build-bench}
IN=${LP_BENCH_IN:-/tmp/lp-bench-in}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/lp_vector_bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
PY=/usr/bin/python3
PSNR="$SRC/../shared/bench/psnr.py"

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
for t in potrace rsvg-convert hyperfine convert identify; do
    command -v "$t" >/dev/null 2>&1 || { echo "missing: $t" >&2; exit 1; }
done
IM=/usr/bin/convert
[ -x "$IM" ] || IM=$(command -v convert)

if [ ! -f "$IN/graphics/g5_cartoon.bmp" ] || [ ! -f "$IN/large/l1_elephants.bmp" ]; then
    "$SRC/../shared/bench/make_inputs.sh" "$IN"
fi

if [ -n "${LP_BENCH_BINARY:-}" ]; then
    LP=$(cd "$(dirname "$LP_BENCH_BINARY")" && pwd)/$(basename "$LP_BENCH_BINARY")
else
    cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_TESTS=OFF >/dev/null
    cmake --build "$BUILD" --target lumaprism >/dev/null
    LP="$BUILD/lumaprism"
fi

mean_ms() {  # json name
    $PY - "$1" "$2" <<'PYEOF'
import json, sys
for r in json.load(open(sys.argv[1]))["results"]:
    if r["command"] == sys.argv[2]:
        print("%.1f" % (r["mean"] * 1000))
PYEOF
}

# psnr reference.png rendered.png: through the shared script (one file per folder).
psnr() {
    local d
    d=$(mktemp -d "$WORK/psnr.XXXXXX")
    mkdir -p "$d/ref" "$d/out"
    cp "$1" "$d/ref/x.png"
    cp "$2" "$d/out/x.png"
    $PY "$PSNR" "$d/ref" png "$d/out" png | awk '{print $1}'
}

render() {  # svg png w h
    rsvg-convert -w "$3" -h "$4" -b white -o "$2" "$1"
}

size() { stat -c %s "$1"; }

GRAPHICS="g1_silhouette g2_text g3_scanned_page g4_logo g5_cartoon"
echo "| graphic | colours | PNG bytes | ours SVG bytes | x PNG | ours no-overlap SVG bytes | potrace SVG bytes | ours SVG ms | ours EPS ms | potrace SVG ms | potrace EPS ms | PSNR ours dB | PSNR ours no-overlap dB | PSNR potrace dB | our objects |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"
for g in $GRAPHICS; do
    bmp="$IN/graphics/$g.bmp"
    png="$IN/graphics/$g.png"
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
    "$LP" --vectorize "$bmp" --no-overlap --output "$WORK/$g.lpn.svg" >/dev/null
    "$IM" "$bmp" "$WORK/$g.ref.png"
    render "$WORK/$g.lp.svg" "$WORK/$g.lp.png" "$w" "$h"
    render "$WORK/$g.lpn.svg" "$WORK/$g.lpn.png" "$w" "$h"
    render "$WORK/$g.po.svg" "$WORK/$g.po.png" "$w" "$h"
    ratio=$(awk -v a="$(size "$WORK/$g.lp.svg")" -v b="$(size "$png")" 'BEGIN{printf "%.2f", a / b}')
    echo "| $g | $colours | $(size "$png") | $(size "$WORK/$g.lp.svg") | $ratio | $(size "$WORK/$g.lpn.svg") |" \
         "$(size "$WORK/$g.po.svg") | $(mean_ms "$WORK/$g.json" ours-svg) | $(mean_ms "$WORK/$g.json" ours-eps) |" \
         "$(mean_ms "$WORK/$g.json" potrace-svg) | $(mean_ms "$WORK/$g.json" potrace-eps) |" \
         "$(psnr "$WORK/$g.ref.png" "$WORK/$g.lp.png") | $(psnr "$WORK/$g.ref.png" "$WORK/$g.lpn.png") |" \
         "$(psnr "$WORK/$g.ref.png" "$WORK/$g.po.png") | $objects |"
done

# All five in one process loop each, as the shared runner times them.
echo
LOOP_OURS="for g in $GRAPHICS; do $LP --vectorize $IN/graphics/\$g.bmp --output $WORK/\$g.loop.svg >/dev/null; done"
LOOP_PO="for g in $GRAPHICS; do potrace -s -o $WORK/\$g.loop.po.svg $WORK/\$g.pbm; done"
LOOP_MK="for g in $GRAPHICS; do mkbitmap -n -s 1 -t 0.5 -o $WORK/\$g.mk.pbm $IN/graphics/\$g.pgm && potrace -s -o $WORK/\$g.loop.mk.svg $WORK/\$g.mk.pbm; done"
names=(-n ours-5 "$LOOP_OURS" -n potrace-5 "$LOOP_PO")
command -v mkbitmap >/dev/null 2>&1 && names+=(-n mkbitmap-potrace-5 "$LOOP_MK")
hyperfine --style none --warmup 1 --runs "$RUNS" --export-json "$WORK/loop.json" "${names[@]}" >/dev/null
ours=$(mean_ms "$WORK/loop.json" ours-5)
po=$(mean_ms "$WORK/loop.json" potrace-5)
echo "five graphics to SVG: ours $ours ms, potrace $po ms (thresholded input), ratio $(awk -v a="$ours" -v b="$po" 'BEGIN{printf "%.2f", a / b}') (goal <= 3)"
if command -v mkbitmap >/dev/null 2>&1; then
    mk=$(mean_ms "$WORK/loop.json" mkbitmap-potrace-5)
    echo "  mkbitmap + potrace as the shared runner times it: $mk ms, ratio $(awk -v a="$ours" -v b="$mk" 'BEGIN{printf "%.2f", a / b}')"
fi
total_svg=0
total_png=0
worst=0
for g in $GRAPHICS; do
    total_svg=$((total_svg + $(size "$WORK/$g.lp.svg")))
    total_png=$((total_png + $(size "$IN/graphics/$g.png")))
done
echo "SVG bytes in all: ours $total_svg, PNG $total_png; largest SVG/PNG: $(for g in $GRAPHICS; do
    awk -v a="$(size "$WORK/$g.lp.svg")" -v b="$(size "$IN/graphics/$g.png")" -v n="$g" 'BEGIN{printf "%.3f %s\n", a / b, n}'
done | sort -rn | head -1) (goal <= 2)"

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
