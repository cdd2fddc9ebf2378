#!/usr/bin/env bash
# The missing-data notice in a preview on a private Xvfb: inside another program's 200 x 150
# window the short notice is typed in yellow 10-point type from the top-left corner, and it stays
# there when the block comes round again (the cases in drive_cases.sh).
#   drive_x11.sh SAVER DATA_FOLDER PREVIEW_HOST [SNAPSHOT_FOLDER]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
xvfb_inner 800x600 "$@"
target=x11
saver=$1
data=$(cd "$2" && pwd)
host=$3
keep=${4:-}
work=$(mktemp -d)
hostpid=
cleanup() {
  if [ -n "$hostpid" ]; then kill "$hostpid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
LOG=$work/log
saver_setup "$target" "$work"
source "$here/saver/drive_cases.sh"
echo "drive_x11: all passed"
