#!/bin/sh
# Loads a model and compares its summary (with the load's warnings) and its trees, as "zov load" and
# "zov tree" print them, line for line with the files stored in the golden
# folder: the Main Tree, the not-linked tree, the Design Tree and the UIT
# tree with the diagrams of every source but the selection (the documents
# and scripts of a plan, in the folders beside, follow the selection).
# Usage: trees.sh ZOV MODEL-FOLDER MODEL GOLDEN-FOLDER
# With ZOV_UPDATE_GOLDEN=1 it stores the trees instead, after a deliberate
# change; "tests/golden/trees.sh --update-all ZOV" does that for every
# example, every model of tests/data/trees and every shared model.
set -u
if [ "$1" = --update-all ]; then
  here=$(cd "$(dirname "$0")" && pwd)
  zov=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
  for model in ATM.mdl ATM.xmi ATM.puml ATM-Services.cat Lending.mdl; do
    name=$(echo "$model" | sed 's/\.mdl$//; s/\.xmi$/-xmi/; s/\.puml$/-puml/; s/\.cat$/-cat/')
    ZOV_UPDATE_GOLDEN=1 sh "$0" "$zov" "$here/../../examples" "$model" "$here/$name-trees" || exit 1
  done
  for model in "$here"/../data/trees/*.mdl "$here"/../data/trees/*.xmi "$here"/../data/trees/*.uml \
    "$here"/../data/trees/*.md; do
    ZOV_UPDATE_GOLDEN=1 sh "$0" "$zov" "$here/../data/trees" "$(basename "$model")" "$here/trees/$(basename "$model")" ||
      exit 1
  done
  shared=$here/../../../shared/models
  (cd "$shared" && find . \( -name '*.mdl' -o -name '*.cat' -o -name '*.uml' -o -name '*.xmi' \) | sort) |
    while IFS= read -r m; do
      ZOV_UPDATE_GOLDEN=1 sh "$0" "$zov" "$shared/$(dirname "$m")" "$(basename "$m")" "$here/shared/$m" || exit 1
    done
  exit
fi
zov=$1 examples=$2 model=$3 golden=$4
out=$(mktemp -d) || exit 1
trap 'rm -rf "$out"' EXIT
# From the examples folder, so that the roots name the model as given.
cd "$examples" || exit 1
dump() {
  name=$1
  shift
  "$zov" "$@" >"$out/$name" 2>"$out/stderr" || { echo "zov $*:"; cat "$out/stderr"; exit 1; }
}
# The summary with the load's warnings.
"$zov" load "$model" >"$out/summary.txt" 2>&1 || { cat "$out/summary.txt"; exit 1; }
dump main.txt tree "$model" --tree 0
dump not-linked.txt tree "$model" --tree 4
dump design.txt tree "$model" --tree 6
dump uit.txt tree "$model" --uit all --uit design --uit notlinked --tree 1
rm -f "$out/stderr"
if [ "${ZOV_UPDATE_GOLDEN:-0}" = 1 ]; then
  rm -rf "$golden" && mkdir -p "$golden" && cp "$out"/*.txt "$golden"/ && echo "updated $golden"
  exit 0
fi
diff -r "$golden" "$out"
