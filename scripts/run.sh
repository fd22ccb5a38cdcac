#!/usr/bin/env bash
# Installs what is missing, builds Zov Suite and starts it on the bundled
# example model.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > build.log 2>&1 || { cat build.log; exit 1; }
cmake --build build -j "$(nproc)" > /dev/null
model=examples/ATM.mdl
if [ "${1:-}" != "--gui" ]; then
  # The main job: plan the example model end to end into zov-plan-ATM.
  ./build/src/cli/zov plan "$model" --seed 1
  echo "Documents and test scripts are in zov-plan-ATM/. To open the window: $0 --gui"
  exit 0
fi
shift
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting Zov Suite offscreen (close it with Ctrl+C)."
  export QT_QPA_PLATFORM=offscreen
fi
exec ./build/src/shell/zov-suite "${@:-$model}"
