#!/usr/bin/env bash
# The Windows build of the demo under Wine, on a private Xvfb so that xdotool's input reaches it
# alone: the automation run, real keys (Wine's virtual-key codes must match the Linux build's),
# the preview as a child of another process's window, and the other modes (the cases in
# app_demo_cases.sh).
#   app_demo_wine.sh DEMO.exe PREVIEW_HOST.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
xvfb_inner 1024x768 "$@"
target=wine
demo=$1
host=$2
wine=$here/../../tools/wine-run
prog=("$wine" "$demo")
patience=60
ends=20
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
LOG=$work/log
source "$here/app_demo_cases.sh"
echo "e2e_app_wine: all passed"
