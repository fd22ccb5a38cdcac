#!/bin/sh
# bench/cold.sh BUILD [DISK] [TMPFS]: the figures of the load and of the plan
# in fresh processes, each with its files on a disk folder and on tmpfs.
#
#   BUILD   the build folder (src/cli/zov, bench/zov_xmi_load)
#   DISK    a folder on a disk (default /var/tmp/zov-cold)
#   TMPFS   a folder on tmpfs (default /dev/shm/zov-cold)
#
# The models (../shared/tools/gen_model.py 50000 and 5000, the 50 MB XMI
# model of zov_xmi_load) are written into both folders once. Before each
# run the page cache is dropped when this is allowed (as root, outside a
# container that forbids it); the script says which. Each line gives the
# wall time, the CPU time and the peak memory of one run; a plan's output
# goes to a new folder beside its model, is planned again into the same
# folder (the same seed: no file changes; another: every file does), and is
# removed afterwards.
#
# Then the ratios: a plan made again into its folder against a fresh plan
# into a new one, alternated (ROUNDS times, default 5) and compared by their
# medians, for the same seed and for another; the XMI reader against a bare
# pugixml parse of the same file (CPU and peak memory, alternated, each in
# a fresh process; then CPU alternated in one process, where the parse
# reuses memory the reader touched, which a tester's load never finds, and
# the reader's time in each of its steps). ZOV_COLD_LARGE=1 adds the plans
# of gen_model 20000 and 50000, fresh and again into their folder with
# another seed (their peak memory; the latter needs some 4 GB).
# The fresh plans' folders are removed only at the end: ext4 without a
# journal passes over the inodes freed in the last minute at every new
# file, which would charge one run for the removals of another.
set -eu
build=${1:?usage: bench/cold.sh BUILD [DISK] [TMPFS]}
disk=${2:-/var/tmp/zov-cold}
tmpfs=${3:-/dev/shm/zov-cold}
here=$(cd "$(dirname "$0")/.." && pwd)
gen=$here/../shared/tools/gen_model.py
zov=$build/src/cli/zov
[ -x "$zov" ] || { echo "no $zov: build first" >&2; exit 2; }
[ -f "$gen" ] || { echo "no $gen: ../shared is needed for the large models" >&2; exit 2; }

cold() {
  sync
  if echo 3 2>/dev/null >/proc/sys/vm/drop_caches; then echo cold; else echo "warm (the page cache cannot be dropped here)"; fi
}

measure() { # LABEL COMMAND...
  label=$1
  shift
  state=$(cold)
  /usr/bin/time -f "%e s wall, %U s user, %S s system, %M KB peak" -o "$out/time" "$@" >/dev/null 2>"$out/err" ||
    { echo "$label: failed"; cat "$out/err"; return 1; }
  printf '%-34s %s (%s)\n' "$label" "$(cat "$out/time")" "$state"
}

rounds=${ROUNDS:-5}
for where in "$disk" "$tmpfs"; do
  mkdir -p "$where"
  [ -f "$where/m50k.mdl" ] || python3 "$gen" 50000 "$where/m50k.mdl" >/dev/null
  [ -f "$where/m5k.mdl" ] || python3 "$gen" 5000 "$where/m5k.mdl" >/dev/null
  [ -f "$where/m500.mdl" ] || python3 "$gen" 500 "$where/m500.mdl" >/dev/null
  if [ "${ZOV_COLD_LARGE:-0}" = 1 ]; then
    [ -f "$where/m20k.mdl" ] || python3 "$gen" 20000 "$where/m20k.mdl" >/dev/null
  fi
  [ -f "$where/x50.uml" ] || "$build/bench/zov_xmi_load" --make "$where/x50.uml" 50
done

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for where in "$disk" "$tmpfs"; do
  kind=$(stat -f -c %T "$where")
  echo "== $where ($kind)"
  measure "load gen_model 50000" "$zov" load "$where/m50k.mdl"
  measure "load 50 MB XMI" "$zov" load "$where/x50.uml"
  plan=$where/plan-$$
  measure "plan gen_model 5000" "$zov" plan "$where/m5k.mdl" --seed 1 --out "$plan"
  echo "  $(find "$plan" -type f | wc -l) files in the plan's folder"
  measure "the same plan again into its folder" "$zov" plan "$where/m5k.mdl" --seed 1 --out "$plan"
  measure "another seed into its folder" "$zov" plan "$where/m5k.mdl" --seed 2 --out "$plan"
  rm -rf "$plan"
  if [ "${ZOV_COLD_LARGE:-0}" = 1 ]; then
    measure "plan gen_model 20000" "$zov" plan "$where/m20k.mdl" --seed 1 --out "$plan-20k"
    measure "  another seed into its folder" "$zov" plan "$where/m20k.mdl" --seed 2 --out "$plan-20k"
    measure "plan gen_model 50000" "$zov" plan "$where/m50k.mdl" --seed 1 --out "$plan-50k"
    measure "  another seed into its folder" "$zov" plan "$where/m50k.mdl" --seed 2 --out "$plan-50k"
    rm -rf "$plan-20k" "$plan-50k"
  fi
done

# The seconds (wall) of one run, its output thrown away.
seconds() {
  /usr/bin/time -f "%e" -o "$out/time" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  cat "$out/time"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for where in "$disk" "$tmpfs"; do
  for model in m500 m5k; do
    base=$where/replan-$$
    "$zov" plan "$where/$model.mdl" --seed 1 --out "$base-again" >/dev/null 2>&1
    "$zov" plan "$where/$model.mdl" --seed 1 --out "$base-other" >/dev/null 2>&1
    : >"$out/fresh"
    : >"$out/again"
    : >"$out/other"
    i=0
    while [ $i -lt "$rounds" ]; do
      i=$((i + 1))
      seconds "$zov" plan "$where/$model.mdl" --seed 1 --out "$base-fresh-$i" >>"$out/fresh"
      seconds "$zov" plan "$where/$model.mdl" --seed 1 --out "$base-again" >>"$out/again"
      seconds "$zov" plan "$where/$model.mdl" --seed $((i % 2 + 2)) --out "$base-other" >>"$out/other"
    done
    f=$(median <"$out/fresh")
    a=$(median <"$out/again")
    o=$(median <"$out/other")
    printf '%s %s: fresh %s s; again, the same seed %s s (%.2fx); another seed %s s (%.2fx) (medians of %s, wall)\n' \
      "$where" "$model" "$f" "$a" "$(awk "BEGIN { print $a / $f }")" "$o" "$(awk "BEGIN { print $o / $f }")" "$rounds"
    rm -rf "$base"-*
  done
done

for where in "$disk" "$tmpfs"; do
  "$build/bench/zov_xmi_load" --versus-pugixml "$where/x50.uml" "$rounds"
  measure "  the reader, fresh process" "$build/bench/zov_xmi_load" --cold "$where/x50.uml"
  measure "  a bare pugixml parse" "$build/bench/zov_xmi_load" --bare "$where/x50.uml"
done
