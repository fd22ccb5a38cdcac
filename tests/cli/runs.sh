#!/bin/sh
# Command-line checks of runs that fail, are interrupted, meet special
# files or damaged sessions: each case says which step failed.
# Usage: runs.sh CASE ZOV EXAMPLES-DIR MODEL-MAKER
set -u
case_name=$1 zov=$2 examples=$3 maker=$4
d=$(mktemp -d) || exit 1
trap 'cd /; rm -rf "$d"' EXIT
cd "$d" || exit 1
step=0
# check WHAT COMMAND...: runs the command; a failure names the step.
check() {
  what=$1
  shift
  step=$((step + 1))
  if ! "$@"; then
    echo "FAILED step $step: $what" >&2
    [ -f err ] && sed 's/^/  stderr: /' err >&2
    exit 1
  fi
}
fails() { "$@" >out 2>err; test $? -eq 1; }
said() { grep -q -- "$1" err; }
absent() { test ! -e "$1"; }
empty() { test -z "$(ls -A "$1")"; }
atm=$examples/ATM.mdl

case $case_name in
foreign-file)
  # A file of the tester's in the way: the run says what and why, prints no
  # summary, and the folder keeps exactly what it held.
  mkdir F && echo mine > F/TestScript1.txt
  check "plan refused" fails "$zov" plan "$atm" --out F --seed 1
  check "the file named" said "F/TestScript1.txt already exists and was not written by Zov Suite"
  check "no summary" test ! -s out
  check "the folder as it was" test "$(ls -A F)" = TestScript1.txt
  check "the file as it was" test "$(cat F/TestScript1.txt)" = mine
  # A FIFO and a dangling link where plan.json goes are in the way too.
  mkfifo G && mkdir H && mkfifo H/plan.json
  check "a FIFO result refused" fails timeout 20 "$zov" plan "$atm" --out H --format json
  check "the FIFO named" said "H/plan.json already exists"
  mkdir I && ln -s nowhere I/plan.json
  check "a dangling link refused" fails "$zov" plan "$atm" --out I --format json
  check "it stays" test -L I/plan.json
  ;;
write-failure)
  # Every write is checked: with files limited to a few hundred bytes the
  # run fails with the system's reason and leaves nothing behind.
  mkdir tmp
  check "plan fails" fails sh -c "trap '' XFSZ; ulimit -f 1; TMPDIR='$d/tmp' exec '$zov' plan '$atm' --out F"
  check "the reason" said "Cannot write .*: File too large"
  check "no summary" test ! -s out
  check "no folder" absent F
  check "no working files" empty tmp
  ;;
full-disk)
  # A file system with 20 kB free: the plan does not fit.
  mkdir small
  if ! mount -t tmpfs -o size=20k tmpfs small 2>/dev/null; then
    echo "cannot mount a small file system here: skipped"
    exit 77
  fi
  trap 'umount "$d/small"; cd /; rm -rf "$d"' EXIT
  check "plan fails" fails "$zov" plan "$atm" --out small/F
  check "the reason" said "No space left on device"
  check "no summary" test ! -s out
  check "nothing left" empty small
  ;;
interrupted)
  # Ctrl-C or SIGTERM during a plan: the folder the run made and its
  # working files go; an earlier plan in a folder stays whole.
  "$maker" 4000 big.mdl || exit 1
  mkdir tmp
  for sig in INT TERM; do
    TMPDIR="$d/tmp" "$zov" plan big.mdl --out F$sig >/dev/null 2>&1 &
    pid=$!
    # Stopped once its staging folder holds files, or after 2 s.
    n=0
    while [ $n -lt 40 ] && [ -z "$(ls -A F$sig/.zov-staging-$pid 2>/dev/null)" ]; do sleep 0.05; n=$((n + 1)); done
    kill -$sig $pid
    wait $pid
    rc=$?
    check "SIG$sig ends the run ($rc)" test $rc -gt 128
    check "SIG$sig leaves no folder" absent F$sig
  done
  check "no working files" empty tmp
  "$zov" plan "$atm" --out G --seed 1 >/dev/null 2>&1 || exit 1
  before=$(ls -A G | sort | tr '\n' ' ')
  "$zov" plan big.mdl --out G >/dev/null 2>&1 &
  pid=$!
  n=0
  while [ $n -lt 40 ] && [ -z "$(ls -A G/.zov-staging-$pid 2>/dev/null)" ]; do sleep 0.05; n=$((n + 1)); done
  kill -INT $pid
  wait $pid
  check "the earlier plan stays whole" test "$(ls -A G | sort | tr '\n' ' ')" = "$before"
  check "and serves the next run" "$zov" plan "$atm" --out G --seed 1 >/dev/null 2>&1
  ;;
killed)
  # After SIGKILL the next run into the folder recognises what was left.
  "$maker" 4000 big.mdl || exit 1
  "$zov" plan big.mdl --out F >/dev/null 2>&1 &
  pid=$!
  n=0
  while [ $n -lt 40 ] && [ -z "$(ls -A F/.zov-staging-$pid 2>/dev/null)" ]; do sleep 0.05; n=$((n + 1)); done
  kill -KILL $pid
  wait $pid
  check "a staging folder and a lock were left" test -d F/.zov-staging-$pid -a -f F/.zov-lock
  check "the next run proceeds" "$zov" plan "$atm" --out F --seed 1 >/dev/null 2>err
  check "and removes them" test -z "$(ls -A F | grep -e '^.zov-staging' -e '^.zov-lock')"
  check "the plan is whole" test -f F/TestScript1.txt -a -f F/.zov-plan
  ;;
concurrent)
  # A run that is writing into the folder keeps a second one out.
  mkdir F
  sleep 30 &
  sleeper=$!
  echo $sleeper > F/.zov-lock
  check "the second run refused" fails "$zov" plan "$atm" --out F
  check "and told why" said "another Zov Suite run is writing here"
  kill $sleeper
  wait $sleeper 2>/dev/null
  check "the folder untouched" test "$(ls -A F)" = .zov-lock
  check "a lock whose run is gone is taken over" "$zov" plan "$atm" --out F --seed 1 >/dev/null 2>&1
  check "and released" absent F/.zov-lock
  ;;
special-files)
  # Devices, FIFOs and links to them are refused at once, never read.
  mkfifo fifo && ln -s /dev/zero zero.mdl
  for what in "load /dev/zero" "load zero.mdl" "load fifo" "plan --session fifo --out S" \
              "plan $atm --choices fifo --out C" "plan $atm --save-session fifo --out V" "spec $atm --choices /dev/zero"; do
    # shellcheck disable=SC2086
    check "$what refused" fails timeout 20 "$zov" $what
    check "$what: not a regular file" said "not a regular file"
  done
  check "nothing made" test ! -e S -a ! -e C -a ! -e V
  # An XMI file above 1 GiB (a sparse one here) is refused before it is read.
  truncate -s 5G huge.xmi
  check "a 5 GiB model refused" fails timeout 20 "$zov" load huge.xmi
  check "with the bound" said "huge.xmi: the file is larger than 1073741824 bytes, more than a load reads"
  # A unit that is a FIFO leaves its package empty, with a warning.
  cp "$atm" . && mkfifo ATM-Services.cat
  check "a FIFO unit" sh -c "timeout 20 '$zov' load ATM.mdl >/dev/null 2>err"
  check "said" said "ATM-Services.cat: not a regular file"
  ;;
sessions)
  # Damaged sessions are refused with what and where; nothing aborts.
  "$zov" plan "$examples/Lending.mdl" --out P --save-session good.zov --seed 1 >/dev/null 2>&1 || exit 1
  python3 - <<'PY' || exit 1
import json
good = json.load(open("good.zov"))
def write(name, change):
    s = json.loads(json.dumps(good))
    change(s)
    open(name, "w").write(json.dumps(s))
write("format.zov", lambda s: s.update(format=1))
write("procedures.zov", lambda s: s["criterionDialog"].update(procedures=70000))
write("seed.zov", lambda s: s.update(seed=1e30))
write("version.zov", lambda s: s.update(version=2))
write("choice.zov", lambda s: s["decisions"].append({"op": "removeChoice", "choice": 1e30}))
write("op.zov", lambda s: s["decisions"].append({"op": 7}))
text = open("good.zov").read()
open("overflow.zov", "w").write(text.replace('"seed": 1', '"seed": 1e400'))
open("deep.zov", "w").write(text.replace('"decisions": [', '"decisions": [{"op": "weight", "weight": ' + "[" * 1000000 + "]" * 1000000 + "},"))
PY
  for s in format:"format: a text expected" procedures:"criterionDialog.procedures: a whole number from 0 to 32767" \
           seed:"seed: a whole number from 0 to 4294967295" choice:"decisions\[.*\].choice: a whole number from -1 to 100" \
           op:"decisions\[.*\].op: a text expected" overflow:"number overflow" deep:"values nested deeper than 16 levels"; do
    name=${s%%:*} expected=${s#*:}
    check "$name.zov refused" fails "$zov" plan --session $name.zov --out O
    check "$name.zov: damaged, and where" said "$name.zov: the session file is damaged (.*$expected"
  done
  check "version.zov refused" fails "$zov" plan --session version.zov --out O
  check "version.zov: which version" said "newer Zov Suite (session format version 2); this program reads version 1"
  check "nothing made" absent O
  # A model reached through a link reads as the same model again.
  ln -s "$examples/Lending.mdl" link.mdl
  "$zov" plan link.mdl --out L1 --save-session link.zov --seed 1 >/dev/null 2>&1 || exit 1
  check "the session of a linked model replays" sh -c "'$zov' plan --session link.zov --out L2 >/dev/null 2>err"
  check "unchanged" sh -c "! grep -q 'has changed' err"
  # Control characters of a session reach the terminal made visible.
  printf '{"format": "zov-session", "model": {"path": "\\u001b[31mred"}, "decisions": []}' > escape.zov
  check "escape.zov refused" fails "$zov" plan --session escape.zov --out O
  check "shown escaped" sh -c "grep -q 'x1B\[31mred' err && ! grep -q \"$(printf '\033')\" err"
  printf '{"format": "zov-session", "model": {"path": "a\\u0000b.mdl"}, "decisions": []}' > nul.zov
  check "nul.zov refused" fails "$zov" plan --session nul.zov --out O
  check "the whole path said" said 'a\\x00b.mdl'
  check "nothing made" absent O
  ;;
csv-formulas)
  # A choice a spreadsheet would run as a formula shows as text in the CSV;
  # a plain negative number stays a number; plan.json keeps the raw text.
  printf 'category SD1./TestCase 1/open/x\nchoice =HYPERLINK("http://x","y")\nchoice -5\n' > choices
  check "plan" sh -c "'$zov' plan '$examples/Lending.mdl' --select 'Member/Borrow Book' --procedures 20 \
    --choices choices --format csv,json --out F --seed 1 >/dev/null 2>err"
  check "the formula as text" grep -q "^Borrow - main,1,1,true,open,x,\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\",," F/procedures.csv
  check "a number as it is" grep -q '^Borrow - main,1,3,true,open,x,-5,,' F/procedures.csv
  check "no cell starts a formula" sh -c "! grep -q -e ',=' -e ',\"=' -e ',@' F/procedures.csv"
  check "plan.json keeps the raw text" grep -q '"value": "=HYPERLINK(\\"http://x\\",\\"y\\")"' F/plan.json
  ;;
*)
  echo "unknown case $case_name" >&2
  exit 2
  ;;
esac
exit 0
