#!/usr/bin/env bash
# Installs the Debian packages that building and testing Zov Suite needs,
# only those that are missing. Run as root (or through sudo).
set -euo pipefail

packages=(cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
          libgtest-dev libgmock-dev libpugixml-dev libabsl-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev python3-jsonschema clang libclang-rt-14-dev xvfb xauth
          libkainjow-mustache-dev chromium python3-allpairspy
          lintian desktop-file-utils appstream help2man strace openbox
          at-spi2-core dbus-daemon libglib2.0-bin xdotool)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The official Gherkin parser, with which the tests read the plan's feature
# files as Cucumber does; from the npm registry, into a folder of its own.
# Without it (no network) those checks are skipped and say so.
gherkin_prefix=${ZOV_GHERKIN_PREFIX:-/usr/local/lib/zov-tests}
if [ ! -f "$gherkin_prefix/node_modules/@cucumber/gherkin/package.json" ]; then
  if ! command -v npm > /dev/null; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    command -v node > /dev/null || { $SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends nodejs npm; } || true
  fi
  if command -v npm > /dev/null; then
    echo "Installing the Gherkin parser into $gherkin_prefix"
    npm install --silent --no-audit --no-fund --prefix "$gherkin_prefix" @cucumber/gherkin@42 @cucumber/messages@34 > /dev/null 2>&1 \
      || echo "Note: the Gherkin parser could not be installed from the npm registry: the feature files' checks are skipped."
  fi
fi
