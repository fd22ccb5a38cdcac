#!/usr/bin/env bash
# The bash completion of zov offers what zov's help says, and no more:
# its commands, each command's options, and the words of --uit and
# --format; with a model beside, a model file.
# Usage: completion_check.sh ZOV COMPLETION-FILE
set -euo pipefail
zov=$1
source "$2"
status=0
# What _zov offers for the words of a command line, the last being completed.
offer() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _zov
  printf '%s\n' "${COMPREPLY[@]}" | sort -u
}
same() {
  if [ "$2" != "$3" ]; then
    echo "$1: the completion misses [$(comm -13 <(echo "$2") <(echo "$3") | tr '\n' ' ')]" \
      "and offers what the help lacks [$(comm -23 <(echo "$2") <(echo "$3") | tr '\n' ' ')]"
    status=1
  fi
}

commands=$("$zov" --help | sed -n '/^Subcommands:/,/^$/p' | grep -oE '^  [a-z]+' | tr -d ' ' | sort -u)
same "zov <Tab>" "$(offer zov '' | grep -v '^-')" "$commands"
for command in $commands; do
  help=$("$zov" "$command" --help)
  same "zov $command --<Tab>" "$(offer zov "$command" --)" "$(printf '%s\n' "$help" | grep -oE '^  (-h,)?--[a-z-]+' |
    sed 's/^ *\(-h,\)\?//' | sort -u)"
done
help=$("$zov" plan --help)
same "zov plan --uit <Tab>" "$(offer zov plan --uit '')" \
  "$(printf '%s\n' "$help" | sed -n 's/.*fill the UIT tree from: \([a-z, ]*\) (.*/\1/p' | tr -d ' ' | tr , '\n' | sort -u)"
formats=$(printf '%s\n' "$help" | sed -n 's/.*(comma-separated): \([a-z, -]*\);.*/\1/p' | tr -d ' ' | tr , '\n' | sort -u)
same "zov plan --format <Tab>" "$(offer zov plan --format '')" "$formats"
same "zov plan --format text,<Tab>" "$(offer zov plan --format text,)" "$(printf '%s\n' "$formats" | sed 's/^/text,/')"
# The --option=value forms, as bash splits them at "=".
same "zov plan --format=<Tab>" "$(offer zov plan --format =)" "$formats"
same "zov plan --format=te<Tab>" "$(offer zov plan --format = te)" "$(printf '%s\n' "$formats" | grep '^te')"
same "zov plan --names=<Tab>" "$(offer zov plan --names =)" "$(printf 'default\nstable')"
same "zov plan --names <Tab>" "$(offer zov plan --names '')" "$(printf 'default\nstable')"
# A model: the example folder offers its models, not other files.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
touch "$dir/a.mdl" "$dir/b.XMI" "$dir/c.puml" "$dir/notes.txt" "$dir/s.zov"
same "zov load <Tab>" "$(cd "$dir" && offer zov load '')" "$(printf 'a.mdl\nb.XMI\nc.puml')"
same "zov plan --session <Tab>" "$(cd "$dir" && offer zov plan --session '')" "s.zov"
[ $status = 0 ] && echo "the completion agrees with zov's help"
exit $status
