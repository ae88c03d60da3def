#!/usr/bin/env bash
# Configures and builds one build directory: scripts/build.sh DIR [extra CMake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S "$root" -B "$root/$dir" -G Ninja -DVOVIDO_WERROR=ON "$@" >/dev/null
cmake --build "$root/$dir" --parallel "$jobs"
