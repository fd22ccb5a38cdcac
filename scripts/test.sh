#!/usr/bin/env bash
# Builds Zov Suite and runs every test: once in a normal build, whose Debian
# packages are then built and checked, once more with AddressSanitizer and
# UndefinedBehaviorSanitizer. Headless.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh

export QT_QPA_PLATFORM=offscreen
if [ ! -d ../shared/models ]; then
  echo "Note: $(cd .. && pwd)/shared/models is missing: the tests of the shared real models are skipped."
fi
jobs=$(nproc)
werror="-DZOV_WERROR=${ZOV_WERROR:-OFF}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$werror" > build.log 2>&1 || { cat build.log; exit 1; }
cmake --build build -j "$jobs" 2>&1 | tee -a build.log | grep -E 'warning|error' || true
cmake --build build -j "$jobs" > /dev/null || { grep -E -A5 'error' build.log | head -40; exit 1; }
ctest --test-dir build --output-on-failure -j "$jobs"
# The Debian packages of the build just tested, checked as installed.
./scripts/package.sh build > /dev/null
./scripts/check-packages.sh build/packages

if [ "${ZOV_SKIP_SANITIZERS:-0}" != 1 ]; then
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DZOV_SANITIZE=ON -DZOV_BUILD_BENCH=OFF "$werror" \
    > build-asan.log 2>&1 || { cat build-asan.log; exit 1; }
  cmake --build build-asan -j "$jobs" 2>&1 | tee -a build-asan.log | grep -E 'warning|error' || true
  cmake --build build-asan -j "$jobs" > /dev/null || { grep -E -A5 'error' build-asan.log | head -40; exit 1; }
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  ctest --test-dir build-asan --output-on-failure -j "$jobs"
fi
