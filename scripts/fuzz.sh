#!/usr/bin/env bash
# Builds the libFuzzer targets of the file readers with clang and runs each one briefly from a small
# seed corpus: scripts/fuzz.sh [SECONDS_PER_TARGET]. Exits non-zero when a target finds a fault.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-20}
jobs=$(nproc 2>/dev/null || echo 2)
targets=(lexer_fuzz vrx_reader_fuzz xml_reader_fuzz xml_network_fuzz)

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOVIDO_FUZZ=ON \
    -DVOVIDO_BUILD_TESTS=OFF -DVOVIDO_BUILD_BENCH=OFF -DVOVIDO_WERROR=ON >/dev/null
cmake --build build-fuzz --parallel "$jobs" --target "${targets[@]}"

networks="$root/../shared/networks"
for target in "${targets[@]}"; do
    corpus=$(mktemp -d)
    case $target in
        lexer_fuzz|vrx_reader_fuzz) cp examples/asia.vrx "$corpus/" ;;
        *) [ -f "$networks/asia.xvrx" ] && cp "$networks/asia.xvrx" "$corpus/" ;;
    esac
    echo "== fuzzing $target for ${seconds}s"
    build-fuzz/tests/fuzz/"$target" -max_total_time="$seconds" -rss_limit_mb=2048 \
        -artifact_prefix=build-fuzz/"$target"- "$corpus" 2>&1 | tail -n 3
    status=${PIPESTATUS[0]}
    rm -rf "$corpus"
    [ "$status" -eq 0 ] || { echo "$target found a fault (artifact in build-fuzz/)"; exit 1; }
done
