#!/usr/bin/env bash
# Drives the real window on an X server with a window manager, as a person would. During a
# conversion that takes seconds, a click on "Convert", the space bar and typing must start no
# second conversion, and the window must paint itself again after it was minimised and
# restored. Run it under an X server: window_during_run.sh QUILLET MAKE_LOGS SCREENSHOT.png
set -euo pipefail
quillet=$1 make_logs=$2 screenshot=$3

work=$(mktemp -d)
cleanup() {
  kill $(jobs -p) 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$make_logs" long "$work/LongQMRX.pdb"
openbox --sm-disable >/dev/null 2>&1 &
# strace tells each opening of the output, one per conversion, and each closing of it.
strace -f -qq -y -e trace=openat,close -o "$work/calls" "$quillet" &
window=$(xdotool search --sync --name "Vantrel Log Converter")
xdotool windowactivate --sync "$window"

# Positions in the window, in pixels: the two path boxes and "Convert".
xdotool mousemove --window "$window" 120 36 click 1 type "$work/LongQMRX.pdb"
xdotool mousemove --window "$window" 120 87 click 1 type "/dev/null"
xdotool mousemove --window "$window" 290 129 click 1
sleep 0.5
xdotool click 1 key space type "more"
xdotool windowminimize --sync "$window"
xdotool windowactivate --sync "$window"
sleep 0.5
import -window "$window" "$screenshot"

# The first conversion has ended when the output it opened is closed again.
first_ended() {
  awk '/"\/dev\/null", O_WRONLY\|O_CREAT\|O_TRUNC/ && !fd { split($0, r, "= "); fd = r[2] + 0 }
       fd && index($0, "close(" fd "</dev/null>)") { found = 1 }
       END { exit !found }' "$work/calls"
}
deadline=$((SECONDS + 120))
until first_ended; do
  if [ $SECONDS -ge $deadline ]; then
    echo "FAIL: the conversion did not end"
    exit 1
  fi
  sleep 0.2
done
# A click or key replayed after the run would start the next conversion at once.
sleep 2
conversions=$(grep -c '"/dev/null", O_WRONLY|O_CREAT|O_TRUNC' "$work/calls" || true)
if [ "$conversions" -ne 1 ]; then
  echo "FAIL: $conversions conversions; input made during the first started another"
  exit 1
fi
# The labels and boxes stand on the light window background; unpainted, it stays black.
brightness=$(convert "$screenshot" -crop 100%x50%+0+0 -format '%[fx:mean]' info:)
if awk -v b="$brightness" 'BEGIN { exit !(b < 0.5) }'; then
  echo "FAIL: the window was blank after it was restored during the run"
  exit 1
fi
echo "PASS: one conversion; the window painted during it (see $screenshot)"
