#!/usr/bin/env bash
# Fuzzes with libFuzzer (clang), AddressSanitizer and UndefinedBehaviorSanitizer:
#   ./scripts/fuzz.sh [SECONDS] [TARGET]    (default 600 seconds, petal_fuzz)
# petal_fuzz: the petal reader and the model mapping; xmi_fuzz: the XMI
# reader; pipeline_fuzz: the whole pipeline from the load to the test
# procedures; session_fuzz: session files, replayed on the examples and
# exported; export_fuzz: model text from any bytes through every export;
# earlier_plan_fuzz: the plan.json given to --keep; text_model_fuzz: the
# PlantUML, Mermaid and Markdown readers.
# Each target keeps its corpus in fuzz-corpus/TARGET, started
# from the examples, the shared models under 100 kB and the seeds in fuzz/seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
seconds=${1:-600}
target=${2:-petal_fuzz}
case "$target" in
  petal_fuzz|xmi_fuzz|session_fuzz|earlier_plan_fuzz|text_model_fuzz) max_len=65536 ;;
  export_fuzz) max_len=4096 ;;
  pipeline_fuzz) max_len=32768 ;;
  *) echo "unknown target '$target' (petal_fuzz, xmi_fuzz, pipeline_fuzz, session_fuzz, export_fuzz, earlier_plan_fuzz or text_model_fuzz)" >&2; exit 2 ;;
esac
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZOV_SANITIZE=ON -DZOV_FUZZ=ON -DZOV_BUILD_GUI=OFF -DZOV_BUILD_BENCH=OFF -DZOV_BUILD_TESTS=OFF > build-fuzz.log
cmake --build build-fuzz --target "$target" -j "$(nproc)" > /dev/null
corpus=fuzz-corpus/$target
mkdir -p "$corpus"
if [ "$target" = xmi_fuzz ]; then
  cp -n examples/*.xmi tests/data/*.xmi fuzz/seeds/*.xmi "$corpus"/ 2>/dev/null || true
  find ../shared/models \( -name '*.xmi' -o -name '*.uml' \) -size -100k -exec cp -n {} "$corpus"/ \; 2>/dev/null || true
elif [ "$target" = export_fuzz ]; then
  # Texts cut at NUL bytes after a first byte that picks the encoding.
  printf '\003Clerk\000Pay\000Pay now\000<b>one</b> & <id>\000two | x\000p<1>\000=1+1\000a|b' > "$corpus/markup"
  printf '\001\312\340\361\361\350\360\000\302\355\345\361\345\355\350\345\000\302\365\356\344\000one\000two\000p\000x\000y' > "$corpus/cyrillic"
elif [ "$target" = earlier_plan_fuzz ]; then
  n=0
  for plan in tests/golden/*/plan.json; do n=$((n + 1)); cp -n "$plan" "$corpus/golden-$n.json"; done
elif [ "$target" = text_model_fuzz ]; then
  # A first byte that picks the kind: 0 PlantUML, 1 Markdown, 2 Mermaid.
  for f in examples/*.puml fuzz/seeds/*.puml; do { printf '\000'; cat "$f"; } > "$corpus/$(basename "$f")"; done
  for f in examples/*.md fuzz/seeds/*.md; do [ -f "$f" ] && { printf '\001'; cat "$f"; } > "$corpus/$(basename "$f")"; done
  for f in examples/*.mmd fuzz/seeds/*.mmd; do [ -f "$f" ] && { printf '\002'; cat "$f"; } > "$corpus/$(basename "$f")"; done
elif [ "$target" = session_fuzz ]; then
  cp -n fuzz/seeds/*.zov "$corpus"/ 2>/dev/null || true
else
  cp -n examples/*.mdl examples/*.cat fuzz/seeds/*.mdl "$corpus"/ 2>/dev/null || true
  find ../shared/models -name '*.mdl' -size -100k -exec cp -n {} "$corpus"/ \; 2>/dev/null || true
fi
"./build-fuzz/fuzz/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=4096 \
  -print_final_stats=1 "$corpus"
