#!/usr/bin/env bash
# Builds and runs every test: an optimised build, then a build under AddressSanitizer and
# UndefinedBehaviorSanitizer. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc 2>/dev/null || echo 2)

scripts/setup.sh

echo "== optimised build"
scripts/build.sh build -DVOVIDO_BUILD_TESTS=ON -DVOVIDO_BUILD_BENCH=ON
(cd build && ctest --output-on-failure --parallel "$jobs")

echo "== sanitizer build (ASan + UBSan)"
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVOVIDO_SANITIZE=ON -DVOVIDO_BUILD_BENCH=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure --parallel "$jobs")

echo "== fuzzing the file readers (clang, libFuzzer)"
scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
