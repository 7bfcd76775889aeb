#!/usr/bin/env bash
# quillet-convert.exe under Wine where the fault lies outside the program: a long path, a full
# disk, a console, a pipe closed early, and its manifest.
# Usage: console_and_disk_test.sh QUILLET.EXE QUILLET-CONVERT.EXE MAKE-LOGS.EXE
# (WINE and WINEPREFIX set)
set -euo pipefail
quillet=$1 converter=$2 make_logs=$3
source "$(dirname "$0")/../../scripts/wine-desktop.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$WINE" "$make_logs" long "$(windows_path "$work/LongQMRX.pdb")"

# Paths over 260 characters need no "\\?\" on Windows 10 and 11 once the manifest says so.
for program in "$quillet" "$converter"; do
  check "$(basename "$program") is long-path aware" \
    bash -c "wrestool -x --raw --type=24 '$program' | grep -q '<longPathAware[^>]*>true<'"
done

# A log and its folder on a path of over 260 characters convert as on any other.
deep="$work/$(printf 'a-folder-with-a-rather-long-name-%02d/' $(seq 1 8))"
mkdir -p "$deep"
"$WINE" "$make_logs" samples "$(windows_path "$deep")"
"$WINE" "$converter" --output-dir "$(windows_path "$deep/csv")" \
  "$(windows_path "$deep/WarmUpQMRX.pdb")" 2>"$work/deep.txt" || true
check "a path of $(windows_path "$deep/csv/WarmUpQMRX.csv" | wc -c) characters converts" \
  test "$(head -1 "$deep/csv/WarmUpQMRX.csv" 2>/dev/null)" = $'WarmUpQMRX.pdb\r'

# A full disk is error 61, as on Linux, and the CSV it would have replaced stays. Wine's server
# opens the files, so it runs in the mount namespace of the small disk, and ends with it.
if [ "$(id -u)" -eq 0 ] && unshare -m true 2>/dev/null; then
  mkdir "$work/disk"
  wineserver=$(dirname "$WINE")/wineserver
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w
  unshare -m bash -c '
    mount -t tmpfs -o size=1m none "$1/disk" && printf "old\r\n" >"$1/disk/out.csv" &&
    { "$WINE" "$2" "$3" "$4" 2>"$1/error.txt"; echo $? >"$1/status.txt"; }
    "$5" -k; "$5" -w
    cp "$1/disk/out.csv" "$1/kept.csv"; ls -A "$1/disk" >"$1/listing.txt"' \
    bash "$work" "$converter" "$(windows_path "$work/LongQMRX.pdb")" \
    "$(windows_path "$work/disk/out.csv")" "$wineserver"
  check "a full disk ends with status 1" test "$(cat "$work/status.txt")" = 1
  check "a full disk is error 61, told of the output" \
    grep -qF "$(windows_path "$work/disk/out.csv"): Unexpected error # 61 occurred: Disk full" \
    "$work/error.txt"
  check "a full disk keeps the CSV it would have replaced" \
    test "$(cat "$work/kept.csv")" = $'old\r'
  check "a full disk leaves no temporary file" test "$(cat "$work/listing.txt")" = out.csv
else
  echo "skipped: the full disk needs root and mount namespaces for a small tmpfs"
fi

# Wine gives a program on a terminal a console, which shows UTF-16 text as it is; bytes
# written into it would be read in its code page.
mkdir "$work/Müller"
(cd "$work" && script -qec "\"$WINE\" \"$converter\" --output-dir out 'Müller\\RunQMRX.pdb'" \
  /dev/null >"$work/console.txt") || true
check "a message on the console shows its non-ASCII letters" \
  grep -qF 'Müller\RunQMRX.pdb: Bad Filename.' "$work/console.txt"
(cd "$work" && "$WINE" "$converter" --output-dir out 'Müller\RunQMRX.pdb' 2>"$work/redirected.txt") || true
check "a message on redirected standard error is UTF-8" \
  grep -qF 'Müller\RunQMRX.pdb: Bad Filename.' "$work/redirected.txt"

# "CON" and "\\.\CONOUT$" are the console: the CSV shows there, its line 1 first, and no
# progress runs into it. Without a console (Wine gives one only to a program started from a
# terminal), "CON" takes nothing and is refused as it is opened: a log cut short in its records
# gives "Bad Filename", not error 62 once the whole log has been read.
"$WINE" "$make_logs" samples "$(windows_path "$work/samples")"
for console in CON '\\.\CONOUT$'; do
  (cd "$work" && script -qec "\"$WINE\" \"$converter\" 'samples\\WarmUpQMRX.pdb' '$console'" \
    /dev/null >"$work/con.txt") || true
  sed 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\r//g' "$work/con.txt" >"$work/con-shown.txt"
  check "a CSV to $console shows on the console, line 1 alone" \
    grep -qx WarmUpQMRX.pdb "$work/con-shown.txt"
  check "a CSV to $console shows without progress" bash -c "! grep -q % '$work/con-shown.txt'"
done
head -c 400 "$work/samples/WarmUpQMRX.pdb" >"$work/CutQMRX.pdb"
status=0
"$WINE" "$converter" "$(windows_path "$work/CutQMRX.pdb")" CON </dev/null >/dev/null \
  2>"$work/con-error.txt" || status=$?
check "CON without a console ends with status 1" test "$status" = 1
check "CON without a console is a bad file name, before the log is read" \
  test "$(tr -d '\r' <"$work/con-error.txt")" = \
  "CON: Bad Filename.  Please check the name and path of the files."

# A file named like a log, as Windows opens the name typed (without the dots and spaces that end
# it, and without the double quotes of "Copy as path"), is no output, whatever it holds: a
# debugger's symbols stay.
mkdir "$work/sub"
printf 'symbols' >"$work/sub/debug.pdb"
for output in 'sub\debug.pdb.' 'sub\debug.pdb  ' '"sub\debug.pdb"'; do
  status=0
  (cd "$work" && "$WINE" "$converter" 'samples\WarmUpQMRX.pdb' "$output" 2>"$work/pdb.txt") ||
    status=$?
  check "[$output] as the output ends with status 2" test "$status" = 2
  check "[$output] as the output is refused as named like a log" \
    grep -qF 'which is named like a log (*.pdb); no output replaces a log' "$work/pdb.txt"
  check "[$output] as the output keeps the file" test "$(cat "$work/sub/debug.pdb")" = symbols
done

# Standard output is an output, checked before anything is written, when cmd redirects it into a
# file, as a Windows user does: into the log, a file holding a Palm database or one named like a
# log, or the file of another output of the run, it is wrong usage, and the files stay.
mkdir "$work/redirected"
cp "$work/samples/WarmUpQMRX.pdb" "$work/redirected/RunQMRX.pdb"
cp "$work/samples/WarmUpQMRX.pdb" "$work/redirected/other.pdb"
cp "$work/samples/WarmUpQMRX.pdb" "$work/redirected/other.dat"
redirected_rows=(
  "RunQMRX.pdb - >>RunQMRX.pdb|the CSV would be written to standard output, which is the log RunQMRX.pdb"
  "--html - RunQMRX.pdb >>RunQMRX.pdb|the page would be written to standard output, which is the log RunQMRX.pdb"
  "--summary RunQMRX.pdb >>other.dat|the summary would be written to standard output, which is a file that holds a Palm database, as logs do; no output replaces a log"
  "--help >>other.pdb|the text would be written to standard output, which is a file that is named like a log (*.pdb); no output replaces a log"
  "--html page.txt RunQMRX.pdb - >page.txt|the CSV and the page would both be written to page.txt, which standard output is"
)
for row in "${redirected_rows[@]}"; do
  IFS='|' read -r command_line message <<<"$row"
  status=0
  (cd "$work/redirected" && "$WINE" cmd /c "$(windows_path "$converter") $command_line" \
    2>"$work/redirected.txt") || status=$?
  check "[$command_line] ends with status 2" test "$status" = 2
  check "[$command_line] says why" \
    test "$(head -n 1 "$work/redirected.txt" | tr -d '\r')" = "quillet-convert: $message"
  for log in RunQMRX.pdb other.pdb other.dat; do
    check "[$command_line] keeps $log" cmp "$work/samples/WarmUpQMRX.pdb" "$work/redirected/$log"
  done
done
(cd "$work/redirected" && "$WINE" cmd /c "$(windows_path "$converter") RunQMRX.pdb - >run.csv") ||
  true
(cd "$work/redirected" && "$WINE" "$converter" RunQMRX.pdb expected.csv) || true
check "a CSV that cmd redirects into a new file is written" \
  cmp "$work/redirected/expected.csv" "$work/redirected/run.csv"

# A run that stops in the middle, its page going to a pipe that is never read, once it has begun
# writing its CSV beside out.csv; $stopped_run is its process. Wine's session begins again first,
# so that the run is its first process, numbered as the next run will be.
start_stopped_run() {
  local wineserver
  wineserver=$(dirname "$WINE")/wineserver
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w
  rm -rf "$work/stopped"
  mkdir "$work/stopped"
  printf 'old\r\n' >"$work/stopped/out.csv"
  mkfifo "$work/stopped/page"
  exec 3<>"$work/stopped/page"
  "$WINE" "$converter" --html - "$(windows_path "$work/LongQMRX.pdb")" \
    "$(windows_path "$work/stopped/out.csv")" >"$work/stopped/page" 2>/dev/null &
  stopped_run=$!
  for _ in $(seq 300); do
    compgen -G "$work/stopped/.quillet-*.tmp" >/dev/null && return 0
    sleep 0.2
  done
}
stopped_files() { ls -A "$work/stopped" | grep -v '^page$' | tr '\n' ' '; }

# Ctrl+C, which Wine gives a program as SIGINT, ends the run with a status that tells it was
# interrupted, and leaves the CSV as it was and no temporary file.
start_stopped_run
kill -INT "$stopped_run"
status=0
wait "$stopped_run" || status=$?
exec 3<&-
check "Ctrl+C ends the run with a status other than 0" test "$status" != 0
check "Ctrl+C leaves the CSV as it was" test "$(cat "$work/stopped/out.csv")" = $'old\r'
check "Ctrl+C leaves no temporary file" test "$(stopped_files)" = "out.csv "

# A run ended from outside, as Task Manager ends it, leaves its temporary file; the next run in
# the folder removes it, though that run has the same process number.
start_stopped_run
"$WINE" taskkill /f /im quillet-convert.exe >/dev/null
wait "$stopped_run" || true
exec 3<&-
check "a run ended from outside leaves its temporary file" \
  compgen -G "$work/stopped/.quillet-*.tmp"
"$(dirname "$WINE")/wineserver" -k 2>/dev/null || true
"$(dirname "$WINE")/wineserver" -w
"$WINE" "$converter" "$(windows_path "$work/samples/WarmUpQMRX.pdb")" \
  "$(windows_path "$work/stopped/out.csv")"
check "the next run in the folder removes the temporary file" \
  test "$(stopped_files)" = "out.csv "

# A reader that leaves early (| head -1) ends the run quietly with status 141, as SIGPIPE does
# on Linux: a CSV of gigabytes on standard output, and the summary of many logs, both far more
# than a pipe holds.
mkdir "$work/many"
for i in $(seq 1000); do cp "$work/samples/WarmUpQMRX.pdb" "$work/many/Run${i}QMRX.pdb"; done
closed_rows=(
  "a CSV of gigabytes|$(windows_path "$work/LongQMRX.pdb") -"
  "the summary of 1,000 logs|--summary $(windows_path "$work/many")"
)
for row in "${closed_rows[@]}"; do
  IFS='|' read -r output arguments <<<"$row"
  { status=0
    "$WINE" "$converter" $arguments 2>"$work/closed-error.txt" || status=$?
    echo "$status" >"$work/closed-status.txt"; } | head -1 >/dev/null
  check "$output into | head -1 ends with status 141" test "$(cat "$work/closed-status.txt")" = 141
  check "$output into | head -1 ends quietly" test ! -s "$work/closed-error.txt"
done

echo "console and disk test: $failures failed"
[ "$failures" -eq 0 ]
