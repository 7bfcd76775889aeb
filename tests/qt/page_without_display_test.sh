#!/usr/bin/env bash
# "Show log page" from a terminal without a display: quillet --page writes the log's page and
# hands it to the browser (here an xdg-open of the test's own that notes what it is given),
# whatever the log's name looks like; every failure names the file it is about.
# Usage: page_without_display_test.sh QUILLET SAMPLE-LOG
set -euo pipefail
quillet=$1
sample=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/logs"
cat >"$work/bin/xdg-open" <<'OPEN'
#!/bin/sh
echo "$1" >>"$(dirname "$0")/opened"
exit "${XDG_OPEN_STATUS:-0}"
OPEN
chmod +x "$work/bin/xdg-open"
cp "$sample" "$work/logs/-reverse"
cp "$sample" "$work/logs/Run QMRX.pdb"
failures=0

# Runs quillet --page LOG without a display, in the logs' folder; sets status and messages.
show_page() {
  set +e
  messages=$(cd "$work/logs" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    XDG_CACHE_HOME="${cache:-$work/cache}" PATH="$work/bin:/usr/bin:/bin" "$quillet" --page "$@" 2>&1)
  status=$?
  set -e
}

check() {
  local what=$1
  shift
  if "$@"; then echo "PASS: $what"; else echo "FAIL: $what (status $status: $messages)"; failures=$((failures + 1)); fi
}

opened_page() { tail -n 1 "$work/bin/opened" 2>/dev/null; }

show_page -reverse
check "a log named like a toolkit option gets its page, opened without a display" \
  test "$status" = 0 -a -s "$(opened_page)"

page=$(opened_page)
show_page -reverse
check "the page of the same bytes is taken from the cache" \
  test "$status" = 0 -a "$(opened_page)" = "$page"

XDG_OPEN_STATUS=3 show_page "Run QMRX.pdb"
check "a browser that cannot be started is reported with the page to open by hand" \
  bash -c '[[ $0 != 0 && $1 == *"could not be opened in a browser"*"The page is $2/cache/quillet/pages/Run QMRX-"*".html." ]]' \
  "$status" "$messages" "$work"

touch "$work/not-a-folder"
cache="$work/not-a-folder" show_page "Run QMRX.pdb"
check "a cache folder that cannot be made is named with the system's reason" \
  bash -c '[[ $0 != 0 && $1 == *"cannot be kept in the cache folder $2/not-a-folder/quillet/pages ("*"not a directory)."* ]]' \
  "$status" "$messages" "$work"

show_page "$work/logs/none QMRX.pdb"
check "a log that is not there is named with the system's reason" \
  bash -c '[[ $0 != 0 && $1 == *"$2/logs/none QMRX.pdb:"*"Bad Filename."*"no such file or directory)"* ]]' \
  "$status" "$messages" "$work"

show_page -reverse "Run QMRX.pdb"
check "two logs open one page that compares them, named after the first" \
  bash -c '[[ $0 == 0 && $(basename "$1") == -reverse+1-*.html ]] && grep -q "</html>" "$1"' \
  "$status" "$(opened_page)"

# Two showings of one log at once both open a whole page, whichever writes last.
rm -rf "$work/cache"
(show_page "Run QMRX.pdb"; echo "$status" >"$work/first") &
(show_page "Run QMRX.pdb"; echo "$status" >"$work/second") &
wait
check "two showings at once both open the page" \
  test "$(cat "$work/first")$(cat "$work/second")" = 00
check "the page they opened is whole" grep -q '</html>' "$(opened_page)"

exit "$failures"
