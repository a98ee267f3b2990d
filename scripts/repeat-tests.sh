#!/usr/bin/env bash
# Runs each test program of a build whole in one process, its tests shuffled and run twice,
# with the environment ctest gives every test. ctest starts a process for each test, so a test
# that leans on a file, a setting or a counter an earlier test left behind passes there and
# only shows here.
#   Usage: scripts/repeat-tests.sh <build folder> [seed]
# The seed (default 1) fixes the order, so that a failure can be repeated:
#   <program> --gtest_shuffle --gtest_repeat=2 --gtest_random_seed=<seed>
# The tests that skipped are named at the end and listed in <build folder>/repeat-skipped.txt,
# one "program: test" a line.
set -euo pipefail
build=$1
seed=${2:-1}
jobs=${TV_JOBS:-$(nproc)}

# Under the sanitizers the level scenarios, the level start and services and the data tools take
# half a minute to three minutes each run twice, together three times as long as all the
# other programs: there they are left to ctest, which runs them test by test in parallel,
# and to this run of the Release build, where they take seconds.
slow='^$'
if grep -q '^TOLLIVAN_SANITIZE:BOOL=ON$' "$build/CMakeCache.txt"; then
    slow='^test_game_Scenario_test$|^test_game_level_(LevelServices|LevelStart)_test$|^test_tools_datagen_DataGen_test$'
fi

mapfile -t environment < <(grep -v '^TIMEOUT=' "$build/test-environment.txt")
programs=()
while IFS= read -r program; do
    [[ $(basename "$program") =~ $slow ]] || programs+=("$program")
done < <(find "$build/tests" -type f -executable -name 'test_*' | sort)
if [ ${#programs[@]} -eq 0 ]; then
    echo "no test programs in $build/tests" >&2
    exit 1
fi

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
run_one() {
    local program=$1 name status
    name=$(basename "$program")
    if env "${environment[@]}" timeout 600 "$program" --gtest_shuffle --gtest_repeat=2 \
            --gtest_random_seed="$seed" > "$logs/$name.log" 2>&1; then
        status=passed
    else
        status=failed
        echo "$name" >> "$logs/failed"
    fi
    # A skipped test is named in its own line and again in the list at the end of each round.
    sed -n -E 's/^\[  SKIPPED \] ([^ ,]+)(,.*| \([0-9]+ ms\))?$/\1/p' "$logs/$name.log" | sort -u \
        | sed "s/^/$name: /" > "$logs/$name.skipped"
    [ "$status" = failed ] || rm -f "$logs/$name.log"
}
export -f run_one
export logs seed
# The environment is an array, which a child shell does not inherit; it goes as lines.
printf '%s\n' "${environment[@]}" > "$logs/environment"
printf '%s\n' "${programs[@]}" \
    | xargs -P "$jobs" -I{} bash -c 'mapfile -t environment < "$logs/environment"; run_one "$1"' _ {}

cat "$logs"/*.skipped | sort > "$build/repeat-skipped.txt"

if [ -f "$logs/failed" ]; then
    while IFS= read -r name; do
        echo "-- $name failed shuffled and repeated (seed $seed):"
        # Each failure with the lines that say what it found, then how the program ended.
        grep -E -A8 ': Failure$|ERROR: [A-Za-z]+Sanitizer|runtime error|exception' "$logs/$name.log" \
            | head -n 80 || true
        tail -n 12 "$logs/$name.log"
    done < <(sort "$logs/failed")
    exit 1
fi
echo "all ${#programs[@]} test programs pass shuffled and repeated in one process (seed $seed)"
if [ -s "$build/repeat-skipped.txt" ]; then
    echo "$(wc -l < "$build/repeat-skipped.txt") tests skipped there, not passed:"
    sed 's/^/  /' "$build/repeat-skipped.txt"
fi
