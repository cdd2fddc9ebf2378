#!/usr/bin/env bash
# The Windows build in driving mode and with the text overlay under Wine (real d3d9.dll, GDI
# glyphs) on a private Xvfb, on the virtual clock with captures: the three camera passes by day
# and a night pass, a block of kestor.txt typed in the settings' colour, the notice with a data
# file missing, and a device loss mid-run (on the system's d3d9.dll the device waits for its
# reset: one frame is not drawn) after which the picture is that of a run without it (the cases
# in drive_cases.sh).
#   drive_wine.sh SAVER.scr DATA_FOLDER [SNAPSHOT_FOLDER]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
xvfb_inner 640x480 "$@"
target=wine
saver=$1
data=$(cd "$2" && pwd)
keep=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
LOG=$work/log
saver_setup "$target" "$work"
source "$here/saver/drive_cases.sh"
echo "drive_wine: all passed"
