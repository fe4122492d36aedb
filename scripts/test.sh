#!/usr/bin/env bash
# Installs what is needed, then builds and runs the whole test suite, and the
# core library's tests once more under AddressSanitizer + UndefinedBehaviorSanitizer
# (the sanitizer build leaves the windows out: the GUI tests run once, above).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh runtime build test
jobs="$(nproc)"

# ccache keeps its cache outside the clone (~/.cache/ccache); paths relative to
# the clone and no working directory in the hash let a fresh clone in another
# folder hit what an earlier run compiled.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-5G}"
command -v ccache >/dev/null && ccache --zero-stats >/dev/null

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLP_BUILD_TESTS=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLP_SANITIZE=ON -DLP_GUI=OFF -DLP_BUILD_TESTS=ON
cmake --build build-asan -j"$jobs" --target lumaprism lumaprism_tests
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

command -v ccache >/dev/null && ccache --show-stats | grep -Ei 'hits|misses' || true
