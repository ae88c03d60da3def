#!/usr/bin/env bash
# Builds the libFuzzer targets of the file readers with clang and runs each one briefly from a small
# seed corpus: scripts/fuzz.sh [SECONDS_PER_TARGET]. Exits non-zero when a target finds a fault.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-20}
jobs=$(nproc 2>/dev/null || echo 2)
targets=(lexer_fuzz vrx_reader_fuzz xml_reader_fuzz xml_network_fuzz expression_fuzz hugin_reader_fuzz
         netica_reader_fuzz)

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOVIDO_FUZZ=ON \
    -DVOVIDO_BUILD_TESTS=OFF -DVOVIDO_BUILD_BENCH=OFF -DVOVIDO_WERROR=ON >/dev/null
cmake --build build-fuzz --parallel "$jobs" --target "${targets[@]}"

networks="$root/tests/data/networks"
for target in "${targets[@]}"; do
    corpus=$(mktemp -d)
    case $target in
        lexer_fuzz|vrx_reader_fuzz) cp examples/asia.vrx "$corpus/" ;;
        hugin_reader_fuzz) cp "$networks/asia.net" tests/data/formats/{asia_bnlearn,car_buyer_id}.net "$corpus/" ;;
        netica_reader_fuzz) cp tests/data/formats/*.dne "$corpus/" ;;
        expression_fuzz)
            i=0
            for e in 'y=2*x+1' '-(a+b)*c^-2' 'a ? b : c<>d ? Max(1,2,3) : -Sin(x)' \
                     'Normal(0.5,1e-3)+Beta(2,5)*Switch(x,1,2,3)' 'Log(8,x)=0x1p3-.5e+2' '((x<=1)>=(y>2))/3'; do
                printf '%s' "$e" > "$corpus/seed$i"
                i=$((i + 1))
            done ;;
        *) [ -f "$networks/asia.xvrx" ] && cp "$networks/asia.xvrx" "$corpus/"
           cp tests/fuzz/seeds/*.xvrx "$corpus/" ;;
    esac
    echo "== fuzzing $target for ${seconds}s"
    # The fuzzer's status is taken from the pipe by hand: under set -e a failure would end the script
    # before the report and the clean-up.
    status=0
    build-fuzz/tests/fuzz/"$target" -max_total_time="$seconds" -rss_limit_mb=2048 \
        -artifact_prefix=build-fuzz/"$target"- "$corpus" >build-fuzz/"$target".log 2>&1 || status=$?
    tail -n 3 build-fuzz/"$target".log
    rm -rf "$corpus"
    if [ "$status" -ne 0 ]; then
        echo "FAILED: $target exited with status $status; log build-fuzz/$target.log; crash input:"
        ls build-fuzz/"$target"-* 2>/dev/null || echo "(none written)"
        exit 1
    fi
done
