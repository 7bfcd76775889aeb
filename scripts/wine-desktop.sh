# Functions for running the Windows build as a person would: a virtual X screen with a window
# manager (without one, Wine does not hand the keyboard focus to its dialogs reliably), Wine,
# and xdotool. Source it; it needs WINE (the wine64 loader) and WINEPREFIX set.

# Starts Xvfb and openbox on a free display and exports DISPLAY; both end with the shell, by
# stop_desktop, which the caller's own EXIT trap calls when it has one.
# Wine's session ends first: one started without this display would keep windows off it.
start_desktop() {
  local display_file
  "$(dirname "$WINE")/wineserver" -k 2>/dev/null || true
  "$(dirname "$WINE")/wineserver" -w
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  desktop_pids=($!)
  for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$display_file")"
  rm -f "$display_file"
  openbox >/dev/null 2>&1 &
  desktop_pids+=($!)
  [ -n "$(trap -p EXIT)" ] || trap stop_desktop EXIT
  # Windows opened before the window manager runs would never be given the focus.
  for _ in $(seq 600); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
  local pid alive=()
  for pid in "${desktop_pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive+=("$pid"); done
  echo "openbox did not start on display $DISPLAY (running: ${alive[*]:-none} of ${desktop_pids[*]})" >&2
  return 1
}

stop_desktop() {
  "$(dirname "$WINE")/wineserver" -k 2>/dev/null || true
  kill "${desktop_pids[@]}" 2>/dev/null || true
}

# Prints the id of the visible window whose title is exactly $1, waiting up to $2 seconds.
wait_for_window() {
  local title=$1 seconds=${2:-60} id
  for _ in $(seq $((seconds * 5))); do
    id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.2
  done
  echo "no window titled \"$title\" within $seconds s" >&2
  return 1
}

# Waits up to $2 seconds for the window titled exactly $1 to go.
wait_for_window_gone() {
  local title=$1 seconds=${2:-30}
  for _ in $(seq $((seconds * 5))); do
    xdotool search --onlyvisible --name "^${title}\$" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  echo "window \"$title\" still open after $seconds s" >&2
  return 1
}

# Waits up to a minute for the file $1 to hold something, then a second for its writer to
# finish; the check that follows tells whether it came.
wait_for_file() {
  for _ in $(seq 300); do [ -s "$1" ] && break; sleep 0.2; done
  sleep 1
}

# Runs COMMAND, says whether DESCRIPTION holds and counts the failures; on a screen, the screen
# at the first failure is kept as $failure_screenshot.
failures=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}" >/dev/null; then echo "ok: $1"; return; fi
  echo "FAILED: $1"
  if [ "$failures" -eq 0 ] && [ -n "${DISPLAY:-}" ]; then
    import -window root "${failure_screenshot:-test_failure.png}" || true
  fi
  failures=$((failures + 1))
}

# Presses keys in the focused window, one at a time, as a person types.
press() { xdotool key --delay 150 "$@"; sleep 0.5; }
type_text() { xdotool type --delay 40 "$1"; sleep 0.3; }

# A host path as Windows programs under Wine name it: on drive Z:, with "\" separators.
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
