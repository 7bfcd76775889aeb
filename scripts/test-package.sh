#!/usr/bin/env bash
# Checks the Debian package as a user meets it: lintian finds no error; once installed, the menu
# entry and AppStream data are valid, file managers open logs with Quillet, the icons have their
# sizes, quillet-convert runs, the manual pages are found, and the menu entry's command opens
# the window (under Xvfb, closed as a person closes it); once removed, nothing of it is left.
# Usage: test-package.sh PACKAGE.deb
set -euo pipefail

fail() {
  echo "test-package: $*" >&2
  exit 1
}

# Run inside Xvfb: starts the menu entry's command with a window manager, waits for the window,
# checks its class, saves a screenshot, closes the window with Alt+F4 and expects the program to
# end with 0.
check_window() {
  local screenshot=$1 window_class=$2 window_caption=$3
  shift 3
  openbox &
  local window_manager=$!
  sleep 1
  "$@" &
  local program=$!
  local window
  window=$(timeout 30 xdotool search --sync --onlyvisible --name "^${window_caption}\$" | head -n 1) ||
    fail "no window \"$window_caption\" appeared"
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
  kill "$window_manager"
  [ "$status" -eq 0 ] || fail "quillet ended with status $status"
}

if [ "${1:-}" = --check-window ]; then
  shift
  check_window "$@"
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

echo "== a log opened from the file manager"
content_type=$(LC_ALL=C gio info -a standard::content-type samples/WarmUpQMRX.pdb |
  sed -n 's/^ *standard::content-type: //p')
handlers=$(LC_ALL=C gio mime "$content_type")
grep -qF "$desktop_id.desktop" <<<"$handlers" ||
  fail "Quillet does not open logs ($content_type) from the file manager"

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

echo "== the window, started by the menu entry's command"
read -r -a command <<<"$(sed -n 's/^Exec=//p' "$desktop_entry")"
window_class=$(sed -n 's/^StartupWMClass=//p' "$desktop_entry")
# A file manager puts the log the user opened in place of %f.
command=("${command[@]/#%f/$PWD/samples/WarmUpQMRX.pdb}")
xvfb-run -a -s "-screen 0 800x600x24" "$0" --check-window "$results/window.png" "$window_class" "$window_caption" \
  "${command[@]}"
echo "screenshot: $results/window.png"

echo "== remove"
trap - EXIT
remove_package
! installed || fail "$package is still installed"
for file in /usr/bin/quillet /usr/bin/quillet-convert "$desktop_entry" "$metainfo"; do
  [ ! -e "$file" ] || fail "$file is left after the package was removed"
done
echo "test-package: all checks passed"
