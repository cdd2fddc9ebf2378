#!/usr/bin/env bash
# The virtual clock started just before 2^32 ms, so that it wraps in the title phase, during the
# skeleton view's 30 s, and under frame pacing: every picture is that of the run started at 0;
# and during the overlay's 10-second hold: the block stays put for the whole hold, then the next one
# is typed elsewhere, at the frames of the run started at 0.
#   wrap.sh headless SAVER DATA_FOLDER
#   wrap.sh wine SAVER.scr DATA_FOLDER      (full screen on a private 640x480 display)
set -euo pipefail
target=$1
saver=$2
data=$(cd "$3" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
[ "$target" != wine ] || xvfb_inner 640x480 "$@"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
LOG=$work/log
saver_setup "$target" "$work"
size=(--size 320x180)  # headless

# wrap_run NAME START STEP SPEED ARGS...: run (lib.sh) with the clock starting at START, STEP ms a
# call (the settings: $SETTINGS, display mode without the overlay by default, at SPEED).
SETTINGS='mode=0\r\ntext_out=2'
wrap_run() {
  local name=$1 start=$2 step=$3 speed=$4
  shift 4
  printf "[Settings]\r\n$SETTINGS\r\nspeed=%s\r\n" "$speed" >"$ini"
  run "$name" --clock-start "$start" "$@"
}
same_all() {
  local a=$1 b=$2
  shift 2
  for f in "$@"; do check same "$(frame $a $f)" "$(frame $b $f)"; done
}

# A frame per call of 50 ms: the title until frame 100, the skeleton view from frame 121 for 600 frames.
shots=(60 100 101 125 715 721 730 760)
args=(--frames 760 --capture-at "$(IFS=,; echo "${shots[*]}")" --key 121:s)
wrap_run zero 0 50 0 "${args[@]}"
check differ "$work/zero/frame-00100.png" "$work/zero/frame-00101.png" 0.01  # the title went
check differ "$work/zero/frame-00715.png" "$work/zero/frame-00730.png" 0.5   # so did the skeleton view
wrap_run title $((4294967296 - 2500)) 50 0 "${args[@]}"      # wraps at frame 50
same_all zero title "${shots[@]}"
wrap_run skeleton $((4294967296 - 400 * 50)) 50 0 "${args[@]}"  # wraps at frame 400
same_all zero skeleton "${shots[@]}"

# Paced: 10 ms a call, a frame every 40 ms; the title until frame 125, the skeleton view from
# frame 130 for 750 frames. Wrong pacing across the wrap would shift every time-bound change.
shots=(124 126 135 870 885 900)
args=(--frames 900 --capture-at "$(IFS=,; echo "${shots[*]}")" --key 130:s)
wrap_run paced 0 10 40 "${args[@]}"
check differ "$work/paced/frame-00870.png" "$work/paced/frame-00885.png" 0.5
wrap_run paced-wrap $((4294967296 - 3000)) 10 40 "${args[@]}"
same_all paced paced-wrap "${shots[@]}"

# The overlay in driving mode, three magenta lines a block (640x360 headless): the title lasts to
# frame 100, the first block is typed from frame 101 to 199 and held for 10 s (200 frames), the
# next block starts at frame 399 at a new place. The wrap at frame 300 falls in the hold. The block's place
# comes from the clock, so the wrapped run puts it elsewhere: its size and its timing must agree.
SETTINGS='mode=1\r\ntext_out=1\r\ncolumn=3\r\nfont_color=8388736\r\nfont_size=12'
MAGENTA="255 0 255 40"
box() { python3 "$e2e/saver/pngcheck.py" info "$1" $MAGENTA | sed -n 's/.*box \([-0-9,]*\) share.*/\1/p' | tail -1; }
boxsize() { local x0 y0 x1 y1; IFS=, read -r x0 y0 x1 y1 <<<"${1/-/,}"; echo "$((x1 - x0)) $((y1 - y0))"; }
shots=(100 199 250 299 301 398 399 420)
size=(--size 640x360)
args=(--frames 420 --capture-at "$(IFS=,; echo "${shots[*]}")")
sizes=()
for name in overlay overlay-wrap; do
  start=0
  [ $name = overlay ] || start=$((4294967296 - 300 * 50))
  wrap_run $name $start 50 0 "${args[@]}"
  f() { frame $name "$1"; }
  check share "$(f 100)" $MAGENTA 0 0
  held=$(box "$(f 199)")
  [ -n "$held" ] || fail "$name: no block at frame 199"
  for n in 250 299 301 398; do
    [ "$(box "$(f $n)")" = "$held" ] || fail "$name: the held block changed at frame $n: $held, $(box "$(f $n)")"
  done
  check share "$(f 399)" $MAGENTA 0.000001 0.002  # one character of the next block
  [ "$(box "$(f 420)")" != "$held" ] || fail "$name: the next block did not move"
  sizes+=("$(boxsize "$held")")
done
# The same text: the same size, give or take an edge pixel blended into another background.
read -r w0 h0 <<<"${sizes[0]}"
read -r w1 h1 <<<"${sizes[1]}"
[ $((w0 - w1)) -le 2 ] && [ $((w1 - w0)) -le 2 ] && [ $((h0 - h1)) -le 2 ] && [ $((h1 - h0)) -le 2 ] ||
  fail "the held block is ${w0}x$h0 started at 0 and ${w1}x$h1 across the wrap"
echo "wrap: all passed"
