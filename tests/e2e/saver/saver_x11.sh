#!/usr/bin/env bash
# The saver full screen on a private Xvfb with real input from xdotool: a display-mode key keeps
# it running, another key ends it; a mouse move ends it (the first move is only recorded). Then the
# preview inside another program's window: it draws the car at the window's size, takes no input,
# and ends when the window goes.
#   saver_x11.sh SAVER DATA_FOLDER PREVIEW_HOST
set -euo pipefail
if [ -z "${KESTOR_E2E_INNER:-}" ]; then
  export KESTOR_E2E_INNER=1
  exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 800x600x24 +extension GLX -nolisten tcp" bash "$0" "$@"
fi
saver=$1
data=$2
host=$3
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
work=$(mktemp -d)
pid=
hostpid=
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  if [ -n "$hostpid" ]; then kill "$hostpid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
unset SDL_VIDEODRIVER
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME/corvane_kestor"
printf '[Settings]\r\nmode=0\r\nspeed=20\r\ntext_out=2\r\n' >"$XDG_CONFIG_HOME/corvane_kestor/corvane_kestor.ini"
LOG=$work/log

# On the virtual clock, 20 ms an idle call (a frame each at speed 20): the credit window's ten
# seconds are 500 frames, which a busy machine slows down together with its input.
start() {
  "$saver" /s --data-dir "$data" --step-ms 20 >"$LOG" 2>&1 &
  pid=$!
  for _ in $(seq 300); do
    xdotool search --name "corvane KESTOR" >/dev/null 2>&1 && break
    kill -0 "$pid" 2>/dev/null || fail "the saver ended before its window showed"
    sleep 0.1
  done
  sleep 1
  kill -0 "$pid" 2>/dev/null || fail "the saver ended by itself"
}
# ends_within SECONDS: the saver ends by itself with code 0.
ends_within() {
  for _ in $(seq $(($1 * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "the saver is still running"
  set +e
  wait "$pid"
  local code=$?
  set -e
  pid=
  [ $code -eq 0 ] || fail "the saver ended with $code"
}
running() { kill -0 "$pid" 2>/dev/null || fail "the saver ended: $*"; }

# A display-mode key and Alt keep the run; Q ends it.
xdotool mousemove 400 300
start
xdotool key b
xdotool key Left
sleep 0.5
running "after B and Left"
# Alt shows the credit window over the run; a second Alt while it shows makes no second one.
xdotool key Alt_L
# Waits are generous: on a loaded machine the full-screen software renderer delays input handling.
for _ in $(seq 200); do
  xdotool search --onlyvisible --name '^copyright$' >/dev/null 2>&1 && break
  sleep 0.1
done
xdotool key Alt_L
sleep 2
[ "$(xdotool search --onlyvisible --name '^copyright$' 2>/dev/null | wc -l)" -eq 1 ] || fail "not one credit window after Alt, Alt"
running "after Alt"
xdotool key q
ends_within 20
grep -q '^fx=200' "$XDG_CONFIG_HOME/corvane_kestor/corvane_kestor.ini" ||
  fail "the viewpoint moved by Left was not stored: $(cat "$XDG_CONFIG_HOME/corvane_kestor/corvane_kestor.ini")"

# The pointer: the first move is recorded, the next one ends the run.
start
xdotool mousemove 420 310
sleep 0.5
xdotool mousemove 430 320
ends_within 20

# The preview in a 200 x 150 host window: the title phase is over in preview (the overlay is off
# there), so the car shows from the first frame (seen from the side at frame 120); the frames are
# the window's size.
"$host" >"$work/host" &
hostpid=$!
wait_for "$work/host" "^0x"
win=$(head -1 "$work/host")
"$saver" /p "$((win))" --data-dir "$data" --step-ms 50 --frames 120 --capture "$work/preview" --capture-at 1,120 \
  >"$LOG" 2>&1 || fail "the preview ended with $?"
python3 "$here/saver/pngcheck.py" size "$work/preview/frame-00001.png" 200 150 || fail "preview size"
python3 "$here/saver/pngcheck.py" car "$work/preview/frame-00120.png" 0 0 0 0.05 0.9 || fail "no car in the preview"
# Without automation: input over the preview does nothing; the run ends with the host's window.
"$saver" /p "$((win))" --data-dir "$data" >"$LOG" 2>&1 &
pid=$!
sleep 1.5
xdotool mousemove 100 100 key q
sleep 0.5
running "input reached the preview"
kill "$hostpid"
hostpid=
ends_within 20
echo "e2e_saver_x11: all passed"
