#!/usr/bin/env bash
# Sets up a fresh machine, builds the game and the sample data tree, and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh game
cmake -S . -B build/game -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLLIVAN_TESTS=OFF > /dev/null
cmake --build build/game -j "$(nproc)"
cmake --build build/game --target sample_data -j "$(nproc)"
# The game reads res/ from its working folder; the build lays the sample tree out there.
mkdir -p build/game/run
cd build/game/run
exec ../src/game/tollivan "$@"
