#!/usr/bin/env bash
# Installs the Debian packages the build, the game and the tests need, when any is missing.
# Usage: scripts/install-deps.sh [game|test]
set -euo pipefail

want=(cmake ninja-build g++ pkg-config lld
      libsdl2-dev libgl-dev libegl-dev libgl1-mesa-dri
      libopenal-dev libvorbisidec-dev libogg-dev libmpg123-dev
      libbox2d-dev libpng-dev zlib1g-dev libopenjp2-7-dev
      nlohmann-json3-dev
      sox vorbis-tools lame)
if [ "${1:-game}" = test ]; then
    # Fixtures are made with these; fuzz targets need clang's libFuzzer runtime;
    # jq reads ctest's test list when checking each test's environment.
    want+=(libgtest-dev libgmock-dev libbenchmark-dev
           libopenjp2-tools jq
           clang-14 libclang-rt-14-dev)
fi

missing=()
for p in "${want[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
