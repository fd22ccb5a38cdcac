#!/usr/bin/env bash
# Installs the Debian packages that building and testing Zov Suite needs,
# only those that are missing. Run as root (or through sudo).
set -euo pipefail

packages=(cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
          libgtest-dev libgmock-dev libpugixml-dev libabsl-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev python3-jsonschema clang libclang-rt-14-dev xvfb xauth
          libkainjow-mustache-dev chromium python3-allpairspy
          lintian desktop-file-utils appstream help2man)
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
