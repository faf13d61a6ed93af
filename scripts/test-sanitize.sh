#!/usr/bin/env bash
# Builds the whole project with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-sanitize/ and runs the test suite there.
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR=${SANITIZE_BUILD_DIR:-build-sanitize}
CMAKE_ARGS="-DCORVAMO_SANITIZE=ON -DCORVAMO_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug" bash scripts/setup.sh
# Leaks inside Qt's and fontconfig's caches are not ours; everything else fails the run.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)"
