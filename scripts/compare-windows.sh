#!/usr/bin/env bash
# Converts every sample log and every fuzz seed (the damaged logs among them, written afresh by
# the native build's make_logs, since fuzz/corpus is kept minimised) with the native
# quillet-convert and with quillet-convert.exe under Wine, each also drawing the log's picture and
# writing its page and its MLG, and checks that both end alike: the same exit status, the same
# message, the same CSV, picture, page and MLG bytes. Only line 1 of the CSV differs where the
# log's name is not ASCII: Windows spells it a byte per character, as its spreadsheets read it.
# Usage: compare-windows.sh NATIVE-CONVERTER WINDOWS-CONVERTER
set -euo pipefail
native=$1
windows=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Two outputs match when both runs wrote the same bytes or neither wrote any file.
same_output() {
  if [ -e "$1" ] || [ -e "$2" ]; then cmp -s "$1" "$2"; fi
}

# The native CSV with line 1 spelled as on Windows: Latin-1, "?" beyond it.
as_on_windows() {
  perl -e 'binmode STDIN; binmode STDOUT; my $line = <STDIN>; utf8::decode($line);
    $line =~ s/[^\x00-\xFF]/?/g; utf8::downgrade($line); print $line; print while <STDIN>;' \
    <"$1" >"$1.windows"
  mv "$1.windows" "$1"
}

compared=0
differing=0

# Compares one log, given to the Windows build as windows_path (default: the same path).
compare() {
  local log=$1 windows_path=${2:-$1}
  set +e
  "$native" --plot "$work/native.svg" --html "$work/native.html" --mlg "$work/native.mlg" \
    "$log" "$work/native.csv" 2>"$work/native.err"
  native_status=$?
  "$WINE" "$windows" --plot "$work/windows.svg" --html "$work/windows.html" \
    --mlg "$work/windows.mlg" "$windows_path" "$work/windows.csv" 2>"$work/windows.err"
  windows_status=$?
  set -e
  tr -d '\r' <"$work/windows.err" >"$work/windows.txt"
  if [ -e "$work/native.csv" ]; then as_on_windows "$work/native.csv"; fi
  if [ "$native_status" != "$windows_status" ] ||
     ! cmp -s "$work/native.err" "$work/windows.txt" ||
     ! same_output "$work/native.csv" "$work/windows.csv" ||
     ! same_output "$work/native.svg" "$work/windows.svg" ||
     ! same_output "$work/native.html" "$work/windows.html" ||
     ! same_output "$work/native.mlg" "$work/windows.mlg"; then
    echo "DIFFERS: $log (exit $native_status native, $windows_status Windows)"
    differing=$((differing + 1))
  fi
  rm -f "$work"/native.* "$work"/windows.*
  compared=$((compared + 1))
}

make_logs="$(dirname "$native")/../tests/support/make_logs"
"$make_logs" seeds "$work/seeds"
"$make_logs" clock "$work/seeds/UnsteadyClockQMRX.pdb"
for log in samples/*.pdb "$work"/seeds/*.pdb; do
  compare "$log"
done

# A non-ASCII name, given to Windows as a drive-letter path with "\" separators.
mkdir -p "$work/Fahrten ä"
cp samples/WarmUpQMRX.pdb "$work/Fahrten ä/Warm ü €QMRX.pdb"
compare "$work/Fahrten ä/Warm ü €QMRX.pdb" "Z:$(printf '%s' "$work/Fahrten ä/Warm ü €QMRX.pdb" | tr / '\\')"

echo "compared: $((compared - differing)) passed, $differing failed"
[ "$differing" -eq 0 ]
