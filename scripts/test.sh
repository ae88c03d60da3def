#!/usr/bin/env bash
# Builds and runs every test: an optimised build, then a build under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the threading tests under ThreadSanitizer. Exits non-zero on any
# failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc 2>/dev/null || echo 2)

scripts/setup.sh

echo "== optimised build"
# Optimised without debug information, which halves the compiler's work.
scripts/build.sh build -DVOVIDO_BUILD_TESTS=ON -DVOVIDO_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG"
(cd build && ctest --output-on-failure --parallel "$jobs")

echo "== sanitizer build (ASan + UBSan)"
# At -O1 with line tables only: the sanitized tests run several times faster than at -O0, and reports
# still name files and lines.
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1" -DVOVIDO_SANITIZE=ON \
    -DVOVIDO_BUILD_BENCH=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure --parallel "$jobs")

echo "== thread sanitizer: separate networks in separate threads"
# One program: the threading tests and the suites of the per-thread state, built at -O1 to keep this
# step short.
cmake -S "$root" -B "$root/build-tsan" -G Ninja -DVOVIDO_WERROR=ON -DVOVIDO_TSAN=ON -DVOVIDO_BUILD_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1 >/dev/null
cmake --build build-tsan --parallel "$jobs" --target test_threads
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/test_threads

echo "== fuzzing the file readers (clang, libFuzzer)"
scripts/fuzz.sh "${FUZZ_SECONDS:-10}"
