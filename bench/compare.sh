#!/usr/bin/env bash
# The before/after table of the loading, pack, frame and sprite figures.
#
# Builds the benchmarks of two revisions (Release) in a temporary folder, each with this
# checkout's bench/ programs so that both run the same measurements, then runs them in
# alternating rounds, pinned to the given processors, each program with interleaved
# repetitions; prints the medians as a table (bench/compare_table.py). When the "love"
# program (Debian's LOVE 11.4) is installed, the sprite frames of bench/love/ are timed
# beside ours. Run it on a quiet machine.
#
# Usage: bench/compare.sh [before-revision] [after-revision] [processors] [rounds]
#   defaults: the commit that added bench/level_bench.cpp, HEAD, 4-7, 3
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
before=$(git rev-parse "${1:-$(git log --diff-filter=A --format=%H -1 -- bench/level_bench.cpp)}")
after=$(git rev-parse "${2:-HEAD}")
cpus=${3:-4-7}
rounds=${4:-3}
work=$(mktemp -d /tmp/tollivan-compare.XXXXXX)
echo "before $before, after $after, results in $work"

export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null LP_NUM_THREADS=2
unset DISPLAY WAYLAND_DISPLAY
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
benches=(bench_level bench_pack bench_images bench_renderer bench_gfx2d)

for side in before after; do
    rev=${!side}
    mkdir -p "$work/$side"
    git archive "$rev" | tar -x -C "$work/$side"
    rm -rf "$work/$side/bench"
    cp -r bench "$work/$side/bench"
    cp tests/support/ScriptedGLHost.h tests/support/ScriptedGLHost.cpp tests/support/GLCounting.h "$work/$side/tests/support/"
    cmake -S "$work/$side" -B "$work/$side/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLLIVAN_TESTS=OFF \
          -DTOLLIVAN_BENCH=ON "${launcher[@]}" > /dev/null
    cmake --build "$work/$side/build" -j 3 --target "${benches[@]}" > "$work/$side-build.log"
done

for round in $(seq 1 "$rounds"); do
    for side in before after; do
        for b in "${benches[@]}"; do
            taskset -c "$cpus" "$work/$side/build/bench/$b" --benchmark_repetitions=3 \
                --benchmark_enable_random_interleaving --benchmark_format=json \
                --benchmark_out="$work/$side-$b-$round.json" > /dev/null 2>> "$work/$side-run.log"
        done
    done
    if command -v love > /dev/null; then
        for n in 1000 10000; do
            taskset -c "$cpus" love bench/love "$n" 100 2> /dev/null | grep '^love' >> "$work/love.txt" || true
        done
    fi
done
python3 bench/compare_table.py "$work"
