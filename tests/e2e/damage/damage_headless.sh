#!/usr/bin/env bash
# Damaged data files end to end (Linux, headless, virtual clock): for meshes, bitmaps and
# kestor.txt, a truncated file, a wrong magic, absurd counts and sizes and a zero-length file in
# the data folder, and 8-bit bitmaps with longer info headers. A bad mesh ends the run at once with
# its "ZIRer: " line; a bitmap the loader cannot size a texture from ends it through the halt
# switch with its read-error line; one cut short or that is not a BMP is logged and the run goes
# on, as does a damaged text. A run that ends exits with code 1, one that goes on with 0; every
# run leaves the settings file as it was.
#   damage_headless.sh SAVER DATA_FOLDER
set -euo pipefail
saver=$1
data=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY
export SDL_VIDEODRIVER=offscreen
export XDG_CONFIG_HOME=$work/config
ini=$XDG_CONFIG_HOME/corvane_kestor/corvane_kestor.ini
debuglog=$XDG_CONFIG_HOME/corvane_kestor/DGCarad_DebugLog.txt
LOG=$work/out
run_saver() {
  "$saver" /s --data-dir "$work/data" --step-ms 50 --frames 105 --size 320x180 --capture "$1" --capture-at 1,105
}
source "$here/damage_cases.sh"
echo "e2e_damage_headless: all passed"

