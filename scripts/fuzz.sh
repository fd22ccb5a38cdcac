#!/usr/bin/env bash
# Fuzzes a model reader with libFuzzer (clang), AddressSanitizer and
# UndefinedBehaviorSanitizer: ./scripts/fuzz.sh [SECONDS] [petal|xmi]
# (default 600 seconds, the petal reader).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
seconds=${1:-600}
reader=${2:-petal}
case "$reader" in petal|xmi) ;; *) echo "usage: $0 [SECONDS] [petal|xmi]" >&2; exit 2 ;; esac
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZOV_SANITIZE=ON -DZOV_FUZZ=ON -DZOV_BUILD_GUI=OFF -DZOV_BUILD_BENCH=OFF -DZOV_BUILD_TESTS=OFF > build-fuzz.log
cmake --build build-fuzz --target "${reader}_fuzz" -j 2 > /dev/null
if [ "$reader" = petal ]; then
  corpus=fuzz-corpus
  mkdir -p "$corpus"
  cp -n examples/*.mdl examples/*.cat "$corpus"/ 2>/dev/null || true
  find ../shared/models -name '*.mdl' -size -100k -exec cp -n {} "$corpus"/ \; 2>/dev/null || true
else
  corpus=fuzz-corpus-xmi
  mkdir -p "$corpus"
  cp -n examples/*.xmi tests/data/*.xmi "$corpus"/ 2>/dev/null || true
  find ../shared/models -name '*.xmi' -size -100k -exec cp -n {} "$corpus"/ \; 2>/dev/null || true
  find ../shared/models -name '*.uml' -size -100k -exec cp -n {} "$corpus"/ \; 2>/dev/null || true
fi
./build-fuzz/fuzz/"${reader}"_fuzz -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=4096 \
  -print_final_stats=1 "$corpus"
