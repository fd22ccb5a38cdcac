#!/usr/bin/env bash
# Builds the Debian packages of Zov Suite: zov (the command line, without
# Qt) and zov-suite (the window, which depends on it), into BUILD/packages:
#   ./scripts/package.sh [BUILD]    (default build-package: the programs
#                                    only, without the tests and benchmarks)
# Install them with: sudo apt install ./BUILD/packages/zov*_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
dir=${1:-build-package}
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOV_BUILD_TESTS=OFF -DZOV_BUILD_BENCH=OFF \
    > "$dir.log" 2>&1 || { cat "$dir.log"; exit 1; }
fi
cmake --build "$dir" -j "$(nproc)" > /dev/null
rm -rf "$dir/packages"
(cd "$dir" && cpack -G DEB > cpack.log 2>&1) || { cat "$dir/cpack.log"; exit 1; }
ls "$dir"/packages/*.deb
