#!/usr/bin/env bash
# The Windows installer under Wine, as a user meets it: msiexec installs the programs, the
# Start-menu shortcut, "Open with" for .pdb files and the "Apps & features" entry; a log opened
# through the ProgID's open verb fills the window, and Enter converts it; the ProgID's verb "Show
# log page" has a stand-in browser open the log's page from the user's cache folder; a later
# version replaces this one, an earlier one is refused; a folder chosen at installation is where
# uninstalling and upgrading find the files; and uninstalling leaves the registry as it was.
# Usage: installer_test.sh QUILLET.MSI WINDOWS-BUILD-DIR SAMPLES-DIR SCREENSHOT
# (WINE and WINEPREFIX set)
set -euo pipefail
msi=$(realpath "$1")
build=$(realpath "$2")
samples=$(realpath "$3")
screenshot=$(realpath -m "$4")
source "$(dirname "$0")/../../scripts/wine-desktop.sh"
# Wine's menu builder would copy the shortcut and the file type into the host's own menus.
export WINEDLLOVERRIDES=winemenubuilder.exe=d

work=$(mktemp -d)
failure_screenshot=installer_test_failure.png
msi_property() { msiinfo export "$msi" Property | tr -d '\r' | sed -n "s/^$1\t//p"; }
version=$(msi_property ProductVersion)
product_code=$(msi_property ProductCode)
caption="Vantrel Log Converter v$version"
install_dir="$WINEPREFIX/drive_c/Program Files/Quillet"
classes='HKLM\Software\Classes'
uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product_code"
verb_command='"C:\Program Files\Quillet\quillet.exe" "%1"'
page_verb_command='"C:\Program Files\Quillet\quillet.exe" --page "%1"'
# The stand-in browser: the default verb of Wine's HTML file type, which writes down each page
# it is asked to open in $opened_pages.
html_verbs="$classes\\htmlfile\\shell"
opened_pages="$work/opened.txt"
local_app_data=$(realpath -m "$("$WINE" winepath -u "$("$WINE" cmd /c echo %LOCALAPPDATA% |
  tr -d '\r')" 2>/dev/null | tr -d '\r')")

msiexec() { "$WINE" msiexec "$@" /qn >/dev/null 2>&1; }
refused() { ! msiexec "$@"; }
# The data of one registry value; /ve for the key's default.
registry_value() {  # registry_value KEY (/v NAME | /ve)
  "$WINE" reg query "$@" 2>/dev/null | tr -d '\r' |
    sed -n 's/^    .*    REG_[A-Z_]*    \{0,1\}//p' | head -n 1
}
has_registry_key() { "$WINE" reg query "$@" >/dev/null 2>&1; }
# The machine's and the user's software settings, where installers write, as text, one key a
# paragraph; without Wine's own, which change as programs run, nor the empty keys of Windows
# Installer's own records, which Windows has from the start and Wine makes at the first use.
export_registry() {  # export_registry NAME
  local root
  for root in HKLM HKCU; do
    "$WINE" reg export "$root\\Software" "$(windows_path "$work/$1-$root.reg")" /y >/dev/null 2>&1
    iconv -f UTF-16 -t UTF-8 "$work/$1-$root.reg" | tr -d '\r' |
      awk -v RS= -F '\n' 'index($1, "\\Software\\Wine") { next }
        NF == 1 && $1 ~ /\\(Classes|CurrentVersion)\\Installer[]\\]/ { next }
        { print $0 "\n" }'
  done >"$work/$1.txt"
}
same_text() { diff "$1" "$2" >&2; }
# The product codes of every Quillet that "Apps & features" lists.
installed_quillets() {
  "$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
    tr -d '\r' | awk '/^HKEY/ { key = $0 }
      $0 == "    DisplayName    REG_SZ    Quillet" { sub(/.*\\/, "", key); print key }'
}
# The Start menu's shortcut: in the all-users menu on Windows, in the user's under Wine.
shortcuts() {
  find "$WINEPREFIX/drive_c/ProgramData" "$WINEPREFIX/drive_c/users" \
    -ipath '*/Start Menu/Programs/Quillet.lnk' 2>/dev/null
}
shortcut_names() {  # shortcut_names TEXT: the shortcut's strings hold TEXT
  local link
  link=$(shortcuts)
  [ -n "$link" ] && grep -qF "$1" <(strings "$link"; strings -el "$link")
}

# What a run that stopped half-way left behind goes first, and last what this one added.
clean_up() {
  local code
  for code in $(installed_quillets); do msiexec /x "$code" || true; done
  "$WINE" reg delete "$classes\\.pdb" /f >/dev/null 2>&1 || true
  "$WINE" reg delete "$html_verbs\\quillet-test" /f >/dev/null 2>&1 || true
  "$WINE" reg delete "$html_verbs" /ve /f >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX/drive_c/Tools2" "${local_app_data:?}/quillet"
}
trap 'stop_desktop; clean_up; rm -rf "$work"' EXIT
# No Wine process started without the menu builder's override may go on running.
"$(dirname "$WINE")/wineserver" -k 2>/dev/null || true
clean_up

check "the installer is named after its version, $version" \
  test "$(basename "$msi")" = "quillet-$version-x64.msi"
check "every component is 64-bit" \
  bash -c "msiinfo export '$msi' Component | tail -n +4 | awk -F '\t' '\$4 != 256 { exit 1 }'"

# Another program's default for .pdb files, which the installer must leave alone.
"$WINE" reg add "$classes\\.pdb" /ve /d Other.Database /f >/dev/null 2>&1
"$WINE" reg add "$html_verbs" /ve /d quillet-test /f >/dev/null 2>&1
"$WINE" reg add "$html_verbs\\quillet-test\\command" /ve /f \
  /d "C:\\windows\\system32\\cmd.exe /c echo %1>>$(windows_path "$opened_pages")" >/dev/null 2>&1
export_registry before

check "msiexec /i installs" msiexec /i "$(windows_path "$msi")"
check "the programs, the licence and the README lie in Program Files\\Quillet" \
  test "$(cd "$install_dir" && LC_ALL=C ls | tr '\n' ' ')" = \
  "LICENSE.txt README.txt quillet-convert.exe quillet.exe "
check "the README has CR LF line ends" bash -c "! grep -qv \$'\\r\$' '$install_dir/README.txt'"
check "the README tells of \"Show log page\"" grep -qF '"Show log page"' "$install_dir/README.txt"
check "one Start-menu shortcut Quillet" test "$(shortcuts | wc -l)" -eq 1
check "the shortcut starts the installed quillet.exe" \
  shortcut_names 'C:\Program Files\Quillet\quillet.exe'
check "the shortcut has the program's icon" shortcut_names "\\$product_code\\quillet.ico"
check "the program's icon is the build's" \
  cmp "$WINEPREFIX/drive_c/windows/Installer/$product_code/quillet.ico" "$build/icons/quillet.ico"
check "the ProgID names the log type" \
  test "$(registry_value "$classes\\Quillet.VantrelLog" /ve)" = "Vantrel engine log"
check "the ProgID's open verb starts quillet.exe on the file" \
  test "$(registry_value "$classes\\Quillet.VantrelLog\\shell\\open\\command" /ve)" = \
  "$verb_command"
check "the ProgID's icon is the program's" \
  test "$(registry_value "$classes\\Quillet.VantrelLog\\DefaultIcon" /ve)" = \
  'C:\Program Files\Quillet\quillet.exe,0'
check "the ProgID's second verb reads \"Show log page\"" \
  test "$(registry_value "$classes\\Quillet.VantrelLog\\shell\\page" /ve)" = "Show log page"
check "the ProgID's page verb starts quillet.exe --page on the file" \
  test "$(registry_value "$classes\\Quillet.VantrelLog\\shell\\page\\command" /ve)" = \
  "$page_verb_command"
check "quillet.exe is a Windows GUI program, which opens no console" \
  bash -c "x86_64-w64-mingw32-objdump -p '$install_dir/quillet.exe' | grep -q '^Subsystem.*Windows GUI'"
check ".pdb files offer Quillet in \"Open with\"" \
  has_registry_key "$classes\\.pdb\\OpenWithProgids" /v Quillet.VantrelLog
check "the default program of .pdb files stays the one there was" \
  test "$(registry_value "$classes\\.pdb" /ve)" = Other.Database
check "\"Apps & features\" lists Quillet" \
  test "$(registry_value "$uninstall_key" /v DisplayName)" = Quillet
check "\"Apps & features\" gives the version, $version" \
  test "$(registry_value "$uninstall_key" /v DisplayVersion)" = "$version"
check "\"Apps & features\" names the publisher" \
  test "$(registry_value "$uninstall_key" /v Publisher)" = "The Quillet authors"
check "\"Apps & features\" uninstalls with msiexec" \
  test "$(registry_value "$uninstall_key" /v UninstallString)" = "MsiExec.exe /X$product_code"

# A log in a folder with a space and a non-ASCII letter, opened as Explorer opens it with the
# ProgID; the installed quillet-convert.exe writes the CSV it must give.
opened="$work/Fahrten ä"
mkdir -p "$opened"
cp "$samples/ThirdGearQMRX.pdb" "$opened/ThirdGearQMRX.pdb"
"$WINE" "$install_dir/quillet-convert.exe" "$(windows_path "$opened/ThirdGearQMRX.pdb")" \
  "$(windows_path "$work/expected.csv")"
start_desktop
"$WINE" start /ProgIDOpen Quillet.VantrelLog "$(windows_path "$opened/ThirdGearQMRX.pdb")"
window=$(wait_for_window "$caption" 120)
xdotool windowactivate --sync "$window"
sleep 2
import -window root "$screenshot"
check "the opened log is not converted at once" test ! -e "$opened/ThirdGearQMRX.csv"
press Return
wait_for_file "$opened/ThirdGearQMRX.csv"
check "Enter converts the opened log into its CSV beside it" \
  cmp "$work/expected.csv" "$opened/ThirdGearQMRX.csv"
press alt+F4
check "Alt+F4 closes the window" wait_for_window_gone "$caption"

# "Show log page": the page verb's command, as the registry holds it, run on a log as Explorer
# runs it, with the log's Windows path for %1.
run_page_verb() {  # run_page_verb LOG
  local line words=() word= quoted=0 i c
  line=$(registry_value "$classes\\Quillet.VantrelLog\\shell\\page\\command" /ve)
  line=${line//%1/$(windows_path "$1")}
  for ((i = 0; i < ${#line}; i++)); do
    c=${line:i:1}
    if [ "$c" = '"' ]; then
      quoted=$((1 - quoted))
    elif [ "$c" = ' ' ] && [ "$quoted" -eq 0 ]; then
      [ -z "$word" ] || words+=("$word")
      word=
    else
      word+=$c
    fi
  done
  [ -z "$word" ] || words+=("$word")
  "$WINE" "${words[@]}"
}
# The Unix path of the Nth page the stand-in browser was asked to open, waiting up to a minute
# for it, since the browser starts on its own.
opened_page() {  # opened_page N
  local page
  for _ in $(seq 300); do
    page=$(tr -d '\r' 2>/dev/null <"$opened_pages" | sed -n "$1p")
    if [ -n "$page" ]; then realpath -m "$("$WINE" winepath -u "$page" 2>/dev/null)"; return; fi
    sleep 0.2
  done
  return 1
}
written() { stat -c '%i %y' "$1"; }
"$WINE" "$install_dir/quillet-convert.exe" --html "$(windows_path "$work/expected.html")" \
  "$(windows_path "$opened/ThirdGearQMRX.pdb")"
check "\"Show log page\" ends with status 0" run_page_verb "$opened/ThirdGearQMRX.pdb"
page=$(opened_page 1) || true
check "the browser is asked to open a page in %LOCALAPPDATA%\\quillet\\pages" \
  test "$(dirname "$page")" = "$local_app_data/quillet/pages"
check "the opened page is the one quillet-convert.exe --html writes" cmp "$work/expected.html" "$page"
first_written=$(written "$page") || true
check "shown again, it ends with status 0" run_page_verb "$opened/ThirdGearQMRX.pdb"
check "shown again, it opens the same page" test "$(opened_page 2)" = "$page"
check "shown again, the page is not written again" test "$(written "$page")" = "$first_written"
touch "$opened/ThirdGearQMRX.pdb"
check "after the log changed, it ends with status 0" run_page_verb "$opened/ThirdGearQMRX.pdb"
check "after the log changed, it opens the same page" test "$(opened_page 3)" = "$page"
check "after the log changed, the page is written again" \
  test "$(written "$page")" != "$first_written"
check "the page written again is the log's" cmp "$work/expected.html" "$page"
# A damaged log's page opens once its message box is closed, and the program ends with status 1.
head -c -100 "$samples/ThirdGearQMRX.pdb" >"$work/CutQMRX.pdb"
"$WINE" "$install_dir/quillet-convert.exe" --html "$(windows_path "$work/damaged.html")" \
  "$(windows_path "$work/CutQMRX.pdb")" 2>/dev/null || true
run_page_verb "$work/CutQMRX.pdb" &
page_verb=$!
box=$(wait_for_window Quillet 60) || true
check "a damaged log's page shows the message box of its failure" test -n "$box"
if [ -n "$box" ]; then
  xdotool windowactivate --sync "$box"
  press Return
else
  "$(dirname "$WINE")/wineserver" -k
fi
status=0
wait "$page_verb" || status=$?
check "a damaged log's page ends with status 1" test "$status" -eq 1
check "a damaged log's page is opened, as quillet-convert.exe --html writes it" \
  cmp "$work/damaged.html" "$(opened_page 4)"
stop_desktop

check "msiexec /x uninstalls" msiexec /x "$(windows_path "$msi")"
check "Program Files\\Quillet is gone" test ! -e "$install_dir"
check "the shortcut and the installer's copy of the icon are gone" \
  test -z "$(shortcuts)" -a ! -e "$WINEPREFIX/drive_c/windows/Installer/$product_code"
export_registry after
check "every registry key and value the installer wrote is gone, and nothing else" \
  same_text "$work/before.txt" "$work/after.txt"

# A later version, built from the same source with only the version and the product code
# changed, as a release would be; the files come out of this installer.
later=$version.1
msiextract --directory "$work/later" "$msi" >/dev/null
mkdir -p "$work/later/packaging" "$work/later/icons"
cp "$build/icons/quillet.ico" "$work/later/icons/"
sed -e "s/Version=\"$version\"/Version=\"$later\"/" \
  -e "s/Product Id=\"[^\"]*\"/Product Id=\"$(cat /proc/sys/kernel/random/uuid)\"/" \
  "$build/packaging/quillet.wxs" >"$work/later/packaging/quillet.wxs"
(cd "$work/later/Quillet" &&
  wixl --arch x64 --output "$work/later.msi" "$work/later/packaging/quillet.wxs" >/dev/null)
check "msiexec /i installs $version" msiexec /i "$(windows_path "$msi")"
check "msiexec /i of $later over it installs" msiexec /i "$(windows_path "$work/later.msi")"
check "$later replaces $version in \"Apps & features\"" \
  test "$(installed_quillets)" = "$(msiinfo export "$work/later.msi" Property | tr -d '\r' |
    sed -n 's/^ProductCode\t//p')"
check "the programs are still installed" test -f "$install_dir/quillet.exe"
check "msiexec /i of $version over $later is refused" refused /i "$(windows_path "$msi")"
check "$later stays installed" test "$(installed_quillets | wc -l)" -eq 1
check "msiexec /x of $later uninstalls" msiexec /x "$(windows_path "$work/later.msi")"
export_registry after_upgrade
check "after the upgrade and uninstalling, the registry is as it was" \
  same_text "$work/before.txt" "$work/after_upgrade.txt"
check "Program Files\\Quillet is gone after the upgrade" test ! -e "$install_dir"

# A folder chosen at installation is remembered in the registry: uninstalling takes the files
# from there, and an upgrade installs into it, not into Program Files.
chosen='C:\Tools2\Quillet'
chosen_dir="$WINEPREFIX/drive_c/Tools2/Quillet"
installed_in_chosen() {
  [ "$(cd "$chosen_dir" && LC_ALL=C ls | tr '\n' ' ')" = \
    "LICENSE.txt README.txt quillet-convert.exe quillet.exe " ] && [ ! -e "$install_dir" ]
}
check "msiexec /i INSTALLDIR=$chosen installs" \
  msiexec /i "$(windows_path "$msi")" "INSTALLDIR=$chosen"
check "the files lie in $chosen, none in Program Files" installed_in_chosen
check "the registry remembers $chosen" \
  test "$(registry_value 'HKLM\Software\Quillet' /v InstallDir)" = "$chosen\\"
check "msiexec /x uninstalls from $chosen" msiexec /x "$(windows_path "$msi")"
check "$chosen is gone" test ! -e "$chosen_dir"
check "msiexec /i INSTALLDIR=$chosen installs again" \
  msiexec /i "$(windows_path "$msi")" "INSTALLDIR=$chosen"
check "msiexec /i of $later over it installs" msiexec /i "$(windows_path "$work/later.msi")"
check "$later lies in $chosen, none in Program Files" installed_in_chosen
check "$later's open verb starts the quillet.exe in $chosen" \
  test "$(registry_value "$classes\\Quillet.VantrelLog\\shell\\open\\command" /ve)" = \
  "\"$chosen\\quillet.exe\" \"%1\""
check "msiexec /x of $later uninstalls from $chosen" msiexec /x "$(windows_path "$work/later.msi")"
check "$chosen is gone after the upgrade" test ! -e "$chosen_dir"
export_registry after_chosen
check "after installing into $chosen, upgrading and uninstalling, the registry is as it was" \
  same_text "$work/before.txt" "$work/after_chosen.txt"

echo "installer test: $failures failed"
[ "$failures" -eq 0 ]
