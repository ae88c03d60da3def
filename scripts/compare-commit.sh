#!/usr/bin/env bash
# Runs the same inputs on an earlier commit and on the working tree and lists what changed:
#     scripts/compare-commit.sh REV [OUT]
# Builds the engine's libraries, the JNI library and the jar of REV (extracted under build-compare/) and
# of the working tree in Release, compiles the working tree's driver (scripts/compare/*.cpp) against each
# and, for the Java section, the calls that java_calls.py writes from each side's own Java classes; runs
# the sections on both, COMPARE_JOBS at a time (3 by default), COMPARE_REPEATS times (1), each run for at
# most COMPARE_TIMEOUT seconds (900), with each run's wall time, CPU time and peak memory (by
# /usr/bin/time, which scripts/setup.sh installs); re-times alone, COMPARE_RETIMES times (2) and both sides
# in turn, the sections whose CPU time grew; then writes the report of compare_answers.py to OUT
# (build-compare/report-REV.txt by default) and to standard output. COMPARE_SECTIONS, an extended regular
# expression, runs only the sections whose names it matches ("java" names the Java section). Exit status 0
# once both builds and drivers are made, whatever the report lists; 2 when one of them fails, saying
# which. A side whose Java calls do not build shows the Java section as not finished (status 3).
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
repeats=${COMPARE_REPEATS:-1}
retimes=${COMPARE_RETIMES:-2}
sections_regex=${COMPARE_SECTIONS:-}
timeout_s=${COMPARE_TIMEOUT:-900}
started=$(date +%s)
mkdir -p "$work"

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

# build_libraries SRC BUILD: the layer archives, the start-up object, the JNI library and the jar,
# without tests or benchmarks.
build_libraries() {
    cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
        -DVOVIDO_BUILD_TESTS=OFF -DVOVIDO_BUILD_BENCH=OFF "${launcher[@]}" >"$2.log" 2>&1 &&
        ninja -C "$2" -j "$jobs" vovido_learning vovido_startup vovido vovido_java >>"$2.log" 2>&1
}

# build_java_calls SRC BUILD: the Java calls of SRC's classes, compiled against BUILD's jar into
# BUILD/java-calls; false when they do not compile.
build_java_calls() {
    local calls=$2/java-calls
    rm -rf "$calls"
    mkdir -p "$calls/classes"
    python3 "$root/scripts/compare/java_calls.py" "$1/java/src" "$calls/JavaCalls.java" &&
        cp "$root/scripts/compare/JavaFixture.java" "$calls/" &&
        javac -encoding UTF-8 -nowarn -cp "$2/java/vovido.jar" -d "$calls/classes" "$calls"/*.java
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
build_java_calls "$root" "$work/current" >"$work/current-java.log" 2>&1 ||
    echo "compare-commit: the Java calls of the working tree do not compile (see $work/current-java.log)" >&2
build_java_calls "$rev_src" "$old/build" >"$old/java.log" 2>&1 ||
    echo "compare-commit: the Java calls of $short do not compile (see $old/java.log)" >&2
built=$(date +%s)

# Every section on both sides, the two runs of a section next to each other in the queue; the first run's
# answers are compared, and the median of every run's times counts unless the section is re-timed below.
runs=$work/runs-$short
rm -rf "$runs"
mkdir -p "$runs/old" "$runs/new"
{ "$work/current/compare-answers" --list && echo java; } | grep -E -- "${sections_regex:-.}" >"$runs/new/sections.txt" ||
    fail "no section matches COMPARE_SECTIONS='$sections_regex'" "$runs/new/sections.txt"
cp "$runs/new/sections.txt" "$runs/old/sections.txt"
# run_section BUILD DRIVER DIR INDEX SECTION: the driver's answers, or those of the Java calls of BUILD,
# and the run's wall, user and system times in seconds and peak memory in KB (NNN.rss) where /usr/bin/time
# is there to measure them.
run_section() {
    local build=$1 driver=$2 dir=$3 index=$4 section=$5
    local name
    name=$(printf '%03d' "$index")
    mkdir -p "$dir/scratch-$name"
    local status=0
    local measure=()
    if [ -x /usr/bin/time ]; then measure=(/usr/bin/time -f "%e %U %S %M" -o "$dir/$name.rss"); fi
    if [ "$section" = java ]; then
        if [ -d "$build/java-calls/classes" ] && [ -n "$(ls "$build/java-calls/classes")" ]; then
            # The serial collector, a fixed start heap and the first compiler only: the JVM's own peak
            # memory then varies by 2 % between runs, not by 25 %, and the calls' shows.
            "${measure[@]}" timeout "$timeout_s" java -Xcheck:jni -XX:+UseSerialGC -Xms64m -Xmx512m \
                -XX:TieredStopAtLevel=1 -Djava.library.path="$build" \
                -cp "$build/java/vovido.jar:$build/java-calls/classes" JavaCalls "$data_dir" "$dir/scratch-$name" \
                >"$dir/$name.out" 2>"$dir/$name.err" || status=$?
        else
            status=3
        fi
    else
        "${measure[@]}" timeout "$timeout_s" "$driver" "$section" "$dir/scratch-$name" >"$dir/$name.out" 2>"$dir/$name.err" ||
            status=$?
    fi
    echo "$status" >"$dir/$name.status"
    rm -rf "$dir/scratch-$name"
}
export -f run_section
export timeout_s
export data_dir=$root/tests/data
echo "compare-commit: running $(wc -l <"$runs/new/sections.txt") sections on each side, $repeats times" >&2
for repeat in $(seq 1 "$repeats"); do
    suffix=$([ "$repeat" = 1 ] && echo "" || echo ".repeat$((repeat - 1))")
    mkdir -p "$runs/old$suffix" "$runs/new$suffix"
    index=0
    while IFS= read -r section; do
        printf '%s\0%s\0%s\0%s\0%s\0' "$old/build" "$old/compare-answers" "$runs/old$suffix" "$index" "$section"
        printf '%s\0%s\0%s\0%s\0%s\0' "$work/current" "$work/current/compare-answers" "$runs/new$suffix" "$index" \
            "$section"
        index=$((index + 1))
    done <"$runs/new/sections.txt" | xargs -0 -n 5 -P "$jobs" bash -c 'run_section "$@"' _
done
ran=$(date +%s)

# CPU time on a shared machine still varies with the load (caches, memory, clock): the sections whose CPU
# time grew run again alone, both sides in turn, the first side alternating, and only these runs time them.
slower=$(python3 "$root/scripts/compare/compare_answers.py" "$runs/old" "$runs/new" old new --slower-sections)
echo "compare-commit: re-timing $(echo $slower | wc -w) sections alone, $retimes times" >&2
for again in $(seq 1 "$retimes"); do
    mkdir -p "$runs/old.again$again" "$runs/new.again$again"
    sides=(old new)
    if [ $((again % 2)) = 0 ]; then sides=(new old); fi
    for index in $slower; do
        section=$(sed -n "$((index + 1))p" "$runs/new/sections.txt")
        for side in "${sides[@]}"; do
            if [ "$side" = old ]; then
                run_section "$old/build" "$old/compare-answers" "$runs/old.again$again" "$index" "$section"
            else
                run_section "$work/current" "$work/current/compare-answers" "$runs/new.again$again" "$index" \
                    "$section"
            fi
        done
    done
done
finished=$(date +%s)
{
    edited=$(git -C "$root" diff --quiet HEAD 2>/dev/null || echo ' (with uncommitted changes)')
    echo "Comparison of $short ($rev) with the working tree of $(git -C "$root" rev-parse --short HEAD)$edited"
    echo "Builds $((built - started)) s, runs $((ran - built)) s ($jobs jobs), re-timing $((finished - ran)) s; answers in $runs"
    python3 "$root/scripts/compare/compare_answers.py" "$runs/old" "$runs/new" "$short" "working tree"
} >"$out"
cat "$out"
echo "compare-commit: report in $out" >&2
