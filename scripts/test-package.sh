#!/usr/bin/env bash
# Checks the Debian package as a user meets it: lintian finds no error; once installed, the menu
# entry and AppStream data are valid, the desktop knows logs as a file type of their own and
# opens them with Quillet, the icons have their sizes, quillet-convert runs, the manual pages
# are found, the menu entry's command opens the window (under Xvfb, closed as a person closes
# it), a log opened as a file manager opens it shows in the window, which converts it on Enter,
# and the entry's action "Show log page" on a log has a stand-in browser open the log's page from
# the cache folder; once removed, nothing of it is left.
# Usage: test-package.sh PACKAGE.deb
set -euo pipefail

readonly log_type=application/x-vantrel-log

fail() {
  echo "test-package: $*" >&2
  exit 1
}

# The file type that file managers built on GIO (GNOME's, Xfce's, LXDE's…) give a file;
# xdg-mime asks GIO on those desktops.
file_type() {
  XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$1"
}

wait_for_window() {
  timeout 30 xdotool search --sync --onlyvisible --name "^${window_caption}\$" | head -n 1 |
    grep . || fail "no window \"$window_caption\" appeared"
}

# Starts the menu entry's command, waits for the window, checks its class, saves a screenshot,
# closes the window with Alt+F4 and expects the program to end with 0.
check_window() {
  local screenshot=$1 window_class=$2
  shift 2
  "$@" &
  local program=$!
  local window
  window=$(wait_for_window)
  local windows_of_class
  windows_of_class=$(xdotool search --classname "^${window_class}\$")
  grep -qx "$window" <<<"$windows_of_class" ||
    fail "the window's class is not the menu entry's StartupWMClass, $window_class"
  sleep 1
  import -window root "$screenshot"
  xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4
  local status=0
  timeout 10 tail --pid="$program" -f /dev/null || fail "the window did not close on Alt+F4"
  wait "$program" || status=$?
  [ "$status" -eq 0 ] || fail "quillet ended with status $status"
}

# Opens LOG as a double-click in a file manager does (gio open: the default application of its
# file type, started by its desktop entry's command), saves a screenshot, presses Enter in the
# window, where the focus starts on "Convert", and expects the CSV beside the log to hold the
# bytes of EXPECTED-CSV; then closes the window with Alt+F4.
check_opened_log() {
  local screenshot=$1 log=$2 expected_csv=$3
  local csv=${log%.pdb}.csv
  gio open "$log"
  local window program
  window=$(wait_for_window)
  program=$(xdotool getwindowpid "$window")
  sleep 1
  import -window root "$screenshot"
  [ ! -e "$csv" ] || fail "the opened log was converted before Convert was pressed"
  xdotool windowactivate --sync "$window" key --clearmodifiers Return
  for _ in $(seq 100); do
    [ -s "$csv" ] && break
    sleep 0.1
  done
  cmp "$expected_csv" "$csv" ||
    fail "Enter in the window did not write the opened log's CSV beside it"
  xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4
  timeout 10 tail --pid="$program" -f /dev/null || fail "the window did not close on Alt+F4"
}

# Runs the menu entry's action "Show log page" (page_command) on LOG as a file manager does, the
# log for %f or %F, with the stand-in browser first on PATH and the environment ENV (env's options
# and assignments) added.
run_page_action() {  # run_page_action LOG ENV...
  local log=$1 word command=()
  shift
  for word in "${page_command[@]}"; do
    if [ "$word" = %f ] || [ "$word" = %F ]; then command+=("$log"); else command+=("$word"); fi
  done
  env "$@" PATH="$browser:$PATH" "${command[@]}"
}

# What the stand-in browser was asked to open, a line each time.
opened_pages() { cat "$browser/opened" 2>/dev/null || true; }

# The file's identity and time, which change whenever it is written again.
written() { stat -c '%i %y' "$1"; }

# Runs the action on LOG, whose message box must show: saves a screenshot, closes the box with
# Enter and expects the program to end with status 1.
check_page_message() {  # check_page_message LOG SCREENSHOT
  run_page_action "$1" XDG_CACHE_HOME="$cache" &
  local program=$! box status=0
  box=$(timeout 30 xdotool search --sync --onlyvisible --name '^Quillet$' | head -n 1 | grep .) ||
    fail "no message box showed for $(basename "$1")"
  sleep 1
  import -window root "$2"
  xdotool windowactivate --sync "$box" key --clearmodifiers Return
  wait "$program" || status=$?
  [ "$status" -eq 1 ] || fail "\"Show log page\" of $(basename "$1") ended with status $status, not 1"
}

# "Show log page" on LOG, a whole log, opens the page that EXPECTED-PAGE holds, written in the
# cache folder; shown again, the same page unwritten; once the log changed, written again. A
# damaged log's page (DAMAGED-PAGE) opens after its message. Without XDG_CACHE_HOME, the page is
# cached under ~/.cache.
check_page_action() {
  local log=$1 expected_page=$2 damaged_log=$3 damaged_page=$4 status=0 page first_written
  run_page_action "$log" XDG_CACHE_HOME="$cache" || fail "\"Show log page\" ended with status $?"
  page=$(opened_pages)
  [ "$(opened_pages | wc -l)" -eq 1 ] && [[ $page == "$cache/quillet/pages/"*.html ]] ||
    fail "the browser was asked to open $page, not one page in the cache folder $cache"
  cmp "$expected_page" "$page" || fail "the opened page is not the one quillet-convert --html writes"
  first_written=$(written "$page")
  run_page_action "$log" XDG_CACHE_HOME="$cache" || fail "shown again, it ended with status $?"
  [ "$(opened_pages | sed -n 2p)" = "$page" ] || fail "shown again, it did not open the same page"
  [ "$(written "$page")" = "$first_written" ] ||
    fail "shown again, the page was written again though the log had not changed"
  touch "$log"
  run_page_action "$log" XDG_CACHE_HOME="$cache" || fail "after a change it ended with status $?"
  [ "$(opened_pages | sed -n 3p)" = "$page" ] || fail "after a change it did not open the same page"
  [ "$(written "$page")" != "$first_written" ] ||
    fail "the page was not written again after the log changed"
  cmp "$expected_page" "$page" || fail "the page written again is not the log's"

  check_page_message "$damaged_log" "$results/page-damaged.png"
  cmp "$damaged_page" "$(opened_pages | sed -n 4p)" ||
    fail "the damaged log's opened page is not the one quillet-convert writes"

  run_page_action "$log" -u XDG_CACHE_HOME HOME="$results/home" || status=$?
  [ "$status" -eq 0 ] || fail "without XDG_CACHE_HOME, \"Show log page\" ended with status $status"
  [[ $(opened_pages | tail -n 1) == "$results/home/.cache/quillet/pages/"*.html ]] ||
    fail "without XDG_CACHE_HOME, the page was not cached under ~/.cache"
}

# Run inside Xvfb, with a window manager: the action "Show log page", whose command follows
# RESULTS and the action's arguments.
if [ "${1:-}" = --check-page-action ]; then
  results=$2 browser=$2/browser cache=$2/cache
  shift 2
  check_arguments=("${@:1:4}")
  page_command=("${@:5}")
  openbox &
  window_manager=$!
  sleep 1
  check_page_action "${check_arguments[@]}"
  kill "$window_manager"
  exit 0
fi

# Run inside Xvfb: both window checks, with a window manager.
if [ "${1:-}" = --check-windows ]; then
  results=$2 window_class=$3 window_caption=$4 log=$5 expected_csv=$6
  shift 6
  openbox &
  window_manager=$!
  sleep 1
  check_window "$results/window.png" "$window_class" "$@"
  check_opened_log "$results/opened-log.png" "$log" "$expected_csv"
  kill "$window_manager"
  exit 0
fi

[ $# -eq 1 ] && [ -f "$1" ] || fail "usage: test-package.sh PACKAGE.deb"
package_file=$(realpath "$1")
package=$(dpkg-deb --field "$package_file" Package)
version=$(dpkg-deb --field "$package_file" Version)
upstream_version=${version%-*}
window_caption="Vantrel Log Converter v$upstream_version"
cd "$(dirname "$0")/.."
results=build/package-test
rm -rf "$results"
mkdir -p "$results"

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
remove_package() {
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q "$package"
}
installed() {
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'
}

echo "== lintian"
lintian --fail-on error "$package_file"

echo "== install"
trap 'installed && remove_package' EXIT
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --reinstall \
  --no-install-recommends "$package_file"
installed_files=$(dpkg-query -L "$package")

echo "== desktop entry and AppStream data"
desktop_entry=$(grep '^/usr/share/applications/.*\.desktop$' <<<"$installed_files") ||
  fail "no desktop entry installed"
metainfo=$(grep '^/usr/share/metainfo/.*\.metainfo\.xml$' <<<"$installed_files") ||
  fail "no AppStream data installed"
desktop_id=$(basename "$desktop_entry" .desktop)
desktop-file-validate "$desktop_entry"
appstreamcli validate --no-net "$metainfo"

echo "== the log file type"
types=$results/types
mkdir -p "$types"
for name in WarmUpQMRX.pdb "Warm Up qmrx.pdb" WARMUPQMRX.PDB Run7QmRx.Pdb; do
  cp samples/WarmUpQMRX.pdb "$types/$name"
  type=$(file_type "$types/$name")
  [ "$type" = "$log_type" ] || fail "$name is a $type, not a $log_type"
done
cp samples/WarmUpQMRX.pdb "$types/book.pdb"
type=$(file_type "$types/book.pdb")
[ "$type" != "$log_type" ] || fail "book.pdb, a Palm database like others, is taken for a log"
# GIO's default, and the one that other desktops read from the desktop entries' cache.
for desktop in GNOME ""; do
  default=$(XDG_CURRENT_DESKTOP=$desktop xdg-mime query default "$log_type")
  [ "$default" = "$desktop_id.desktop" ] ||
    fail "logs open with \"$default\" ${desktop:+on $desktop }instead of Quillet"
done

echo "== icons"
for size in 16 32 48 64 128; do
  icon=/usr/share/icons/hicolor/${size}x${size}/apps/$desktop_id.png
  [ "$(identify -format '%wx%h' "$icon")" = "${size}x${size}" ] || fail "$icon is not ${size}x${size}"
done

echo "== quillet-convert"
[ "$(quillet-convert --version)" = "quillet-convert $upstream_version" ] ||
  fail "quillet-convert --version does not say $upstream_version"
quillet-convert samples/WarmUpQMRX.pdb "$results/WarmUp.csv"
[ "$(head -n 1 "$results/WarmUp.csv")" = $'WarmUpQMRX.pdb\r' ] ||
  fail "the installed quillet-convert wrote an unexpected CSV"
for program in quillet quillet-convert; do
  man -w "$program"
  page=$(man -P cat "$program" 2>/dev/null) || fail "man $program shows no page"
  grep -q "$program" <<<"$page" || fail "man $program shows no page of $program"
done

echo "== the window, from the menu and from a log opened in a file manager"
read -r -a exec_line <<<"$(sed -n 's/^Exec=//p' "$desktop_entry")"
window_class=$(sed -n 's/^StartupWMClass=//p' "$desktop_entry")
# A menu starts the command without a file, and so without its field code.
command=()
for word in "${exec_line[@]}"; do
  [ "$word" = %f ] || command+=("$word")
done
opened_log="$PWD/$results/Fahrten ä/Warm Up qmrx.pdb"
mkdir -p "$(dirname "$opened_log")"
cp samples/WarmUpQMRX.pdb "$opened_log"
quillet-convert "$opened_log" "$results/expected.csv"
xvfb-run -a -s "-screen 0 800x600x24" "$0" --check-windows "$results" "$window_class" "$window_caption" \
  "$opened_log" "$results/expected.csv" "${command[@]}"
echo "screenshots: $results/window.png $results/opened-log.png"

echo "== \"Show log page\", the menu entry's action on a log"
# A key of the desktop entry's group [Desktop Action ACTION].
action_key() {  # action_key ACTION KEY
  awk -v group="[Desktop Action $1]" -v key="$2=" '/^\[/ { within = $0 == group }
    within && index($0, key) == 1 { print substr($0, length(key) + 1) }' "$desktop_entry"
}
[ "$(action_key ShowPage Name)" = "Show log page" ] ||
  fail "the desktop entry has no action \"Show log page\""
read -r -a page_command <<<"$(action_key ShowPage Exec)"
page_logs="$PWD/$results/Seiten ä"
mkdir -p "$page_logs" "$results/browser" "$results/home"
# The stand-in browser writes down what it was asked to open.
cat >"$results/browser/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>"$PWD/$results/browser/opened"
EOF
chmod +x "$results/browser/xdg-open"
cp samples/ThirdGearQMRX.pdb "$page_logs/Third Gear QMRX.pdb"
quillet-convert --html "$results/expected.html" "$page_logs/Third Gear QMRX.pdb"
head -c -100 samples/ThirdGearQMRX.pdb >"$page_logs/CutQMRX.pdb"
! quillet-convert --html "$results/damaged.html" "$page_logs/CutQMRX.pdb" 2>/dev/null ||
  fail "quillet-convert converted a log cut short"
xvfb-run -a -s "-screen 0 800x600x24" "$0" --check-page-action "$PWD/$results" \
  "$page_logs/Third Gear QMRX.pdb" "$results/expected.html" "$page_logs/CutQMRX.pdb" \
  "$results/damaged.html" "${page_command[@]}"
echo "screenshot: $results/page-damaged.png"

echo "== remove"
trap - EXIT
remove_package
! installed || fail "$package is still installed"
while IFS= read -r file; do
  [ -d "$file" ] || [ ! -e "$file" ] || fail "$file is left after the package was removed"
done <<<"$installed_files"
[ "$(file_type "$types/WarmUpQMRX.pdb")" != "$log_type" ] ||
  fail "the desktop still knows logs after the package was removed"
! grep -qsF "$log_type" /usr/share/applications/mimeinfo.cache ||
  fail "the desktop entries' cache still names logs after the package was removed"
echo "test-package: all checks passed"
