#!/usr/bin/env bash
# quillet.exe under Wine, used from the keyboard as a person would: the window, a conversion
# typed and started by the keyboard, the "Bad Filename" box, both "Browse" dialogs and the
# remembered folders in the registry; an empty argument; and "Show log page" (quillet.exe
# --page) with a stand-in browser.
# Usage: window_test.sh QUILLET.EXE QUILLET-CONVERT.EXE SAMPLES-DIR BROWSER-STAND-IN.EXE
# (WINE and WINEPREFIX set)
set -euo pipefail
quillet=$1
converter=$2
samples=$3
browser=$4
source "$(dirname "$0")/../../scripts/wine-desktop.sh"

work=$(mktemp -d)
# The stand-in browser is the default verb of Wine's HTML file type while the test runs.
html_verbs='HKLM\Software\Classes\htmlfile\shell'
forget_browser() {
  "$WINE" reg delete "$html_verbs\\quillet-test" /f >/dev/null 2>&1 || true
  "$WINE" reg delete "$html_verbs" /ve /f >/dev/null 2>&1 || true
}
# The pages "Show log page" keeps can be made again.
forget_pages() { rm -f "$WINEPREFIX"/drive_c/users/*/AppData/Local/quillet/pages/ThirdGearQMRX-*; }
trap 'stop_desktop; forget_browser; forget_pages; rm -rf "$work"' EXIT
failure_screenshot=window_test_failure.png

# One self-contained program: nothing beside it but what every Windows has.
system_dlls=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll "
only_system_dlls() {
  local dll
  for dll in $(x86_64-w64-mingw32-objdump -p "$quillet" | sed -n 's/^\tDLL Name: //p' | tr A-Z a-z); do
    [[ "$system_dlls" == *" $dll "* ]] || { echo "imports $dll" >&2; return 1; }
  done
}
check "quillet.exe imports only DLLs that Windows ships" only_system_dlls
check "quillet.exe says it is Quillet 1.02" \
  bash -c "wrestool -x --raw --type=16 '$quillet' | strings -el | grep -qxF 1.02"
check "quillet.exe asks for common controls 6 and per-monitor DPI" \
  bash -c "wrestool -x --raw --type=24 '$quillet' | grep -q Common-Controls &&
           wrestool -x --raw --type=24 '$quillet' | grep -q PerMonitorV2"

# Typed paths stay ASCII (xdotool cannot type other letters reliably); the non-ASCII one comes
# as the program's argument.
logs="$work/Logs"
opened="$work/Fahrten ä"
mkdir -p "$logs" "$work/Csv" "$opened"
cp "$samples/ThirdGearQMRX.pdb" "$logs/ThirdGearQMRX.pdb"
cp "$samples/ThirdGearQMRX.pdb" "$opened/ThirdGearQMRX.pdb"
"$WINE" "$converter" "$(windows_path "$logs/ThirdGearQMRX.pdb")" "$(windows_path "$work/expected.csv")"
"$WINE" reg delete 'HKCU\Software\Riravazev' /f >/dev/null 2>&1 || true

start_desktop
# Wine gives a program started from a terminal that terminal as its console, even a window
# program, which Windows never gives one; a pipe keeps the terminal away.
"$WINE" "$quillet" </dev/null 2>&1 | cat &
window=$(wait_for_window "Vantrel Log Converter v1.02" 120)
xdotool windowactivate --sync "$window"
sleep 1

eval "$(xdotool getwindowgeometry --shell "$window")"
check "client area is 332 x 158" test "${WIDTH}x${HEIGHT}" = 332x158

# Focus starts on "Convert"; Tab moves it to the input box, where Enter presses nothing.
press Tab Return
sleep 2
check "Enter in a path box presses no button" \
  test -z "$(xdotool search --onlyvisible --name '^Quillet$' 2>/dev/null)"

# Typed paths, in double quotes as Explorer's "Copy as path" gives them, then Tab Tab Tab back
# to "Convert" and Enter.
type_text "\"$(windows_path "$logs/ThirdGearQMRX.pdb")\""
press Tab
type_text "\"$(windows_path "$work/typed.csv")\""
press Tab Tab Tab Return
wait_for_file "$work/typed.csv"
check "the typed conversion matches quillet-convert byte for byte" \
  cmp "$work/expected.csv" "$work/typed.csv"

# With the log gone, Enter on "Convert" shows "Bad Filename"; Enter closes it, and the focus
# is back on "Convert", so the space bar shows it again.
mv "$logs/ThirdGearQMRX.pdb" "$work/aside.pdb"
message_box_size() {
  local WINDOW X Y WIDTH HEIGHT SCREEN
  eval "$(xdotool getwindowgeometry --shell "$(wait_for_window Quillet 30)")"
  echo "${WIDTH}x${HEIGHT}"
}
for key in Return space; do
  round="$key on Convert:"
  press "$key"
  check "$round \"Bad Filename\" box opens" wait_for_window Quillet 30
  bad_filename_box=$(message_box_size)
  press Return
  check "$round \"Bad Filename\" box closes with Enter" wait_for_window_gone Quillet 30
done
mv "$work/aside.pdb" "$logs/ThirdGearQMRX.pdb"

# "CON" names the console, which a window program has none of: the output is refused as it is
# opened, so a log cut short in its records still shows "Bad Filename", in a box of that size,
# not error 62 once the whole log has been read.
head -c 1000 "$samples/ThirdGearQMRX.pdb" >"$logs/CutQMRX.pdb"
press Tab
type_text "$(windows_path "$logs/CutQMRX.pdb")"
press Tab
type_text CON
press Tab Tab Tab Return
check "a CSV to CON: a message box opens" wait_for_window Quillet 30
sleep 1
import -window root window_test_con.png
check "a CSV to CON: the box is the \"Bad Filename\" box" \
  test "$(message_box_size)" = "$bad_filename_box"
press Return
check "a CSV to CON: the box closes with Enter" wait_for_window_gone Quillet 30

# A PalmDir entry that cannot be read as a text (empty, one byte, a number), as damage or another
# program may leave it, is a missing one: the dialog opens in its default folder. Tab Tab Tab
# from "Convert" reaches the input "Browse"; a closed dialog gives the focus back to it.
press Tab Tab Tab
for entry in 'hex(1):' 'hex(1):41' 'dword:00000005'; do
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Riravazev\\LastDirs]\r\n"PalmDir"=%s\r\n' \
    "$entry" >"$work/damaged.reg"
  "$WINE" reg import "$(windows_path "$work/damaged.reg")" >/dev/null 2>&1
  press Return
  check "the input dialog opens over a PalmDir of $entry" \
    wait_for_window "Choose a Vantrel Log to convert" 60
  sleep 1
  import -window root "window_test_palmdir_${entry//[^a-z0-9]/_}.png"
  press Escape
  check "the input dialog over a PalmDir of $entry closes" \
    wait_for_window_gone "Choose a Vantrel Log to convert"
done

# A remembered folder longer than the dialog takes would overrun its buffers of MAX_PATH: one of
# 1,100 characters, or of 98,000, starts the dialog in its default folder, and the window lives
# on. One at the limit, 248 characters, starts it there. The output "Browse" is one Tab further.
remember() {  # remember KEY WINDOWS-TEXT
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Riravazev\\LastDirs]\r\n"%s"="%s"\r\n' \
    "$1" "${2//\\/\\\\}" >"$work/remembered.reg"
  "$WINE" reg import "$(windows_path "$work/remembered.reg")" >/dev/null 2>&1
}
# An existing folder in $work whose Windows path, with its final "\", is $1 characters long.
folder_of_length() {
  local folder=$work/long
  until [ $(($1 - $(windows_path "$folder/" | wc -c))) -le 42 ]; do
    folder+=/$(printf 'f%.0s' $(seq 40))
  done
  folder+=/$(printf 'g%.0s' $(seq $(($1 - $(windows_path "$folder/" | wc -c) - 1))))
  mkdir -p "$folder"
  windows_path "$folder/"
}
long_rows=(
  "PalmDir|Choose a Vantrel Log to convert|1,100 characters|$(folder_of_length 1100)"
  "PalmDir|Choose a Vantrel Log to convert|248 characters|$(folder_of_length 248)"
  "OutDir|Save File|98,000 characters|C:\\$(head -c 98000 /dev/zero | tr '\0' a)"
)
focus=PalmDir
for row in "${long_rows[@]}"; do
  IFS='|' read -r key title length folder <<<"$row"
  if [ "$key" != "$focus" ]; then
    press Tab
    focus=$key
  fi
  remember "$key" "$folder"
  press Return
  check "the dialog opens over a $key of $length" wait_for_window "$title" 60
  sleep 1
  import -window root "window_test_${key}_${length//[^0-9]/}.png"
  press Escape
  check "the dialog over a $key of $length closes" wait_for_window_gone "$title"
  check "the window lives on after a $key of $length" \
    wait_for_window "Vantrel Log Converter v1.02" 5
done
press shift+Tab
"$WINE" reg delete 'HKCU\Software\Riravazev' /f >/dev/null 2>&1
press Tab Tab

# Both "Browse" dialogs, opened from the keyboard: Tab Tab Tab from "Convert" reaches the
# input "Browse", Tab once more the output one.
press Tab Tab Tab Return
check "input dialog opens with its title" wait_for_window "Choose a Vantrel Log to convert" 60
type_text "$(windows_path "$logs/ThirdGearQMRX.pdb")"
press Return
check "input dialog closes on a chosen log" wait_for_window_gone "Choose a Vantrel Log to convert"
press Tab Return
check "output dialog opens with its title" wait_for_window "Save File" 60
type_text "$(windows_path "$work/Csv/browsed")"
press Return
check "output dialog closes on a typed name" wait_for_window_gone "Save File"
press Tab Return
wait_for_file "$work/Csv/browsed"
check "the browsed conversion writes the name as typed, byte for byte" \
  cmp "$work/expected.csv" "$work/Csv/browsed"

# Read through an export, which keeps non-ASCII text that the console's code page would not.
registry_value() {
  "$WINE" reg export 'HKCU\Software\Riravazev\LastDirs' "$(windows_path "$work/lastdirs.reg")" /y \
    >/dev/null 2>&1
  iconv -f UTF-16 -t UTF-8 "$work/lastdirs.reg" | tr -d '\r' |
    sed -n "s/^\"$1\"=\"\(.*\)\"$/\1/p" | sed 's/\\\\/\\/g'
}
check "PalmDir holds the log's folder" \
  test "$(registry_value PalmDir)" = "$(windows_path "$logs/")"
check "OutDir holds the output's folder" \
  test "$(registry_value OutDir)" = "$(windows_path "$work/Csv/")"

# Closing the window ends the program; `quillet.exe LOG` opens it with LOG and its CSV in the
# boxes, and converts nothing until "Convert" is pressed.
press alt+F4
check "Alt+F4 closes the window" wait_for_window_gone "Vantrel Log Converter v1.02"
"$WINE" "$quillet" "$(windows_path "$opened/ThirdGearQMRX.pdb")" &
window=$(wait_for_window "Vantrel Log Converter v1.02" 120)
xdotool windowactivate --sync "$window"
sleep 2
check "a log given as the argument is not converted at once" test ! -e "$opened/ThirdGearQMRX.csv"
press Return
wait_for_file "$opened/ThirdGearQMRX.csv"
check "Enter converts the argument's log into its CSV beside it" \
  cmp "$work/expected.csv" "$opened/ThirdGearQMRX.csv"
press alt+F4
wait_for_window_gone "Vantrel Log Converter v1.02"

# Runs COMMAND and writes its exit status into FILE.
status_into() {  # status_into FILE COMMAND...
  local status=0
  "${@:2}" || status=$?
  echo "$status" >"$1"
}

# An empty argument (a shortcut's "%1" with nothing to fill it) opens the window as no argument
# does.
status_into "$work/empty-status.txt" "$WINE" "$quillet" "" </dev/null >/dev/null 2>&1 &
empty_run=$!
check "an empty argument opens the window" wait_for_window "Vantrel Log Converter v1.02" 120
press alt+F4
wait "$empty_run"
check "with an empty argument, the program ends with status 0" \
  test "$(cat "$work/empty-status.txt")" = 0

# Wine writes down the text of each message box it shows: in L"...", with "\" doubled and line
# ends as \r\n.
shown_boxes() { sed -n 's/.*:trace:msgbox:MSGBOX_OnInit //p' "$@"; }

# Shows the page of $1 where it cannot be shown, and closes the message box that says why; sets
# page_status and page_box, the box's text.
show_failing_page() {
  status_into "$work/page-status.txt" env WINEDEBUG=trace+msgbox "$WINE" "$quillet" --page "$1" \
    </dev/null >/dev/null 2>"$work/page-trace.txt" &
  local run=$!
  if wait_for_window Quillet 60 >/dev/null; then press Return; fi
  wait "$run"
  page_status=$(cat "$work/page-status.txt")
  page_box=$(shown_boxes "$work/page-trace.txt")
}

# "Show log page" of an empty name, as Explorer's "Copy as path" gives nothing, and of a log
# that is not there: the program's own message, naming the log, and status 1.
show_failing_page '""'
check "\"Show log page\" of an empty name says \"No log was named.\"" \
  test "$page_box" = 'L"No log was named."'
check "\"Show log page\" of an empty name ends with status 1" test "$page_status" = 1
missing=$(windows_path "$logs/NoneQMRX.pdb")
show_failing_page "$missing"
missing=${missing//\\/\\\\}
bad_filename='Bad Filename.  Please check the name and path of the files.'
check "\"Show log page\" of a missing log names it" test "$page_box" = \
  "L\"$missing:\\r\\n$bad_filename ($missing: no such file or directory)\""
check "\"Show log page\" of a missing log ends with status 1" test "$page_status" = 1

# Three showings of one log at once, none cached yet: each opens a whole page, the one
# quillet-convert.exe --html writes, without a message.
"$WINE" reg add "$html_verbs" /ve /d quillet-test /f >/dev/null 2>&1
"$WINE" reg add "$html_verbs\\quillet-test\\command" /ve /f \
  /d "\"$(windows_path "$browser")\" \"%1\"" >/dev/null 2>&1
mkdir "$work/opened"
"$WINE" "$converter" --html "$(windows_path "$work/expected.html")" \
  "$(windows_path "$logs/ThirdGearQMRX.pdb")"
showings=()
for showing in 1 2 3; do
  status_into "$work/showing-$showing-status.txt" \
    env QUILLET_OPENED_PAGES="$(windows_path "$work/opened")" WINEDEBUG=trace+msgbox \
    "$WINE" "$quillet" --page "$(windows_path "$logs/ThirdGearQMRX.pdb")" </dev/null \
    >/dev/null 2>"$work/showing-$showing.txt" &
  showings+=($!)
done
for showing in "${showings[@]}"; do wait "$showing"; done
# The browser starts on its own, once each program has handed it the page.
for _ in $(seq 300); do [ -e "$work/opened/3.html" ] && break; sleep 0.2; done
for showing in 1 2 3; do
  check "showing $showing of 3 at once ends with status 0" \
    test "$(cat "$work/showing-$showing-status.txt")" = 0
  check "showing $showing of 3 at once opens the whole page" \
    cmp "$work/expected.html" "$work/opened/$showing.html"
done
check "three showings at once show no message" \
  test -z "$(shown_boxes "$work"/showing-*.txt)"

# A browser that cannot be started: the page, whole in the cache, is named to be opened by hand.
"$WINE" reg add "$html_verbs\\quillet-test\\command" /ve /f \
  /d '"Z:\nonexistent\browser.exe" "%1"' >/dev/null 2>&1
show_failing_page "$(windows_path "$logs/ThirdGearQMRX.pdb")"
names_the_page() {
  [[ $page_box == 'L"The page could not be opened in a browser (Windows error 2).\r\nThe page is C:\\users\\'*'\\AppData\\Local\\quillet\\pages\\ThirdGearQMRX-'*'.html."' ]]
}
check "a browser that cannot be started is told, with the page to open by hand" names_the_page
check "a browser that cannot be started ends with status 1" test "$page_status" = 1

echo "window test: $failures failed"
[ "$failures" -eq 0 ]
