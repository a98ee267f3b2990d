#!/usr/bin/env bash
# Sets up a fresh machine and runs every test:
#   1. the sanitizer build (AddressSanitizer + UBSan, warnings are errors) and all of ctest;
#   2. the Release build of the game, the tests and the benchmarks: all of ctest again (a test
#      must not rest on what the sanitizers change, such as where freed memory goes), and
#      each benchmark run once briefly as a smoke check (figures are read by people, never gated);
#   3. the libFuzzer targets (clang-14), replaying their seed corpora with a fixed seed.
# After ctest in each build, every test program also runs whole in one process, shuffled and
# twice over (scripts/repeat-tests.sh): ctest gives each test a process of its own, which hides
# a test that leans on what an earlier one left behind.
# The summary at the end counts the tests that passed and names every test that skipped
# (ctest's and those of the runs in one process): a skip is never counted as passed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

# The tests ctest lists as not run in a build's summary log, one "name (why)" a line.
not_run() {
    sed -n '/^The following tests did not run:/,/^$/ s/^[[:space:]]*[0-9]* - //p' "$1/ctest-summary.log"
}
# How many tests of a build's ctest run passed: all those run, less those that did not run.
passed() {
    local total
    total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$1/ctest-summary.log" | tail -n 1)
    echo $(( ${total:-0} - $(not_run "$1" | wc -l) ))
}
# Every test of a build that skipped, under ctest or in the runs in one process.
skipped() {
    not_run "$1" | sed 's/^/ctest: /'
    sed 's/^/in one process: /' "$1/repeat-skipped.txt"
}

scripts/install-deps.sh test

jobs=$(nproc)
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null LP_NUM_THREADS=2
unset DISPLAY WAYLAND_DISPLAY

echo "== sanitizer build and tests"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DTOLLIVAN_SANITIZE=ON -DTOLLIVAN_WERROR=ON -DTOLLIVAN_TESTS=ON > build-test-configure.log \
    || { cat build-test-configure.log; exit 1; }
rm -f build-test-configure.log
cmake --build build/test -j "$jobs"
scripts/check-test-environment.sh build/test
ctest --test-dir build/test -j "$jobs" --output-on-failure | tee build/test/ctest-summary.log
scripts/repeat-tests.sh build/test

echo "== release build, tests and benchmark smoke run"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DTOLLIVAN_TESTS=ON -DTOLLIVAN_BENCH=ON -DTOLLIVAN_WERROR=ON > /dev/null
cmake --build build/release -j "$jobs"
scripts/check-test-environment.sh build/release
ctest --test-dir build/release -j "$jobs" --output-on-failure | tee build/release/ctest-summary.log
scripts/repeat-tests.sh build/release
for b in $(cat build/release/benches.txt); do
    echo "-- $b"
    build/release/bench/"$b" --benchmark_min_time=0.01 > /dev/null
done

echo "== fuzz targets: seed corpus replay"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
      -DTOLLIVAN_TESTS=OFF -DTOLLIVAN_FUZZ=ON > /dev/null
fuzzers=$(cat build/fuzz/fuzzers.txt)
if [ -n "$fuzzers" ]; then
    cmake --build build/fuzz -j "$jobs" --target $fuzzers
    for f in $fuzzers; do
        corpus="fuzz/corpus/${f#fuzz_}"
        scratch=$(mktemp -d)
        echo "-- $f"
        # New inputs go to the scratch folder, never into the committed corpus.
        if [ -d "$corpus" ]; then
            build/fuzz/fuzz/"$f" -seed=1 -runs=2000 -max_len=65536 "$scratch" "$corpus" 2> "$scratch.log" \
                || { tail -n 40 "$scratch.log"; exit 1; }
        else
            build/fuzz/fuzz/"$f" -seed=1 -runs=2000 -max_len=65536 "$scratch" 2> "$scratch.log" \
                || { tail -n 40 "$scratch.log"; exit 1; }
        fi
        rm -rf "$scratch" "$scratch.log"
    done
fi
echo "== all tests passed"
skips=$( { skipped build/test | sed 's/^/sanitizer build, /'; skipped build/release | sed 's/^/release build, /'; } )
summary="tests: $(passed build/test) passed in the sanitizer build, $(passed build/release) in the release build, 0 failed"
if [ -z "$skips" ]; then
    echo "$summary, 0 skipped"
else
    echo "$summary; skipped, not counted as passed:"
    sed 's/^/  /' <<< "$skips"
fi
