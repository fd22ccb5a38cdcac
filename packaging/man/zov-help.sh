#!/bin/sh
# What help2man reads as the help of zov: its own --help, then each
# command's options under the command's synopsis, so that zov(1) lists
# every option. ZOV names the program (set by the build).
set -eu
case "${1:-}" in
  --help) ;;
  --version) exec "$ZOV" --version ;;
  *) exit 2 ;;
esac
"$ZOV" --help | sed '/^Exit status:/,$d'
for command in load tree spec plan; do
  help=$("$ZOV" "$command" --help)
  # Under a heading, the synopsis with the command's description, then its
  # options; where an option's words fill the column, its description
  # is set two spaces off as help2man wants.
  echo "Command '$command':"
  printf '  %s  %s\n' "$(printf '%s\n' "$help" | sed -n 's/^Usage: //p')" "$(printf '%s\n' "$help" | sed -n '1p')"
  printf '%s\n' "$help" |
    sed -e '1d' -e '/^Exit status:/,$d' -e '/^Usage:/d' -e '/^$/d' -e '/^Positionals:$/d' -e '/^Options:$/d' \
      -e '/^  -h,--help /d' |
    awk '
      # An option whose description follows on its own line stays as it is.
      NR > 1 { print fix(held, $0) }
      { held = $0 }
      END { if (NR) print fix(held, "") }
      function fix(line, next_line) {
        if (next_line ~ /^                              [^ ]/) return line
        if (substr(line, 30, 1) == " " && substr(line, 29, 1) != " " && substr(line, 31, 1) != " ")
          return substr(line, 1, 29) " " substr(line, 30)
        return line
      }'
  echo
done
