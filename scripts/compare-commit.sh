#!/usr/bin/env bash
# Runs the same inputs on an earlier commit and on the working tree and lists what changed:
#     scripts/compare-commit.sh REV [OUT]
# Builds the engine's libraries of REV (extracted under build-compare/) and of the working tree in
# Release, compiles the working tree's driver (scripts/compare/*.cpp) against each, runs every section of
# it on both, COMPARE_JOBS at a time (3 by default), each for at most COMPARE_TIMEOUT seconds (900), the
# sections whose times grew twice more, alone; then writes the report of compare_answers.py to OUT
# (build-compare/report-REV.txt by default) and to standard output. Exit status 0 once both builds and
# drivers are made, whatever the report lists; 2 when one of them fails, saying which.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: scripts/compare-commit.sh REV [OUT]" >&2
    exit 2
fi
rev=$1
if ! sha=$(git -C "$root" rev-parse --verify --quiet "$rev^{commit}"); then
    echo "compare-commit: no commit '$rev'" >&2
    exit 2
fi
short=${sha:0:9}
work=$root/build-compare
out=${2:-$work/report-$short.txt}
jobs=${COMPARE_JOBS:-3}
timeout_s=${COMPARE_TIMEOUT:-900}
started=$(date +%s)
mkdir -p "$work"

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

# build_libraries SRC BUILD: the layer archives and the start-up object, without tests or benchmarks.
build_libraries() {
    cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
        -DVOVIDO_BUILD_TESTS=OFF -DVOVIDO_BUILD_BENCH=OFF "${launcher[@]}" >"$2.log" 2>&1 &&
        ninja -C "$2" -j "$jobs" vovido_learning vovido_startup >>"$2.log" 2>&1
}

# build_driver SRC BUILD DRIVER [FLAGS...]: the working tree's driver and test helpers, compiled with the
# engine headers of SRC and linked with the libraries in BUILD.
build_driver() {
    local src=$1 build=$2 driver=$3
    shift 3
    local overlay=$driver.include
    rm -rf "$overlay"
    mkdir -p "$overlay/scripts" "$overlay/tests"
    cp -r "$root/scripts/compare" "$overlay/scripts/"
    cp -r "$root/tests/support" "$overlay/tests/"
    local startup
    startup=$(find "$build" -name 'engine_startup.cpp.o' | head -1)
    ${CXX:-c++} -std=c++17 -O2 -DNDEBUG -Wall -Wextra "$@" -I"$overlay" -I"$src" \
        -DVOVIDO_NETWORKS_DIR="\"$root/tests/data/networks\"" -DVOVIDO_TEST_DATA_DIR="\"$root/tests/data\"" \
        "$root"/scripts/compare/*.cpp "$startup" \
        -Wl,--start-group "$build"/libvovido_*.a -Wl,--end-group -lexpat -lgtest -pthread -o "$driver"
}

# Says why there is no report, in OUT too, and stops.
fail() {
    { echo "compare-commit: $1 (see $2)"; tail -n 20 "$2"; } | tee "$out" >&2
    exit 2
}

# REV's source, extracted once per commit; the working tree as it is, uncommitted edits included.
rev_src=$work/rev-$short/src
if [ ! -f "$rev_src/.extracted" ]; then
    rm -rf "$rev_src"
    mkdir -p "$rev_src"
    git -C "$root" archive "$sha" | tar -x -C "$rev_src"
    touch "$rev_src/.extracted"
fi
echo "compare-commit: building $short and the working tree ($jobs jobs)" >&2
old=$work/rev-$short
build_libraries "$rev_src" "$old/build" || fail "the build of $short failed" "$old/build.log"
build_libraries "$root" "$work/current" || fail "the build of the working tree failed" "$work/current.log"
build_driver "$root" "$work/current" "$work/current/compare-answers" -Werror >"$work/current-driver.log" 2>&1 ||
    fail "the driver does not compile against the working tree" "$work/current-driver.log"
build_driver "$rev_src" "$old/build" "$old/compare-answers" >"$old/driver.log" 2>&1 ||
    fail "the driver does not compile against $short: the calls it makes differ there; adapt scripts/compare \
to the calls both have" "$old/driver.log"
built=$(date +%s)

# Every section on both sides, the two runs of a section next to each other in the queue.
runs=$work/runs-$short
rm -rf "$runs"
mkdir -p "$runs/old" "$runs/new"
"$work/current/compare-answers" --list >"$runs/new/sections.txt"
cp "$runs/new/sections.txt" "$runs/old/sections.txt"
run_section() {
    local driver=$1 dir=$2 index=$3 section=$4
    local name
    name=$(printf '%03d' "$index")
    mkdir -p "$dir/scratch-$name"
    local status=0
    timeout "$timeout_s" "$driver" "$section" "$dir/scratch-$name" >"$dir/$name.out" 2>"$dir/$name.err" ||
        status=$?
    echo "$status" >"$dir/$name.status"
    rm -rf "$dir/scratch-$name"
}
export -f run_section
export timeout_s
echo "compare-commit: running $(wc -l <"$runs/new/sections.txt") sections on each side" >&2
index=0
while IFS= read -r section; do
    printf '%s\0%s\0%s\0%s\0' "$old/compare-answers" "$runs/old" "$index" "$section"
    printf '%s\0%s\0%s\0%s\0' "$work/current/compare-answers" "$runs/new" "$index" "$section"
    index=$((index + 1))
done <"$runs/new/sections.txt" | xargs -0 -n 4 -P "$jobs" bash -c 'run_section "$@"' _

# Times on a shared machine vary: the sections with times that grew run twice more, one at a time, both
# sides in turn, and each answer's least time counts.
for again in 1 2; do
    mkdir -p "$runs/old.again$again" "$runs/new.again$again"
    slower=$(python3 "$root/scripts/compare/compare_answers.py" "$runs/old" "$runs/new" old new --slower-sections)
    for index in $slower; do
        section=$(sed -n "$((index + 1))p" "$runs/new/sections.txt")
        run_section "$old/compare-answers" "$runs/old.again$again" "$index" "$section"
        run_section "$work/current/compare-answers" "$runs/new.again$again" "$index" "$section"
    done
done
finished=$(date +%s)
{
    edited=$(git -C "$root" diff --quiet HEAD 2>/dev/null || echo ' (with uncommitted changes)')
    echo "Comparison of $short ($rev) with the working tree of $(git -C "$root" rev-parse --short HEAD)$edited"
    echo "Builds $((built - started)) s, runs $((finished - built)) s; answers in $runs"
    python3 "$root/scripts/compare/compare_answers.py" "$runs/old" "$runs/new" "$short" "working tree"
} >"$out"
cat "$out"
echo "compare-commit: report in $out" >&2
