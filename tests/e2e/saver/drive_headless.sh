#!/usr/bin/env bash
# Driving mode and the text overlay headless on the virtual clock, with captures: the three camera
# passes by day and a night pass, the overlay typing blocks of kestor.txt in the settings' colour
# and size, the notice with a data file missing, and a device lost mid-run that the saver survives
# with the picture resuming exactly where the animation stands (the cases in drive_cases.sh).
#   drive_headless.sh SAVER DATA_FOLDER [SNAPSHOT_FOLDER]
# With a third argument the captured frames are kept there (to look at them).
set -euo pipefail
target=headless
saver=$1
data=$(cd "$2" && pwd)
keep=${3:-}
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
LOG=$work/log
saver_setup "$target" "$work"
source "$here/saver/drive_cases.sh"
echo "drive_headless: all passed"
