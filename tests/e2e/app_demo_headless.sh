#!/usr/bin/env bash
# The demo on SDL's headless driver: the automation options drive a reproducible run, and every
# mode of the command line ends as it should (the cases in app_demo_cases.sh).
#   app_demo_headless.sh DEMO
set -euo pipefail
target=headless
demo=$1
prog=("$demo")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY
export SDL_VIDEODRIVER=offscreen
LOG=$work/log
source "$here/app_demo_cases.sh"
echo "e2e_app_headless: all passed"
