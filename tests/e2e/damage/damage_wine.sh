#!/usr/bin/env bash
# The damaged-data cases of damage_cases.sh with the Windows build under Wine (real d3d9.dll) on
# a private Xvfb: the settings file and the debug log beside the program.
#   damage_wine.sh SAVER.scr DATA_FOLDER
set -euo pipefail
saver=$1
data=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib.sh"
xvfb_inner 640x480 "$@"
wine=$here/../../../tools/wine-run
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
cp "$saver" "$work/bin/corvane_kestor.scr"
ini=$work/bin/corvane_kestor.ini
debuglog=$work/bin/DGCarad_DebugLog.txt
LOG=$work/out
run_saver() {
  "$wine" "$work/bin/corvane_kestor.scr" /s --data-dir "$(winpath "$work/data")" --step-ms 50 --frames 105 \
    --capture "$(winpath "$1")" --capture-at 1,105
}
source "$here/damage_cases.sh"
echo "e2e_damage_wine: all passed"
