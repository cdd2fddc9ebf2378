#!/usr/bin/env bash
# The demo on a private Xvfb with real input from xdotool: the full-screen window and its keys
# (virtual-key codes end to end, Num Lock on the keypad), pointer moves and buttons, Escape; then
# the preview inside another program's window (no input reaches it; it ends when the host goes),
# and XScreenSaver's -window-id and -root (the cases in app_demo_cases.sh).
#   app_demo_x11.sh DEMO PREVIEW_HOST
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
xvfb_inner 1024x768 "$@"
target=x11
demo=$1
prog=("$demo")
host=$2
patience=20
ends=10
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
unset SDL_VIDEODRIVER
LOG=$work/log
source "$here/app_demo_cases.sh"
echo "e2e_app_x11: all passed"
