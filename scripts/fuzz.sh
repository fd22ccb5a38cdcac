#!/usr/bin/env bash
# Fuzzes the petal reader with libFuzzer (clang), AddressSanitizer and
# UndefinedBehaviorSanitizer: ./scripts/fuzz.sh [SECONDS] (default 600).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
seconds=${1:-600}
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZOV_SANITIZE=ON -DZOV_FUZZ=ON -DZOV_BUILD_GUI=OFF -DZOV_BUILD_BENCH=OFF -DZOV_BUILD_TESTS=OFF > build-fuzz.log
cmake --build build-fuzz --target petal_fuzz -j "$(nproc)" > /dev/null
mkdir -p fuzz-corpus
cp -n examples/*.mdl examples/*.cat fuzz-corpus/ 2>/dev/null || true
find ../shared/models -name '*.mdl' -size -100k -exec cp -n {} fuzz-corpus/ \; 2>/dev/null || true
./build-fuzz/fuzz/petal_fuzz -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=4096 \
  -print_final_stats=1 fuzz-corpus
