#!/usr/bin/env bash
# Installs what building and running need (not the test tools), builds
# lumaprism and runs a command-line job on the sample picture: resize it to
# 200 pixels wide (the height keeps the aspect).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build runtime
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLP_BUILD_TESTS=OFF
cmake --build build --target lumaprism -j"$(nproc)"
mkdir -p out
cd out
../build/lumaprism -i../resources/sample/sample.bmp -osample-200.bmp -w200
echo "Wrote out/sample-200.bmp:"
if command -v identify >/dev/null; then identify sample-200.bmp; else ls -l sample-200.bmp; fi
