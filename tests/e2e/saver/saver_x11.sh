#!/usr/bin/env bash
# The saver full screen on a private Xvfb with real input from xdotool: a display-mode key keeps
# it running, another key ends it; a mouse move ends it (the first move is only recorded). Then the
# preview inside another program's window: it draws the car at the window's size, takes no input,
# and ends when the window goes (the cases in saver_cases.sh).
#   saver_x11.sh SAVER DATA_FOLDER PREVIEW_HOST
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
xvfb_inner 800x600 "$@"
target=x11
saver=$1
data=$(cd "$2" && pwd)
host=$3
work=$(mktemp -d)
pid=
hostpid=
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  if [ -n "$hostpid" ]; then kill "$hostpid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
LOG=$work/log
saver_setup "$target" "$work"
source "$here/saver/saver_cases.sh"
echo "e2e_saver_x11: all passed"
