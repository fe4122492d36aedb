#!/usr/bin/env bash
# JPEG and PNG beside the peers, in one run on the same inputs (hyperfine,
# whole processes, each tool paying its own start-up):
#   J1  decode the three 4000 x 3000 JPEGs       ours | djpeg (to /dev/null and to a file, the
#       latter holding the whole picture as our reader must) | ImageMagick | vips
#   J3  the same three JPEGs to BMP files         ours (lumaprism --convert f.jpg f.bmp) | djpeg -bmp;
#       and ours once more with fsync made a no-op (LD_PRELOAD): our saves are durable, djpeg
#       leaves its file in the page cache, and that row tells how much of the gap the sync is
#   J2  encode the three 4000 x 3000 PPMs at q75 ours | cjpeg | ImageMagick | vips
#   P1  PNG of three 1600 x 1200 24-bit photos   ours (true colour, zlib 9) | ImageMagick | vips
#   P2  PNG of the same photos cut to 256 colours (ImageMagick +dither -colors 256, untimed)
#       ours (palette) | ImageMagick (writes a palette PNG too) | vips
# Inputs: the shared set (/work/shared/bench/make_inputs.sh, default /tmp/lp-bench-in).
# Prints a markdown table: median wall time, mean CPU time (user + sys), per
# item, ratio to ours, output bytes.
#
#   bench/jpeg_png_vs_peers.sh [runs]      (default 3)
# ONLY="J1 J3" runs only the tasks named.
set -euo pipefail
export LC_ALL=C

RUNS=${1:-3}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LP_BENCH_BUILD:-$SRC/build-bench}
IN=${LP_BENCH_IN:-/tmp/lp-bench-in}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/lp_jpeg_png_bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

need() { command -v "$1" >/dev/null 2>&1 || { echo "missing: $1 ($2)" >&2; exit 1; }; }
need hyperfine "apt-get install -y hyperfine"
need cjpeg "apt-get install -y libjpeg-turbo-progs"
need djpeg "apt-get install -y libjpeg-turbo-progs"
need vips "apt-get install -y libvips-tools"
need /usr/bin/python3 "apt-get install -y python3"
# The real ImageMagick binary, not a wrapper that may stand in front of it.
IM=/usr/bin/convert
[ -x "$IM" ] || IM=$(command -v convert) || { echo "missing: convert (apt-get install -y imagemagick)" >&2; exit 1; }
if [ ! -f "$IN/MANIFEST.sha256" ]; then
    echo "building the shared inputs in $IN" >&2
    /work/shared/bench/make_inputs.sh "$IN" >&2
fi

cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_BENCH=ON -DLP_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target jpeg_png_bench lumaprism >/dev/null
export LP="$BUILD/bench/jpeg_png_bench" LP_APP="$BUILD/lumaprism" IM IN WORK
# For J3's note only: a library whose fsync and fdatasync do nothing.
need cc "apt-get install -y gcc"
printf 'int fsync(int fd) { (void)fd; return 0; }\nint fdatasync(int fd) { (void)fd; return 0; }\n' >"$WORK/nosync.c"
cc -O2 -shared -fPIC -o "$WORK/nosync.so" "$WORK/nosync.c"
export NOSYNC="$WORK/nosync.so"

LARGE="l1_elephants l2_wood l3_plasma"
PHOTOS="p01_aqua p02_blinds p03_freshflower"
mkdir -p "$WORK/p256"
for p in $PHOTOS; do "$IM" "$IN/photo/$p.ppm" +dither -colors 256 "$WORK/p256/$p.ppm"; done
export LARGE PHOTOS

ROWS="$WORK/rows.tsv"
: >"$ROWS"
# row TASK LABEL ITEMS OUTDIR COMMAND -- OUTDIR is emptied before every run
row() {
    local task=$1 label=$2 items=$3 out=$4 cmd=$5
    [ -z "${ONLY:-}" ] || [[ " $ONLY " == *" $task "* ]] || return 0
    mkdir -p "$out"
    hyperfine --style none --runs "$RUNS" --prepare "rm -rf '$out'; mkdir -p '$out'" \
        --export-json "$WORK/h.json" "$cmd" >/dev/null 2>&1 || { echo "$label: failed" >&2; return; }
    local bytes=0
    [ -n "$(ls -A "$out" 2>/dev/null)" ] && bytes=$(cat "$out"/* | wc -c)
    /usr/bin/python3 - "$WORK/h.json" "$task" "$label" "$items" "$bytes" >>"$ROWS" <<'EOF'
import json, statistics, sys
r = json.load(open(sys.argv[1]))["results"][0]
cpu = statistics.mean(u + s for u, s in zip(r["user"] if isinstance(r["user"], list) else [r["user"]],
                                            r["system"] if isinstance(r["system"], list) else [r["system"]]))
print("\t".join([sys.argv[2], sys.argv[3], sys.argv[4], "%.3f" % r["median"], "%.3f" % cpu, sys.argv[5]]))
EOF
    echo "done: $task $label" >&2
}

export O="$WORK/out"
row J1 "ours LoadJpeg" 3 "$O/j1o" 'for b in $LARGE; do "$LP" --jpeg-decode "$IN/large/$b.jpg"; done'
row J1 "djpeg (PPM to /dev/null)" 3 "$O/j1d" 'for b in $LARGE; do djpeg -outfile /dev/null "$IN/large/$b.jpg"; done'
row J1 "djpeg (PPM to a file)" 3 "$O/j1f" 'for b in $LARGE; do djpeg -outfile "$O/j1f/$b.ppm" "$IN/large/$b.jpg"; done'
row J1 "IM convert f.jpg null:" 3 "$O/j1i" 'for b in $LARGE; do "$IM" "$IN/large/$b.jpg" null:; done'
row J1 "vips avg (decode+mean)" 3 "$O/j1v" 'for b in $LARGE; do vips avg "$IN/large/$b.jpg" >/dev/null; done'

row J3 "ours --convert f.jpg f.bmp" 3 "$O/j3o" 'for b in $LARGE; do "$LP_APP" --convert "$IN/large/$b.jpg" "$O/j3o/$b.bmp"; done'
row J3 "djpeg -bmp" 3 "$O/j3d" 'for b in $LARGE; do djpeg -bmp -outfile "$O/j3d/$b.bmp" "$IN/large/$b.jpg"; done'
row J3 "(note) ours --convert, fsync a no-op" 3 "$O/j3n" 'for b in $LARGE; do LD_PRELOAD="$NOSYNC" "$LP_APP" --convert "$IN/large/$b.jpg" "$O/j3n/$b.bmp"; done'

row J2 "ours SaveJpeg q75" 3 "$O/j2o" 'for b in $LARGE; do "$LP" --jpeg-encode "$IN/large/$b.ppm" "$O/j2o/$b.jpg" 75; done'
row J2 "cjpeg -quality 75" 3 "$O/j2c" 'for b in $LARGE; do cjpeg -quality 75 -outfile "$O/j2c/$b.jpg" "$IN/large/$b.ppm"; done'
row J2 "IM convert -quality 75" 3 "$O/j2i" 'for b in $LARGE; do "$IM" "$IN/large/$b.ppm" -quality 75 "$O/j2i/$b.jpg"; done'
row J2 "vips jpegsave --Q 75" 3 "$O/j2v" 'for b in $LARGE; do vips jpegsave "$IN/large/$b.ppm" "$O/j2v/$b.jpg" --Q 75; done'

row P1 "ours SavePng (RGB, zlib 9)" 3 "$O/p1o" 'for b in $PHOTOS; do "$LP" --png-encode "$IN/photo/$b.ppm" "$O/p1o/$b.png"; done'
row P1 "IM convert (defaults)" 3 "$O/p1i" 'for b in $PHOTOS; do "$IM" "$IN/photo/$b.ppm" "$O/p1i/$b.png"; done'
row P1 "vips pngsave (defaults)" 3 "$O/p1v" 'for b in $PHOTOS; do vips pngsave "$IN/photo/$b.ppm" "$O/p1v/$b.png"; done'
row P1 "vips pngsave --compression 9 --filter all" 3 "$O/p1w" 'for b in $PHOTOS; do vips pngsave "$IN/photo/$b.ppm" "$O/p1w/$b.png" --compression 9 --filter all; done'

row P2 "ours SavePng (palette)" 3 "$O/p2o" 'for b in $PHOTOS; do "$LP" --png-encode "$WORK/p256/$b.ppm" "$O/p2o/$b.png"; done'
row P2 "IM convert (palette PNG)" 3 "$O/p2i" 'for b in $PHOTOS; do "$IM" "$WORK/p256/$b.ppm" "$O/p2i/$b.png"; done'
row P2 "vips pngsave (defaults, RGB)" 3 "$O/p2v" 'for b in $PHOTOS; do vips pngsave "$WORK/p256/$b.ppm" "$O/p2v/$b.png"; done'

# Our outputs must be what they claim: palette PNGs for P2, RGB for P1 (IHDR colour type).
colour_type() { od -An -tu1 -j25 -N1 "$1" | tr -d ' '; }
for f in "$O"/p1o/*.png; do [ -f "$f" ] || continue; [ "$(colour_type "$f")" = 2 ] || echo "warning: $f is not an RGB PNG" >&2; done
for f in "$O"/p2o/*.png; do [ -f "$f" ] || continue; [ "$(colour_type "$f")" = 3 ] || echo "warning: $f is not a palette PNG" >&2; done

echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $(cjpeg -version 2>&1 | head -1);" \
    "$("$IM" -version | head -1 | cut -d' ' -f2-4); $(vips --version)"
echo
echo "| task | tool | items | median wall s | wall vs ours | cpu s | cpu s/item | cpu vs ours | output bytes |"
echo "|---|---|---:|---:|---:|---:|---:|---:|---:|"
awk -F'\t' '
    { task[NR] = $1; label[NR] = $2; items[NR] = $3; wall[NR] = $4; cpu[NR] = $5; bytes[NR] = $6
      if ($2 ~ /^ours/) { ours[$1] = $5; oursWall[$1] = $4 } }
    END { for (i = 1; i <= NR; ++i)
            printf "| %s | %s | %d | %.3f | %.2f | %.3f | %.3f | %.2f | %s |\n", task[i], label[i], items[i], wall[i],
                   wall[i] / oursWall[task[i]], cpu[i], cpu[i] / items[i], cpu[i] / ours[task[i]],
                   bytes[i] == 0 ? "-" : bytes[i] }' "$ROWS"
