#!/usr/bin/env bash
# The missing-data notice in a preview on a private Xvfb: inside another program's 200 x 150
# window the short notice is typed in yellow 10-point type from the top-left corner, and it stays
# there when the block comes round again.
#   drive_x11.sh SAVER DATA_FOLDER PREVIEW_HOST [SNAPSHOT_FOLDER]
set -euo pipefail
if [ -z "${KESTOR_E2E_INNER:-}" ]; then
  export KESTOR_E2E_INNER=1
  exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 800x600x24 +extension GLX -nolisten tcp" bash "$0" "$@"
fi
saver=$1
data=$2
host=$3
keep=${4:-}
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
check() { python3 "$here/saver/pngcheck.py" "$@" || fail "check '$*'"; }
work=$(mktemp -d)
hostpid=
cleanup() {
  if [ -n "$hostpid" ]; then kill "$hostpid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
unset SDL_VIDEODRIVER
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME/corvane_kestor"
printf '[Settings]\r\nmode=1\r\ntext_out=2\r\n' >"$XDG_CONFIG_HOME/corvane_kestor/corvane_kestor.ini"
LOG=$work/log
mkdir -p "$work/partial"
for f in "$data"/*; do ln -s "$f" "$work/partial/"; done
rm "$work/partial/crmd_7"

"$host" >"$work/host" &
hostpid=$!
wait_for "$work/host" "^0x"
win=$(head -1 "$work/host")
# The notice's five short lines take 23 + 17 + 23 + 19 + 9 steps from frame 3 (100 ms): complete
# at frame 93, typed again from frame 293.
"$saver" /p "$((win))" --data-dir "$work/partial" --step-ms 50 --frames 300 --capture "$work/preview" \
  --capture-at 2,3,120,292,294 >"$LOG" 2>&1 || fail "the preview ended with $?"
[ -z "$keep" ] || { mkdir -p "$keep/preview" && cp "$work/preview"/*.png "$keep/preview/"; }
frame() { printf '%s/preview/frame-%05d.png' "$work" "$1"; }
check size "$(frame 2)" 200 150
check uniform "$(frame 2)" 0 0 0
check share "$(frame 3)" 255 255 0 40 0.00001 0.01
# Five lines of 10-point type (13 pixels a line) from the corner.
check region "$(frame 120)" 255 255 0 40 0 0 199 75 50 68
check region "$(frame 292)" 255 255 0 40 0 0 199 75 50 68
check region "$(frame 294)" 255 255 0 40 0 0 30 16
kill "$hostpid"
hostpid=
echo "drive_x11: all passed"
