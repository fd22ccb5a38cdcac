#!/usr/bin/env bash
# Checks the Debian packages that scripts/package.sh wrote into DIR
# (default build/packages), as a test engineer would meet them:
#   ./scripts/check-packages.sh [DIR]
# lintian finds no error; the desktop entry, the AppStream metadata and the
# file types are valid; unpacked into a scratch root, zov names its version
# and commit, needs no Qt and plans the installed example exactly as the
# golden files say; zov-suite names its version; both manual pages render.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/packages}
fail() { echo "check-packages: $*" >&2; exit 1; }
zov_deb=$(ls "$dir"/zov_*_amd64.deb) || fail "no zov package in $dir"
suite_deb=$(ls "$dir"/zov-suite_*_amd64.deb) || fail "no zov-suite package in $dir"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

echo "== lintian"
lintian --fail-on error --display-level ">=warning" "$zov_deb" "$suite_deb" 2>&1 |
  grep -v '^running with root privileges' | tee "$scratch/lintian.txt" || true
# The pipeline above hides lintian's status: run it again for the verdict.
lintian --fail-on error "$zov_deb" "$suite_deb" > /dev/null 2>&1 || fail "lintian found errors"
echo "lintian: $(grep -c '^E:' "$scratch/lintian.txt" || true) errors, $(grep -c '^W:' "$scratch/lintian.txt" || true) warnings"

echo "== dependencies"
for deb in "$zov_deb" "$suite_deb"; do
  echo "$(dpkg-deb -f "$deb" Package) $(dpkg-deb -f "$deb" Version): $(dpkg-deb -f "$deb" Depends)"
done
dpkg-deb -f "$zov_deb" Depends | grep -qi qt && fail "zov depends on Qt"
dpkg-deb -f "$suite_deb" Depends | grep -q "zov (= $(dpkg-deb -f "$zov_deb" Version))" ||
  fail "zov-suite does not depend on the zov of the same version"

root=$scratch/root
dpkg -x "$zov_deb" "$root"
dpkg -x "$suite_deb" "$root"
for package in zov zov-suite; do
  for file in copyright changelog.Debian.gz; do
    [ -f "$root/usr/share/doc/$package/$file" ] || fail "$package has no /usr/share/doc/$package/$file"
  done
done

# The command line carries no picture of the window.
zov_files=$(dpkg-deb -c "$zov_deb")
suite_files=$(dpkg-deb -c "$suite_deb")
if grep -q '\.png$' <<< "$zov_files"; then fail "the zov package carries images of the window"; fi
grep -q 'usr/share/doc/zov-suite/screenshots/main-tree.png$' <<< "$suite_files" ||
  fail "the zov-suite package lacks the window's screenshots"

echo "== menu entry, metadata, file types"
desktop=$(ls "$root"/usr/share/applications/*.desktop)
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
# Every file type the menu entry opens is defined, here or by the shared
# MIME database, and the database takes ours.
mkdir -p "$scratch/mime/packages"
cp "$root"/usr/share/mime/packages/*.xml "$scratch/mime/packages/"
update-mime-database "$scratch/mime" > /dev/null 2>&1 || fail "update-mime-database refused the MIME file"
for type in $(sed -n 's/^MimeType=//p' "$desktop" | tr ';' ' '); do
  grep -q "^$type\$" "$scratch/mime/types" || grep -q "type=\"$type\"" /usr/share/mime/packages/freedesktop.org.xml ||
    fail "the menu entry opens $type, which no MIME file defines"
done
for glob in zov mdl cat uml puml plantuml pu mmd mermaid; do
  grep -q ":\*\.$glob\$" "$scratch/mime/globs2" || fail "no MIME type claims *.$glob"
done
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "the menu entry's icon $icon is not installed"

echo "== the unpacked programs"
version=$(dpkg-deb -f "$zov_deb" Version)
version=${version%-*}
commit=unknown
if [ "$(git -c safe.directory='*' rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ]; then
  commit=$(git -c safe.directory='*' rev-parse --short HEAD)
fi
said=$("$root/usr/bin/zov" --version)
echo "$said"
[ "$said" = "zov (Zov Suite) $version (commit $commit)" ] || fail "zov --version: expected version $version, commit $commit"
ldd "$root/usr/bin/zov" | grep -qi qt && fail "zov links Qt"
# The installed example with its unit, planned as the golden files say.
(cd "$scratch" && "$root/usr/bin/zov" plan "$root/usr/share/doc/zov/examples/ATM.mdl" --seed 1 --out plan --quiet)
rm -f "$scratch/plan/.zov-plan" "$scratch/plan/.zov-lock"
diff -r tests/golden/ATM "$scratch/plan" > /dev/null || fail "the installed example planned other files than tests/golden/ATM"
said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/zov-suite" --version)
echo "$said"
[ "$said" = "Zov Suite $version (commit $commit)" ] || fail "zov-suite --version: expected version $version, commit $commit"

echo "== manual pages"
for page in zov zov-suite; do
  text=$(MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1.gz" 2> "$scratch/man.err")
  [ ! -s "$scratch/man.err" ] || { cat "$scratch/man.err"; fail "man -l $page.1.gz complained"; }
  printf '%s\n' "$text" | grep -q "^NAME" || fail "$page(1) has no NAME section"
  printf '%s\n' "$text" | head -1
done
# Narrow, no word is broken at a line end: what is copied from the page works.
for page in zov zov-suite; do
  broken=$(MANWIDTH=60 man -l "$root/usr/share/man/man1/$page.1.gz" 2>/dev/null | grep -E '[[:alpha:]](-|‐)$' || true)
  [ -z "$broken" ] || { printf '%s\n' "$broken"; fail "$page(1) breaks words at line ends"; }
done
# zov(1) lists every option of every command.
options=$(for command in load tree spec plan; do "$root/usr/bin/zov" "$command" --help; done |
  grep -oE '^  --[a-z-]+' | sort -u)
for option in $options; do
  MANWIDTH=80 man -l "$root/usr/share/man/man1/zov.1.gz" 2>/dev/null | grep -q -- "$option" || fail "zov(1) lacks $option"
done
echo "== the user guide's commands, copied as they are by a user in a folder of theirs"
guide=$root/usr/share/doc/zov/docs/user-guide.md
mine=$scratch/home
mkdir -p "$mine"
chmod 755 "$scratch"
as_user=()
if [ "$(id -u)" = 0 ] && command -v runuser > /dev/null; then
  chown nobody "$mine"
  as_user=(runuser -u nobody --)
fi
commands=$(sed -n 's/^    zov /zov /p' "$guide")
[ -n "$commands" ] || fail "the user guide holds no zov command"
while IFS= read -r command; do
  run=$(printf '%s\n' "$command" | sed "s|^zov |$root/usr/bin/zov |; s|/usr/share/doc/zov/|$root/usr/share/doc/zov/|g")
  (cd "$mine" && "${as_user[@]}" sh -c "$run" > /dev/null 2>&1) || fail "the user guide's command fails: $command"
done <<< "$commands"
echo "$(printf '%s\n' "$commands" | wc -l) commands of the user guide ran"

echo "packages checked: $(basename "$zov_deb") ($(stat -c %s "$zov_deb") bytes), $(basename "$suite_deb") ($(stat -c %s "$suite_deb") bytes)"
