#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when any is missing.
# Usage: install-deps.sh [EXTRA-PACKAGE...]
set -euo pipefail

# librsvg2-bin's rsvg-convert renders the pictures that quillet-convert --plot draws, in the tests.
packages=(cmake ninja-build g++ libgtest-dev libcli11-dev qt6-base-dev libgl-dev xvfb xauth xdotool
  librsvg2-bin openbox imagemagick strace util-linux "$@")
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
