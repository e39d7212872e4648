#!/bin/sh
# The fuzz harnesses replay their corpora (seeds and every crash found and
# fixed); then the window-free libraries (toolkit core, persistence, socket,
# http) and their tests, the hostile-server cases of the fetch tool among
# them, are built with AddressSanitizer and UndefinedBehaviorSanitizer and
# run. Any sanitizer report, leak or failed invariant fails the run.
#   ASAN_BUILD_DIR (default build-asan), FUZZ_BUILD_DIR (default build-fuzz)
set -eu
cd "$(dirname "$0")/.."
ASAN_BUILD=${ASAN_BUILD_DIR:-build-asan}
FUZZ_BUILD=${FUZZ_BUILD_DIR:-build-fuzz}
JOBS=${SANITIZE_JOBS:-2}
FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

./scripts/deps.sh

echo "== fuzz corpus replay ($FUZZ_BUILD)"
if [ ! -f "$FUZZ_BUILD/build.ninja" ]; then
    cmake -S fuzz -B "$FUZZ_BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$FUZZ_BUILD" -j "$JOBS"
passed=0
failed=0
for corpus in "$(pwd)"/fuzz/corpus/*/; do
    name=$(basename "$corpus")
    harness="$FUZZ_BUILD/fuzz_$name"
    [ -x "$harness" ] || continue
    # Each input of the corpus once, no mutation.
    if "$harness" -runs=0 -timeout=20 -rss_limit_mb=2048 "$corpus" >"$FUZZ_BUILD/replay_$name.log" 2>&1; then
        echo "replay fuzz_$name: $(ls "$corpus" | wc -l) inputs, ok"
        passed=$((passed + 1))
    else
        echo "replay fuzz_$name: FAILED"
        tail -n 40 "$FUZZ_BUILD/replay_$name.log"
        failed=$((failed + 1))
    fi
done
echo "fuzz corpus replay: $passed harnesses clean, $failed with findings"
[ "$failed" -eq 0 ]

echo "== sanitizer build ($ASAN_BUILD)"
if [ ! -f "$ASAN_BUILD/build.ninja" ]; then
    cmake -S . -B "$ASAN_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRELON_CORE_ONLY=ON \
        -DCMAKE_CXX_FLAGS="$FLAGS" -DCMAKE_EXE_LINKER_FLAGS="$FLAGS" >/dev/null
fi
cmake --build "$ASAN_BUILD" -j "$JOBS"

# A report anywhere ends that test process with a failure; leaks are checked
# at every exit.
ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS UBSAN_OPTIONS
ctest --test-dir "$ASAN_BUILD" --output-on-failure -j "$JOBS"

