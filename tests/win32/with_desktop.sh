#!/usr/bin/env bash
# Runs a Windows program under Wine on a virtual screen, for tests that open windows.
# Usage: with_desktop.sh PROGRAM.EXE [ARGUMENT...]   (WINE and WINEPREFIX set)
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-desktop.sh"
start_desktop
"$WINE" "$@"
