#!/bin/sh
# Plans an example model with a fixed seed and compares every document and
# script byte for byte with the files stored beside this script.
# Usage: check.sh ZOV MODEL GOLDEN-FOLDER [PLAN OPTION]...
# After a deliberate change of the output, refresh the stored files with
#   ZOV_UPDATE_GOLDEN=1 check.sh ZOV MODEL GOLDEN-FOLDER
set -u
zov=$1 model=$2 golden=$3
shift 3
out=$(mktemp -d) || exit 1
trap 'rm -rf "$out"' EXIT
"$zov" plan "$model" --seed 1 --out "$out/plan" "$@" >/dev/null 2>"$out/stderr" || { cat "$out/stderr"; exit 1; }
rm -f "$out/plan/.zov-plan" "$out/plan/.zov-lock"
if [ "${ZOV_UPDATE_GOLDEN:-0}" = 1 ]; then
  rm -rf "$golden" && cp -r "$out/plan" "$golden" && echo "updated $golden"
  exit 0
fi
diff -r "$golden" "$out/plan"
