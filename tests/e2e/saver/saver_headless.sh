#!/usr/bin/env bash
# The saver headless on the virtual clock, with captures: display mode from the default settings,
# the bonnet, trunk lid and doors opening and closing, the skeleton view and its timeout, the
# viewpoint keys and the next run starting where the last one ended, a run with a data file
# missing, and the other modes ending cleanly.
#   saver_headless.sh SAVER DATA_FOLDER [SNAPSHOT_FOLDER]
# With a third argument the captured frames are kept there (to look at them).
set -euo pipefail
saver=$1
data=$2
keep=${3:-}
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
check() { python3 "$here/saver/pngcheck.py" "$@" || fail "check '$*'"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY
export SDL_VIDEODRIVER=offscreen
export XDG_CONFIG_HOME=$work/config
ini=$XDG_CONFIG_HOME/corvane_kestor/corvane_kestor.ini
LOG=$work/log
W=480
H=270

# settings KEY=VALUE...: a fresh settings file with these keys (the overlay off unless given).
settings() {
  rm -rf "$XDG_CONFIG_HOME"
  mkdir -p "$XDG_CONFIG_HOME/corvane_kestor"
  { echo "[Settings]"; echo "text_out=2"; for kv in "$@"; do echo "$kv"; done; } >"$ini"
}
# run NAME ARGS...: one full-screen run with 50 ms per idle call; its frames go to $work/NAME.
run() {
  local name=$1
  shift
  mkdir -p "$work/$name"
  "$saver" /s --data-dir "$data" --step-ms 50 --size ${W}x$H --capture "$work/$name" "$@" >"$LOG" 2>&1 ||
    fail "run $name ended with $?"
  if [ -n "$keep" ]; then mkdir -p "$keep/$name" && cp "$work/$name"/*.png "$keep/$name/" 2>/dev/null || true; fi
}
frame() { printf '%s/%s/frame-%05d.png' "$work" "$1" "$2"; }
ini_value() { tr -d '\r' <"$ini" | sed -n "s/^$1=//p"; }

# --- Display mode from the default position. The title shows for 5000 ms (frames 1..100 at 50 ms);
# then the car turns in front of the camera at the origin, at (0, -0.6, -1.3).
settings mode=0
run display --frames 120 --capture-at 1,60,101,120
check size "$(frame display 1)" $W $H
check pixel "$(frame display 1)" 0 0 0 0 0
check car "$(frame display 120)" 0 0 0 0.05 0.6
check differ "$(frame display 60)" "$(frame display 101)" 0.01  # the title has gone
[ "$(ini_value fx)" = 0 ] && [ "$(ini_value fy)" = -6000 ] && [ "$(ini_value fz)" = -13000 ] ||
  fail "the default viewpoint was not written back: $(cat "$ini")"

# --- B, T, L, R: the part opens over 50 frames from the key before frame 121, stays open, closes
# from the key before frame 201, and 410 frames after frame 120 (one turn of the turntable) the
# picture is exactly that of frame 120 again.
for key in b t l r; do
  settings mode=0
  run "hinge-$key" --frames 530 --capture-at 120,145,175,225,530 --key 121:$key --key 150:$key --key 201:$key
  check differ "$(frame hinge-$key 120)" "$(frame hinge-$key 145)" 0.001
  check differ "$(frame hinge-$key 145)" "$(frame hinge-$key 175)" 0.001
  check same "$(frame hinge-$key 120)" "$(frame hinge-$key 530)"
done

# --- S: the skeleton view on a white background, off again after 30 s (600 frames).
settings mode=0
run skeleton --frames 760 --capture-at 120,125,715,730 --key 121:s
check pixel "$(frame skeleton 120)" 0 0 0 0 0
check pixel "$(frame skeleton 125)" 0 0 255 255 255
check car "$(frame skeleton 125)" 255 255 255 0.02 0.6
check pixel "$(frame skeleton 715)" 0 0 255 255 255
check pixel "$(frame skeleton 730)" 0 0 0 0 0
# A second S switches it off at once.
run skeleton2 --frames 130 --capture-at 125,130 --key 121:s --key 126:s
check pixel "$(frame skeleton2 125)" 0 0 255 255 255
check pixel "$(frame skeleton2 130)" 0 0 0 0 0

# --- The viewpoint keys move the car; the next run starts where this one ended.
settings mode=0
run moved --frames 120 --capture-at 120 --key 2:left --key 2:left --key 2:left --key 2:left --key 2:left \
  --key 3:up --key 3:up --key 3:up --key 4:num8 --key 4:num8 --key 4:num8 --key 4:num8
[ "$(ini_value fx)" = 1000 ] && [ "$(ini_value fy)" = -6600 ] && [ "$(ini_value fz)" = -13800 ] ||
  fail "the moved viewpoint was not stored: $(cat "$ini")"
run again --frames 120 --capture-at 120
check close "$(frame moved 120)" "$(frame again 120)" 0.002  # the stored keys round the floats
check differ "$(frame display 120)" "$(frame again 120)" 0.01
[ "$(ini_value fx)" = 1000 ] || fail "the second run changed the viewpoint"

# --- A data file missing: a black screen (the notice is the overlay's), nothing moves, nothing saved.
mkdir -p "$work/partial"
for f in "$data"/*; do ln -s "$f" "$work/partial/"; done
rm "$work/partial/crmd_44"
settings mode=0
cp "$ini" "$work/ini-before"
"$saver" /s --data-dir "$work/partial" --step-ms 50 --size ${W}x$H --frames 3 --capture "$work/missing" \
  --capture-at 1,2 --key 2:left >"$LOG" 2>&1 || fail "the run with a missing file ended with $?"
check uniform "$work/missing/frame-00001.png" 0 0 0
check uniform "$work/missing/frame-00002.png" 0 0 0
cmp -s "$ini" "$work/ini-before" || fail "the run with a missing file changed the settings"

# --- The other modes end at once without a window; the settings dialog and a preview need a
# display, and without one they say so and end with exit code 1.
"$saver" /a 1234 >"$LOG" 2>&1 || fail "/a ended with $?"
for mode in /c "/p 1234"; do
  set +e
  "$saver" $mode >"$LOG" 2>&1
  code=$?
  set -e
  [ $code -eq 1 ] || fail "$mode without a display ended with $code"
  [ -s "$LOG" ] || fail "$mode without a display said nothing"
done
echo "e2e_saver_headless: all passed"
