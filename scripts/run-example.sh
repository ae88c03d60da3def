#!/usr/bin/env bash
# Builds the engine and runs the example program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target table_demo --parallel "$(nproc 2>/dev/null || echo 2)" >/dev/null
build/examples/table_demo "$@"
