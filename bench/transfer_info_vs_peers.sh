#!/usr/bin/env bash
# Time to a full TransferInfo beside ImageMagick writing the same three files, in one run on
# the same inputs (hyperfine, whole processes, each tool paying its own start-up):
#   M1  a 1600 x 1200 photo (BMP): ours measures GIF, JPEG q75 and PNG in memory (with the
#       colour count and the 256-colour reduction for the GIF) | ImageMagick writes the
#       three files in one process
#   M2  a 60-frame 400 x 300 animation: ours reads every frame, measures the current frame's
#       three sizes and estimates all frames | ImageMagick reads the file and writes the
#       first frame as the three files
# Inputs: the shared set (/work/shared/bench/make_inputs.sh, default /tmp/lp-bench-in).
#
#   bench/transfer_info_vs_peers.sh [runs]      (default 5)
set -euo pipefail
export LC_ALL=C

RUNS=${1:-5}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LP_BENCH_BUILD:-$SRC/build-bench}
IN=${LP_BENCH_IN:-/tmp/lp-bench-in}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/lp_transfer_bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

command -v hyperfine >/dev/null || { echo "missing: hyperfine (apt-get install -y hyperfine)" >&2; exit 1; }
IM=/usr/bin/convert
[ -x "$IM" ] || IM=$(command -v convert) || { echo "missing: convert (apt-get install -y imagemagick)" >&2; exit 1; }
if [ ! -f "$IN/MANIFEST.sha256" ]; then
    echo "building the shared inputs in $IN" >&2
    /work/shared/bench/make_inputs.sh "$IN" >&2
fi

cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_BENCH=ON -DLP_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target transfer_info_bench >/dev/null
LP="$BUILD/bench/transfer_info_bench"
PHOTO="$IN/photo/p01_aqua.bmp"
ANIM="$IN/anim/a2_plasma_ball.gif"
O="$WORK/out"
mkdir -p "$O"

ROWS="$WORK/rows.tsv"
: >"$ROWS"
row() {
    local task=$1 label=$2 cmd=$3
    hyperfine --style none --runs "$RUNS" --warmup 1 --export-json "$WORK/h.json" "$cmd" >/dev/null 2>&1 ||
        { echo "$label: failed" >&2; return; }
    /usr/bin/python3 - "$WORK/h.json" "$task" "$label" >>"$ROWS" <<'PY'
import json, statistics, sys
r = json.load(open(sys.argv[1]))["results"][0]
user = r["user"] if isinstance(r["user"], list) else [r["user"]]
system = r["system"] if isinstance(r["system"], list) else [r["system"]]
cpu = statistics.mean(u + s for u, s in zip(user, system))
print("\t".join([sys.argv[2], sys.argv[3], "%.3f" % r["median"], "%.3f" % cpu]))
PY
    echo "done: $task $label" >&2
}

row M1 "ours --analyze" "'$LP' --analyze '$PHOTO' >/dev/null"
row M1 "IM convert -> png, jpg q75, gif" "'$IM' '$PHOTO' -write '$O/p.png' -quality 75 -write '$O/p.jpg' '$O/p.gif'"
row M2 "ours --analyze" "'$LP' --analyze '$ANIM' >/dev/null"
row M2 "IM convert [0] -> png, jpg q75, gif" "'$IM' '$ANIM[0]' -write '$O/a.png' -quality 75 -write '$O/a.jpg' '$O/a.gif'"

echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $("$IM" -version | head -1 | cut -d' ' -f2-4)"
echo
"$LP" --analyze "$PHOTO" "$ANIM"
echo
echo "| task | tool | median wall s | cpu s | cpu vs ours |"
echo "|---|---|---:|---:|---:|"
awk -F'\t' '
    { task[NR] = $1; label[NR] = $2; wall[NR] = $3; cpu[NR] = $4; if ($2 ~ /^ours/) ours[$1] = $4 }
    END { for (i = 1; i <= NR; ++i)
            printf "| %s | %s | %.3f | %.3f | %.2f |\n", task[i], label[i], wall[i], cpu[i], cpu[i] / ours[task[i]] }' "$ROWS"
