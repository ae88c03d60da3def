#!/usr/bin/env bash
# Checks the format of the sources, then builds and runs every test: one optimised build in which every
# test program is linked twice, with the plain libraries and with copies built under AddressSanitizer and
# UndefinedBehaviorSanitizer (the test sources are compiled once), then the threading tests under
# ThreadSanitizer, then the fuzz targets of the file readers. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc 2>/dev/null || echo 2)

scripts/setup.sh

echo "== source format (clang-format 14)"
scripts/check-format.sh

echo "== optimised build, every test also against the sanitized libraries (ASan + UBSan)"
# Optimised without debug information, which halves the compiler's work; the sanitized copies of the
# libraries are built at -O1 with line tables, so reports still name files and lines.
scripts/build.sh build -DVOVIDO_BUILD_TESTS=ON -DVOVIDO_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" -DVOVIDO_SANITIZED_TESTS=ON
(cd build && ctest --output-on-failure --parallel "$jobs")

echo "== thread sanitizer: separate networks in separate threads"
# One program: the threading tests and the suites of the per-thread state. They run in under a second,
# so the build is unoptimised: compiling is what takes the time here.
cmake -S "$root" -B "$root/build-tsan" -G Ninja -DVOVIDO_WERROR=ON -DVOVIDO_TSAN=ON -DVOVIDO_BUILD_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O0 >/dev/null
cmake --build build-tsan --parallel "$jobs" --target test_threads
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/test_threads

echo "== fuzzing the file readers (clang, libFuzzer); every layer also built without unity batches"
scripts/fuzz.sh "${FUZZ_SECONDS:-10}"
