#!/usr/bin/env bash
# Builds the libFuzzer targets of the file readers with clang and runs each one briefly from a small
# seed corpus: scripts/fuzz.sh [SECONDS_PER_TARGET]. Targets run side by side, one per core. Exits
# non-zero when a target finds a fault, naming the target, its log and its crash input.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-10}
jobs=$(nproc 2>/dev/null || echo 2)
targets=(lexer_fuzz vrx_reader_fuzz xml_reader_fuzz xml_network_fuzz expression_fuzz hugin_reader_fuzz
         netica_reader_fuzz xmlbif_reader_fuzz msbn_reader_fuzz ergo_reader_fuzz data_file_fuzz)

# The libraries the readers call into are built unoptimised; the instrumented readers themselves at -O1.
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O0 -g1" -DVOVIDO_FUZZ=ON \
    -DVOVIDO_BUILD_TESTS=OFF -DVOVIDO_BUILD_BENCH=OFF -DVOVIDO_WERROR=ON >/dev/null
# The fuzz build compiles one source at a time (no unity batches), so building every layer and the Java
# natives here too checks, for little more time, that each source includes what it uses.
layers=(vovido_base vovido_model vovido_inference vovido_equations vovido_xml vovido_formats vovido_engine
        vovido_learning vovido)
cmake --build build-fuzz --parallel "$jobs" --target "${targets[@]}" "${layers[@]}"

networks="$root/tests/data/networks"

# Fills the corpus directory with the target's seeds.
seed() {
    local target=$1 corpus=$2 i=0 e
    case $target in
        # The own text format's target reads every input as a KI file too.
        lexer_fuzz|vrx_reader_fuzz) cp examples/asia.vrx tests/fuzz/seeds/*.dxp "$corpus/" ;;
        hugin_reader_fuzz) cp "$networks/asia.net" tests/data/formats/{asia_bnlearn,car_buyer_id}.net "$corpus/" ;;
        netica_reader_fuzz) cp tests/data/formats/*.dne "$corpus/" ;;
        xmlbif_reader_fuzz) cp tests/data/formats/*.xml "$corpus/" ;;
        msbn_reader_fuzz) cp tests/data/formats/*.dsc tests/fuzz/seeds/*.dsc "$corpus/" ;;
        ergo_reader_fuzz) cp tests/data/formats/*.erg "$corpus/" ;;
        data_file_fuzz)
            printf 'a,b,c\n1,2,3\n4,5.5,x\n*,0,y\n' > "$corpus/seed0"
            printf 'x y\n1 2\n2 1\n1 1\n' > "$corpus/seed1" ;;
        expression_fuzz)
            for e in 'y=2*x+1' '-(a+b)*c^-2' 'a ? b : c<>d ? Max(1,2,3) : -Sin(x)' \
                     'Normal(0.5,1e-3)+Beta(2,5)*Switch(x,1,2,3)' 'Log(8,x)=0x1p3-.5e+2' '((x<=1)>=(y>2))/3'; do
                printf '%s' "$e" > "$corpus/seed$i"
                i=$((i + 1))
            done ;;
        *) [ -f "$networks/asia.xvrx" ] && cp "$networks/asia.xvrx" "$corpus/"
           cp tests/fuzz/seeds/*.xvrx "$corpus/" ;;
    esac
}

# Runs one target; its status file holds the fuzzer's exit status.
fuzz() {
    local target=$1 corpus status=0
    corpus=$(mktemp -d)
    seed "$target" "$corpus"
    # One table at the size limit (2^28 cells, 2 GiB) is admitted, built once; nothing beyond it.
    build-fuzz/tests/fuzz/"$target" -max_total_time="$seconds" -rss_limit_mb=2560 -malloc_limit_mb=2049 \
        -artifact_prefix=build-fuzz/"$target"- "$corpus" >build-fuzz/"$target".log 2>&1 || status=$?
    rm -rf "$corpus"
    echo "$status" > build-fuzz/"$target".status
}

echo "== fuzzing ${#targets[@]} targets for ${seconds}s each, $jobs at a time"
running=0
for target in "${targets[@]}"; do
    rm -f build-fuzz/"$target"-* build-fuzz/"$target".status
    fuzz "$target" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
wait || true

failed=0
for target in "${targets[@]}"; do
    status=$(cat build-fuzz/"$target".status 2>/dev/null || echo "none")
    echo "== $target: $(tail -n 1 build-fuzz/"$target".log)"
    if [ "$status" != 0 ]; then
        echo "FAILED: $target exited with status $status; log build-fuzz/$target.log; crash input:"
        ls build-fuzz/"$target"-* 2>/dev/null || echo "(none written)"
        failed=1
    fi
done
exit "$failed"
