#!/usr/bin/env bash
# Mirroring a web site: "lumaprism --optimize-site" at all levels beside
# "wget --mirror --page-requisites", both against the same local server in the
# same run.
#
#   bench/site_mirror_vs_wget.sh [runs]     (default 5)
#
# The site is generated here: 200 pages in 10 folders (each page links to the
# next ones, so the tree is several levels deep) and 400 images (2 per page,
# half with declared WIDTH/HEIGHT) copied from small pictures of the shared
# corpora. It is served by python3's http.server on 127.0.0.1.
#
# Rows: wget; lumaprism --mirror-only (download only, the same work as wget);
# lumaprism with tag rewriting and image optimization (the whole job).
# Figures: hyperfine's mean and standard deviation of wall time.
set -euo pipefail

RUNS=${1:-5}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LP_BENCH_BUILD:-$SRC/build-bench}
CORPUS=${LP_CORPUS:-$SRC/../shared/corpora}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/lp_site_bench.XXXXXX")
SERVER_PID=
cleanup() {
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

need() { command -v "$1" >/dev/null 2>&1 || { echo "missing: $1 ($2)" >&2; exit 1; }; }
need wget "apt-get install -y wget"
need hyperfine "apt-get install -y hyperfine"
need python3 "apt-get install -y python3"

if [ -z "${LP_BINARY:-}" ]; then
    cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLP_BUILD_TESTS=OFF >/dev/null
    cmake --build "$BUILD" --target lumaprism >/dev/null
    LP_BINARY="$BUILD/lumaprism"
fi

# The site.
python3 - "$WORK/site" "$CORPUS" <<'PY'
import os, shutil, sys
site, corpus = sys.argv[1], sys.argv[2]
pictures = [
    os.path.join(corpus, "png/pngsuite/basn2c08.png"),
    os.path.join(corpus, "png/pngsuite/basn3p08.png"),
    os.path.join(corpus, "gif/image-gif-tests/samples/interlaced.gif"),
    os.path.join(corpus, "jpeg/libjpeg-turbo-testimages/testorig.jpg"),
]
for p in pictures:
    if not os.path.exists(p):
        sys.exit("missing corpus picture " + p)
os.makedirs(os.path.join(site, "img"))
pages = [f"f{i // 20}/p{i}.html" for i in range(200)]
images = []
for n in range(400):
    src = pictures[n % len(pictures)]
    name = f"img/i{n}{os.path.splitext(src)[1]}"
    shutil.copy(src, os.path.join(site, name))
    images.append(name)
def page(i):
    here = os.path.dirname(pages[i])
    rel = lambda target: os.path.relpath(target, here)
    links = "".join(f'<a href="{rel(pages[j])}">page {j}</a>\n' for j in (2 * i + 1, 2 * i + 2) if j < 200)
    imgs = ""
    for k in (2 * i, 2 * i + 1):
        size = ' width="32" height="32"' if k % 2 else ""
        imgs += f'<img src="{rel(images[k])}"{size}>\n'
    return f"<html><head><title>Page {i}</title></head><body>\n<p>{'text ' * 200}</p>\n{imgs}{links}</body></html>\n"
for i, p in enumerate(pages):
    os.makedirs(os.path.join(site, os.path.dirname(p)), exist_ok=True)
    with open(os.path.join(site, p), "w") as f:
        f.write(page(i))
with open(os.path.join(site, "index.html"), "w") as f:
    f.write('<html><body><a href="f0/p0.html">start</a></body></html>\n')
PY

PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()')
python3 -m http.server --bind 127.0.0.1 --directory "$WORK/site" "$PORT" >/dev/null 2>&1 &
SERVER_PID=$!
for _ in $(seq 50); do
    python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$PORT/index.html')" 2>/dev/null && break
    sleep 0.1
done
URL="http://127.0.0.1:$PORT/index.html"
for name in http_proxy HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY; do unset "$name"; done
export LUMAPRISM_HOME="$WORK/home"
mkdir -p "$LUMAPRISM_HOME"

# Check once that every side gets the whole site before timing.
(cd "$WORK" && wget -q --mirror --page-requisites --no-parent -P out-wget "$URL")
(cd "$WORK" && "$LP_BINARY" --optimize-site "$URL" out-lp --levels 6 --mirror-only >/dev/null)
echo "wget files:      $(find "$WORK/out-wget" -type f | wc -l)"
echo "lumaprism files: $(find "$WORK/out-lp" -type f | wc -l)"

cd "$WORK"
hyperfine --runs "$RUNS" --warmup 1 --prepare 'rm -rf out-wget out-lp out-full' \
    -n "wget --mirror --page-requisites" "wget -q --mirror --page-requisites --no-parent -P out-wget $URL" \
    -n "lumaprism --optimize-site --mirror-only" "$LP_BINARY --optimize-site $URL out-lp --levels 6 --mirror-only" \
    -n "lumaprism --optimize-site (rewrite + optimize)" "$LP_BINARY --optimize-site $URL out-full --levels 6"
