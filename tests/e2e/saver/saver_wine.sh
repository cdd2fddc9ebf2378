#!/usr/bin/env bash
# The Windows build of the saver under Wine (real d3d9.dll) on a private Xvfb, on the virtual
# clock with captures: display mode from the default settings with its viewpoint written beside
# the program, a bonnet opening, and a run with a data file missing (black, nothing saved); the
# cases in saver_cases.sh.
#   saver_wine.sh SAVER.scr DATA_FOLDER [SNAPSHOT_FOLDER]
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
source "$here/saver/saver_cases.sh"
echo "e2e_saver_wine: all passed"
