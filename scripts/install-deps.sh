#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when any is missing.
# Usage: install-deps.sh [EXTRA-PACKAGE...]
set -euo pipefail

# librsvg2-bin's rsvg-convert renders the pictures that quillet-convert --plot draws, in the tests;
# chromium, with a font, opens the pages that --html writes.
packages=(cmake ninja-build g++ libgtest-dev libcli11-dev qt6-base-dev libgl-dev xvfb xauth xdotool
  librsvg2-bin openbox imagemagick strace util-linux chromium fonts-dejavu-core "$@")
# The build installs the log page's chart library with npm. Node.js and npm may come from
# elsewhere than Debian's packages, so these are added only when the commands are missing.
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
