#!/usr/bin/env bash
# Process start-up and one-photo conversions beside cjpeg, in one run on the
# same inputs (hyperfine, whole processes, each tool paying its own start):
#   S1  "lumaprism --version" | "cjpeg -version"
#   S2  the 12 bench photos, BMP to JPEG at quality 75, one process per photo:
#       lumaprism --convert photo.bmp photo.jpg --quality 75 | cjpeg -quality 75 photo.bmp
# Inputs: the shared set (/work/shared/bench/make_inputs.sh, default /tmp/lp-bench-in).
# Prints a markdown table: median wall time, mean CPU time, ratio ours/cjpeg.
# Also shows which libraries a --version run maps (no Qt library among them).
#
#   bench/startup_vs_cjpeg.sh [runs]      (default 30 for S1, runs/3 for S2)
set -euo pipefail
export LC_ALL=C

RUNS=${1:-30}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LP_BENCH_BUILD:-$SRC/build-bench}
IN=${LP_BENCH_IN:-/tmp/lp-bench-in}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/lp_startup_bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

need() { command -v "$1" >/dev/null 2>&1 || { echo "missing: $1 ($2)" >&2; exit 1; }; }
need hyperfine "apt-get install -y hyperfine"
need cjpeg "apt-get install -y libjpeg-turbo-progs"
need /usr/bin/python3 "apt-get install -y python3"
if [ ! -f "$IN/MANIFEST.sha256" ]; then
    echo "building the shared inputs in $IN" >&2
    /work/shared/bench/make_inputs.sh "$IN" >&2
fi

if [ -z "${LP_BENCH_BINARY:-}" ]; then
    cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_TESTS=OFF >/dev/null
    cmake --build "$BUILD" --target lumaprism >/dev/null
fi
LP=${LP_BENCH_BINARY:-$BUILD/lumaprism}
# A private settings folder: the runs must not read or write the user's.
export LUMAPRISM_HOME="$WORK/home"
mkdir -p "$LUMAPRISM_HOME" "$WORK/ours" "$WORK/cjpeg"

PHOTOS=$(ls "$IN"/photo/*.bmp)
[ "$(echo "$PHOTOS" | wc -l)" -eq 12 ] || { echo "expected 12 photos in $IN/photo" >&2; exit 1; }
OURS="$WORK/ours.sh"
PEER="$WORK/cjpeg.sh"
{
    echo "set -e"
    for p in $PHOTOS; do echo "'$LP' --convert '$p' '$WORK/ours/$(basename "$p" .bmp).jpg' --quality 75 >/dev/null"; done
} >"$OURS"
{
    echo "set -e"
    for p in $PHOTOS; do echo "cjpeg -quality 75 '$p' >'$WORK/cjpeg/$(basename "$p" .bmp).jpg'"; done
} >"$PEER"

S2_RUNS=$(( RUNS / 3 < 3 ? 3 : RUNS / 3 ))
hyperfine --style none -N --warmup 3 --runs "$RUNS" --export-json "$WORK/s1.json" \
    "$LP --version" "cjpeg -version" >/dev/null 2>&1
hyperfine --style none --warmup 1 --runs "$S2_RUNS" --export-json "$WORK/s2.json" \
    "bash $OURS" "bash $PEER" >/dev/null 2>&1

/usr/bin/python3 - "$WORK/s1.json" "$WORK/s2.json" <<'PY'
import json, statistics, sys
print("| task | tool | median wall | mean CPU | ours / cjpeg |")
print("|---|---|---|---|---|")
for task, path, items in (("S1 --version", sys.argv[1], 1), ("S2 12 photos BMP -> JPEG q75", sys.argv[2], 12)):
    res = json.load(open(path))["results"]
    ours, peer = res[0], res[1]
    def cpu(r):
        return r["user"] + r["system"]
    for name, r in (("lumaprism", ours), ("cjpeg", peer)):
        ratio = ours["median"] / peer["median"] if r is ours else 1.0
        print(f"| {task} | {name} | {r['median']*1000:.2f} ms | {cpu(r)*1000:.2f} ms | {ratio:.2f} |")
PY

# The JPEG bytes: ours are written by the same library at the same quality.
same=0
for p in $PHOTOS; do
    b=$(basename "$p" .bmp)
    cmp -s "$WORK/ours/$b.jpg" "$WORK/cjpeg/$b.jpg" && same=$((same + 1))
done
echo
echo "outputs identical to cjpeg's: $same of 12"
echo
echo "libraries a --version run maps:"
ldd "$LP" | awk '{print "  " $1}'
if ldd "$LP" | grep -q libQt; then echo "  (a Qt library is among them)"; fi
