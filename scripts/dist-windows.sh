#!/usr/bin/env bash
# Writes the Windows downloads: a zip of the two programs, stripped, with a README.txt (CR LF
# line ends, as Notepad has always shown them) and the licence; and the installer of the same
# files, built by wixl from the source that the Windows build configured.
# Usage: dist-windows.sh WINDOWS-BUILD-DIR ZIP MSI
set -euo pipefail
build=$(realpath "$1")
zip=$(realpath -m "$2")
msi=$(realpath -m "$3")
top=$(cd "$(dirname "$0")/.." && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

for program in app/quillet.exe cli/quillet-convert.exe; do
  x86_64-w64-mingw32-strip -o "$stage/$(basename "$program")" "$build/$program"
done
sed 's/$/\r/' "$build/packaging/README.txt" >"$stage/README.txt"
sed 's/$/\r/' "$top/LICENSE" >"$stage/LICENSE.txt"

mkdir -p "$(dirname "$zip")" "$(dirname "$msi")"
rm -f "$zip" "$msi"
(cd "$stage" && zip -q -X -9 "$zip" ./*)
echo "wrote $zip"
unzip -l "$zip"

# wixl looks for the files that the source names in the folder it runs in.
(cd "$stage" && wixl --arch x64 --output "$msi" "$build/packaging/quillet.wxs")
echo "wrote $msi ($(stat -c %s "$msi") bytes)"
