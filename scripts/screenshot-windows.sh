#!/usr/bin/env bash
# Saves a picture of quillet.exe's window under Wine, frame and all, for the README.
# Usage: screenshot-windows.sh QUILLET.EXE OUTPUT.png   (WINE and WINEPREFIX set)
set -euo pipefail
quillet=$1
output=$2
source "$(dirname "$0")/wine-desktop.sh"

start_desktop
"$WINE" "$quillet" &
window=$(wait_for_window "Vantrel Log Converter v1.02" 120)
xdotool windowactivate --sync "$window"
press Tab
type_text 'C:\Palm\Backup\ThirdGearQMRX.pdb'
press Tab
type_text 'C:\Logs\third-gear.csv'
press Tab Tab Tab
import -frame -window "$window" "$output"
