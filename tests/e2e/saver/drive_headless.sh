#!/usr/bin/env bash
# Driving mode and the text overlay headless on the virtual clock, with captures: the three camera
# passes by day and a night pass, the overlay typing blocks of kestor.txt in the settings' colour
# and size, the notice with a data file missing, and a device lost mid-run that the saver survives
# with the picture resuming exactly where the animation stands.
#   drive_headless.sh SAVER DATA_FOLDER [SNAPSHOT_FOLDER]
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

settings() {
  rm -rf "$XDG_CONFIG_HOME"
  mkdir -p "$XDG_CONFIG_HOME/corvane_kestor"
  { echo "[Settings]"; for kv in "$@"; do echo "$kv"; done; } >"$ini"
}
# run NAME ARGS...: one full-screen run with 50 ms per idle call; its frames go to $work/NAME.
run() {
  local name=$1
  shift
  mkdir -p "$work/$name"
  "$saver" /s --data-dir "$data" --step-ms 50 --capture "$work/$name" "$@" >"$LOG" 2>&1 ||
    fail "run $name ended with $?"
  if [ -n "$keep" ]; then mkdir -p "$keep/$name" && cp "$work/$name"/*.png "$keep/$name/" 2>/dev/null || true; fi
}
frame() { printf '%s/%s/frame-%05d.png' "$work" "$1" "$2"; }
SKY="187 187 255 0"       # the clear colour, where nothing covers it
BOARD="217 31 20 12"      # the red of the oil company's boards
MAGENTA="255 0 255 40"    # font_color 0x800080 through the colour table
YELLOW="255 255 0 40"     # the notice

# --- Three passes by day (frames 1..401 roadside, 402..868 ahead of the car, 869..1335 behind it),
# then night. Frames 101.. come after the title.
settings mode=1 text_out=2
ini_before=$(cat "$ini")
run day --size ${W}x$H --frames 1500 --capture-at 120,300,500,800,1000,1300,1340,1500
for f in 120 300 500 1000; do
  check share "$(frame day $f)" $SKY 0.05 1
  check share "$(frame day $f)" $BOARD 0.005 1
done
# Ahead of and behind the car it fills much of the picture.
check share "$(frame day 500)" 200 20 20 80 0.03 1
check share "$(frame day 1000)" 200 20 20 80 0.03 1
check differ "$(frame day 120)" "$(frame day 500)" 0.3
check differ "$(frame day 500)" "$(frame day 1000)" 0.3
# Night: no boards, the night scenery's dark sky over everything, a darker picture.
for f in 1340 1500; do
  check share "$(frame day $f)" $BOARD 0 0.001
  check share "$(frame day $f)" $SKY 0 0.005
  check mean "$(frame day $f)" 0 60
done
check mean "$(frame day 300)" 80 255
[ "$(cat "$ini")" = "$ini_before" ] || fail "a driving-mode run changed the settings: $(cat "$ini")"

# --- The overlay: three lines a block in magenta. The title lasts to frame 100; the first block
# (24, 28 and 44 bytes: 99 steps) is typed from frame 101 to 199 and held for 10 s; the next
# block starts at frame 399 elsewhere.
settings mode=1 text_out=1 column=3 font_color=8388736 font_size=12
run overlay --size 640x360 --frames 420 --capture-at 100,101,130,170,199,250,398,399,420
check share "$(frame overlay 100)" $MAGENTA 0 0
check share "$(frame overlay 101)" $MAGENTA 0.000001 0.002
for pair in "101 130" "130 170" "170 199"; do
  set -- $pair
  a=$(python3 "$here/saver/pngcheck.py" info "$(frame overlay $1)" $MAGENTA | sed -n 's/.*share //p' | tail -1)
  b=$(python3 "$here/saver/pngcheck.py" info "$(frame overlay $2)" $MAGENTA | sed -n 's/.*share //p' | tail -1)
  python3 -c "import sys; sys.exit(0 if $b > $a else 1)" || fail "the text did not grow from frame $1 ($a) to $2 ($b)"
done
# Three lines of 12-point type (16 pixels a line), the same box while the block is held.
box() { python3 "$here/saver/pngcheck.py" info "$1" ${2:-$MAGENTA} | sed -n 's/.*box \([-0-9,]*\) share.*/\1/p' | tail -1; }
b199=$(box "$(frame overlay 199)")
[ "$b199" = "$(box "$(frame overlay 250)")" ] && [ "$b199" = "$(box "$(frame overlay 398)")" ] ||
  fail "the held block moved: $b199, $(box "$(frame overlay 250)"), $(box "$(frame overlay 398)")"
IFS=, read -r x0 y0 x1 y1 <<<"${b199/-/,}"
[ $((y1 - y0)) -ge 30 ] && [ $((y1 - y0)) -le 48 ] || fail "the block is $((y1 - y0)) rows high: $b199"
[ "$(box "$(frame overlay 420)")" != "$b199" ] || fail "the next block did not move"
check share "$(frame overlay 399)" $MAGENTA 0.000001 0.002  # one character of the next block
# The settings' size: 24-point type makes the held block twice as tall.
settings mode=1 text_out=1 column=3 font_color=8388736 font_size=24
run overlay24 --size 640x360 --frames 250 --capture-at 250
b24=$(box "$(frame overlay24 250)")
IFS=, read -r x0 y0 x1 y1 <<<"${b24/-/,}"
[ $((y1 - y0)) -ge 66 ] && [ $((y1 - y0)) -le 96 ] || fail "24-point lines are $((y1 - y0)) rows high: $b24"

# --- A data file missing: black, the notice typed in yellow from the third frame (100 ms), five
# lines, held and typed again elsewhere; the overlay setting does not matter.
mkdir -p "$work/partial"
for f in "$data"/*; do ln -s "$f" "$work/partial/"; done
rm "$work/partial/crmd_44"
settings mode=1 text_out=2 font_color=8388736
cp "$ini" "$work/ini-before"
mkdir -p "$work/notice"
"$saver" /s --data-dir "$work/partial" --step-ms 50 --size 640x360 --frames 460 --capture "$work/notice" \
  --capture-at 2,3,100,260,446,447,460 >"$LOG" 2>&1 || fail "the run with a missing file ended with $?"
[ -z "$keep" ] || { mkdir -p "$keep/notice" && cp "$work/notice"/*.png "$keep/notice/"; }
check uniform "$(frame notice 2)" 0 0 0
check share "$(frame notice 3)" $YELLOW 0.000001 0.002
check share "$(frame notice 100)" $MAGENTA 0 0
b260=$(box "$(frame notice 260)" "$YELLOW")
IFS=, read -r x0 y0 x1 y1 <<<"${b260/-/,}"
[ $((y1 - y0)) -ge 60 ] && [ $((y1 - y0)) -le 80 ] || fail "the notice is $((y1 - y0)) rows high: $b260"
check share "$(frame notice 446)" $YELLOW 0.01 1    # still held
check share "$(frame notice 447)" $YELLOW 0.000001 0.002  # typed again
cmp -s "$ini" "$work/ini-before" || fail "the run with a missing file changed the settings"

# --- The device lost before frame 150: frames 150 and 151 are not drawn (lost, then reset), the
# animation goes on, and from frame 152 the picture is that of a run without the loss.
settings mode=1 text_out=2
run steady --size ${W}x$H --frames 200 --capture-at 149,152,200
run lost --size ${W}x$H --frames 200 --capture-at 149,150,151,152,200 --lose-device 150
grep -q "frame 150 was not drawn" "$LOG" && grep -q "frame 151 was not drawn" "$LOG" ||
  fail "the lost frames were drawn"
[ ! -e "$(frame lost 150)" ] && [ ! -e "$(frame lost 151)" ] || fail "a lost frame was captured"
check same "$(frame steady 149)" "$(frame lost 149)"
check same "$(frame steady 152)" "$(frame lost 152)"
check same "$(frame steady 200)" "$(frame lost 200)"
check differ "$(frame lost 149)" "$(frame lost 152)" 0.01
echo "drive_headless: all passed"
