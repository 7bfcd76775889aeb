#!/usr/bin/env bash
# Writes the Windows download: the two programs, stripped, with a README.txt (CR LF line ends,
# as Notepad has always shown them) and the licence when the project has one.
# Usage: dist-windows.sh WINDOWS-BUILD-DIR ZIP
set -euo pipefail
build=$1
zip=$(realpath -m "$2")
top=$(cd "$(dirname "$0")/.." && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

for program in app/quillet.exe cli/quillet-convert.exe; do
  x86_64-w64-mingw32-strip -o "$stage/$(basename "$program")" "$build/$program"
done
sed 's/$/\r/' "$top/win32/README.txt" >"$stage/README.txt"
if [ -f "$top/LICENSE" ]; then sed 's/$/\r/' "$top/LICENSE" >"$stage/LICENSE.txt"; fi

mkdir -p "$(dirname "$zip")"
rm -f "$zip"
(cd "$stage" && zip -q -X -9 "$zip" ./*)
echo "wrote $zip"
unzip -l "$zip"
