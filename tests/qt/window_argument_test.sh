#!/usr/bin/env bash
# Starts the real window program with a log as its argument, as a file manager's "Open with"
# does, on a virtual X server. Nothing may be converted until Convert is
# pressed; Enter presses it (the focus starts there), and the CSV beside the log must then be
# the one quillet-convert writes.
# Usage: window_argument_test.sh QUILLET QUILLET-CONVERT SAMPLE-LOG
# (run under xvfb-run: it needs a display)
set -euo pipefail
quillet=$1
converter=$2
sample=$3
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

log="$work/Warm Up QMRX.pdb"
csv="$work/Warm Up QMRX.csv"
cp "$sample" "$log"

# The first visible window whose name matches, once there is one; polled, since a window mapped
# while `xdotool search --sync` starts can be missed.
wait_for_window() {
  for _ in $(seq 300); do
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep . && return 0
    sleep 0.1
  done
  echo "FAIL: no window named $1 showed" >&2
  return 1
}

cd "$work"
"$quillet" "Warm Up QMRX.pdb" &
pids+=($!)
window=$(wait_for_window "Vantrel Log Converter")
xdotool windowfocus --sync "$window"
sleep 0.5
if [ -e "$csv" ]; then
  echo "FAIL: the log was converted before Convert was pressed"
  exit 1
fi

xdotool key --clearmodifiers Return
for _ in $(seq 100); do
  [ -s "$csv" ] && break
  sleep 0.1
done
"$converter" "$log" "$work/expected.csv"
if ! cmp "$csv" "$work/expected.csv"; then
  echo "FAIL: the window did not write the CSV of its argument beside the log"
  exit 1
fi
echo "PASS: quillet LOG filled both boxes and converted on Convert"
