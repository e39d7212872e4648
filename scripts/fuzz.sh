#!/bin/sh
# Runs every fuzz harness for SECONDS each (default 600), two at a time,
# starting from its seed corpus and dictionary. New inputs collect in
# build-fuzz/work/<name>, crashes and hangs in build-fuzz/artifacts/<name>;
# a crash that was fixed belongs in fuzz/corpus/<name>/ as a regression.
# Prints executions per second for each harness; exits non-zero when one
# found a crash, a leak or a hang.
#   ./scripts/fuzz.sh [SECONDS] [HARNESS...]
set -eu
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-600}
[ $# -gt 0 ] && shift
BUILD=${FUZZ_BUILD_DIR:-build-fuzz}
# Absolute paths: some harnesses work in a temporary folder of their own.
ROOT=$(pwd)

./scripts/deps.sh
if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S fuzz -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$BUILD" -j2 >/dev/null

if [ $# -gt 0 ]; then
    names="$*"
else
    # The harness executables only: the build folder also holds fuzz_*_autogen
    # folders, whose contents `ls fuzz_*` would list as names.
    names=$(cd "$BUILD" && for f in fuzz_*; do
        if [ -f "$f" ] && [ -x "$f" ]; then echo "${f#fuzz_}"; fi
    done)
fi

mkdir -p "$BUILD/logs"
run_one() {
    name=$1
    work="$ROOT/$BUILD/work/$name"
    artifacts="$ROOT/$BUILD/artifacts/$name"
    mkdir -p "$work" "$artifacts"
    dict=""
    [ -f "fuzz/dict/$name.dict" ] && dict="-dict=$ROOT/fuzz/dict/$name.dict"
    # shellcheck disable=SC2086
    "$BUILD/fuzz_$name" "$work" "$ROOT/fuzz/corpus/$name" $dict \
        -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" \
        >"$BUILD/logs/$name.log" 2>&1
}

pids=""
failed=0
set -- $names
while [ $# -gt 0 ]; do
    run_one "$1" & p1=$!
    n1=$1; shift
    if [ $# -gt 0 ]; then
        run_one "$1" & p2=$!
        n2=$1; shift
    else
        p2=""; n2=""
    fi
    wait "$p1" || { echo "fuzz_$n1: FAILED (see $BUILD/logs/$n1.log)"; failed=1; }
    if [ -n "$p2" ]; then
        wait "$p2" || { echo "fuzz_$n2: FAILED (see $BUILD/logs/$n2.log)"; failed=1; }
    fi
done

for name in $names; do
    log="$BUILD/logs/$name.log"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    echo "fuzz_$name: ${SECONDS_EACH}s, ${runs:-?} runs, ${rate:-?} exec/s, $cov, peak RSS ${rss:-?} MB"
done
exit $failed
