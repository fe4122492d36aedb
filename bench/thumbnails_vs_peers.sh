#!/usr/bin/env bash
# Thumbnails of the shared 500-JPEG folder (thumbs/, 1024 x 768) beside the
# peers, in one run (hyperfine, whole processes, each tool paying its own
# start-up). Every tool makes 90 x 90-box JPEG thumbnails at quality 75.
#   cold   ours: lumaprism --thumbnails with an empty cache (a fresh
#          LUMAPRISM_HOME before every run), with the browser's "Speed"
#          options (no colour count, no icons, fast resize: JPEGs decode at a
#          reduced DCT scale) and with its "Features" options (colour count,
#          icons, smoothing resize: full decode)
#   warm   ours: the same command once the cache holds the folder
#   peers  vipsthumbnail -s 90x90, ImageMagick mogrify -thumbnail 90x90 and
#          GraphicsMagick mogrify with a size hint (-size 180x180: its JPEG
#          decoder scales by DCT), the fastest of them
# Ours runs as a user runs it, every core by default, and again with
# --jobs 1; the peers run single-threaded (VIPS_CONCURRENCY=1,
# MAGICK_THREAD_LIMIT=1, OMP_NUM_THREADS=1), as they process one file at a time.
# Inputs: the shared set (/work/shared/bench/make_inputs.sh, default /tmp/lp-bench-in).
#
#   bench/thumbnails_vs_peers.sh [runs]      (default 3)
# LP_BIN=path/to/lumaprism skips the build; LP_BASE_BIN=path/to/another adds
# its cold rows too, for a before-and-after in the same run.
set -euo pipefail
export LC_ALL=C

RUNS=${1:-3}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LP_BENCH_BUILD:-$SRC/build-cache-bench}
IN=${LP_BENCH_IN:-/tmp/lp-bench-in}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/lp_thumbnails_bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

need() { command -v "$1" >/dev/null 2>&1 || { echo "missing: $1 ($2)" >&2; exit 1; }; }
need hyperfine "apt-get install -y hyperfine"
need vipsthumbnail "apt-get install -y libvips-tools"
need mogrify "apt-get install -y imagemagick"
need gm "apt-get install -y graphicsmagick"
need /usr/bin/python3 "apt-get install -y python3"
if [ ! -f "$IN/MANIFEST.sha256" ]; then
    echo "building the shared inputs in $IN" >&2
    /work/shared/bench/make_inputs.sh "$IN" >&2
fi

if [ -z "${LP_BIN:-}" ]; then
    cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_TESTS=OFF >/dev/null
    cmake --build "$BUILD" --target lumaprism >/dev/null
    LP_BIN="$BUILD/lumaprism"
fi
THUMBS="$IN/thumbs"
ITEMS=$(ls "$THUMBS"/*.jpg | wc -l)
export LP_BIN THUMBS WORK VIPS_CONCURRENCY=1 MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1

# A settings file for each option set, in the file the program reads.
settings() {  # HOME_DIR OPTCOLORS OPTLARGEPICS OPTTNAILQLTY
    local dir=$1
    mkdir -p "$dir"
    printf '[Settings]\nCacheInfo=1\nOptColors=%s\nOptLargePics=%s\nOptTnailQlty=%s\n' "$2" "$3" "$4" \
        >"$dir/Lumaprism 2.8.ini"  # ApplicationKey() + ".ini"
}

ROWS="$WORK/rows.tsv"
: >"$ROWS"
row() {  # LABEL PREPARE COMMAND
    local label=$1 prepare=$2 cmd=$3
    hyperfine --style none --runs "$RUNS" --prepare "$prepare" --export-json "$WORK/h.json" "$cmd" >/dev/null 2>&1 \
        || { echo "$label: failed" >&2; return; }
    /usr/bin/python3 - "$WORK/h.json" "$label" >>"$ROWS" <<'EOF'
import json, statistics, sys
r = json.load(open(sys.argv[1]))["results"][0]
cpu = statistics.mean(u + s for u, s in zip(r["user"] if isinstance(r["user"], list) else [r["user"]],
                                            r["system"] if isinstance(r["system"], list) else [r["system"]]))
print("\t".join([sys.argv[2], "%.3f" % r["median"], "%.3f" % cpu]))
EOF
    echo "done: $label" >&2
}

# Fresh cache before every cold run: the settings file stays, CACHE goes.
cold_prepare() { echo "rm -rf '$1/CACHE'"; }
SPEED="$WORK/speed"
FEATURES="$WORK/features"
settings "$SPEED" 1 1 1
settings "$FEATURES" 0 0 0

row "ours cold, Features options (default)" "$(cold_prepare "$FEATURES")" \
    "LUMAPRISM_HOME='$FEATURES' '$LP_BIN' --thumbnails '$THUMBS'"
row "ours cold, Speed options" "$(cold_prepare "$SPEED")" \
    "LUMAPRISM_HOME='$SPEED' '$LP_BIN' --thumbnails '$THUMBS'"
row "ours cold, Features options, --jobs 1" "$(cold_prepare "$FEATURES")" \
    "LUMAPRISM_HOME='$FEATURES' '$LP_BIN' --thumbnails '$THUMBS' --jobs 1"
row "ours cold, Speed options, --jobs 1" "$(cold_prepare "$SPEED")" \
    "LUMAPRISM_HOME='$SPEED' '$LP_BIN' --thumbnails '$THUMBS' --jobs 1"
if [ -n "${LP_BASE_BIN:-}" ]; then
    row "base cold, Features options (default)" "$(cold_prepare "$FEATURES")" \
        "LUMAPRISM_HOME='$FEATURES' '$LP_BASE_BIN' --thumbnails '$THUMBS'"
    row "base cold, Speed options" "$(cold_prepare "$SPEED")" \
        "LUMAPRISM_HOME='$SPEED' '$LP_BASE_BIN' --thumbnails '$THUMBS'"
fi
# Warm: fill once, then every timed run finds the whole folder in the cache.
LUMAPRISM_HOME="$SPEED" "$LP_BIN" --thumbnails "$THUMBS" >/dev/null
LUMAPRISM_HOME="$FEATURES" "$LP_BIN" --thumbnails "$THUMBS" >/dev/null
row "ours warm, Speed options" "true" "LUMAPRISM_HOME='$SPEED' '$LP_BIN' --thumbnails '$THUMBS'"
row "ours warm, Features options" "true" "LUMAPRISM_HOME='$FEATURES' '$LP_BIN' --thumbnails '$THUMBS'"
mkdir -p "$WORK/vips" "$WORK/im" "$WORK/gm"
row "gm mogrify -size 180x180 -thumbnail 90x90" "rm -rf '$WORK/gm'; mkdir -p '$WORK/gm'" \
    "cd '$THUMBS' && gm mogrify -output-directory '$WORK/gm' -size 180x180 -thumbnail 90x90 -quality 75 *.jpg"
row "vipsthumbnail -s 90x90" "rm -rf '$WORK/vips'; mkdir -p '$WORK/vips'" \
    "vipsthumbnail -s 90x90 -o '$WORK/vips/%s.jpg[Q=75]' '$THUMBS'/*.jpg"
row "mogrify -thumbnail 90x90" "rm -rf '$WORK/im'; mkdir -p '$WORK/im'" \
    "mogrify -path '$WORK/im' -thumbnail 90x90 -quality 75 '$THUMBS'/*.jpg"

# Every tool must really have made the thumbnails it is timed for.
LUMAPRISM_HOME="$SPEED" "$LP_BIN" --thumbnails "$THUMBS" | grep -q "from cache $ITEMS, failed 0" \
    || echo "warning: the warm cache does not hold every picture" >&2
[ "$(ls "$WORK/vips" | wc -l)" = "$ITEMS" ] || echo "warning: vipsthumbnail made $(ls "$WORK/vips" | wc -l) files" >&2
[ "$(ls "$WORK/im" | wc -l)" = "$ITEMS" ] || echo "warning: mogrify made $(ls "$WORK/im" | wc -l) files" >&2
[ "$(ls "$WORK/gm" | wc -l)" = "$ITEMS" ] || echo "warning: gm mogrify made $(ls "$WORK/gm" | wc -l) files" >&2

echo "machine: $(nproc --all) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $(vips --version);" \
    "$(mogrify -version | head -1 | cut -d' ' -f2-4); $(gm version | head -1 | cut -d' ' -f1-3); $ITEMS JPEGs 1024x768"
echo
echo "| tool | median wall s | files/s (wall) | cpu s | files/s (cpu) |"
echo "|---|---:|---:|---:|---:|"
awk -F'\t' -v n="$ITEMS" '{ printf "| %s | %.3f | %.0f | %.3f | %.0f |\n", $1, $2, n / $2, $3, n / $3 }' "$ROWS"
