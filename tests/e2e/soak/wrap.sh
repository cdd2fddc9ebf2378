#!/usr/bin/env bash
# The virtual clock started just before 2^32 ms, so that it wraps in the title phase, during the
# skeleton view's 30 s, and under frame pacing: every picture is that of the run started at 0.
#   wrap.sh SAVER DATA_FOLDER
set -euo pipefail
saver=$1
data=$2
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
check() { python3 "$here/saver/pngcheck.py" "$@" || fail "check '$*'"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY
export SDL_VIDEODRIVER=offscreen
export XDG_CONFIG_HOME=$work/config
ini=$XDG_CONFIG_HOME/corvane_kestor/corvane_kestor.ini
mkdir -p "$(dirname "$ini")"
LOG=$work/log

# run NAME START STEP SPEED ARGS...
run() {
  local name=$1 start=$2 step=$3 speed=$4
  shift 4
  printf '[Settings]\nmode=0\ntext_out=2\nspeed=%s\n' "$speed" >"$ini"
  mkdir -p "$work/$name"
  "$saver" /s --data-dir "$data" --size 320x180 --clock-start "$start" --step-ms "$step" \
    --capture "$work/$name" "$@" >"$LOG" 2>&1 || fail "run $name ended with $?"
}
same_all() {
  local a=$1 b=$2
  shift 2
  for f in "$@"; do check same "$work/$a/$(printf 'frame-%05d.png' "$f")" "$work/$b/$(printf 'frame-%05d.png' "$f")"; done
}

# A frame per call of 50 ms: the title until frame 100, the skeleton view from frame 121 for 600 frames.
shots=(60 100 101 125 715 721 730 760)
args=(--frames 760 --capture-at "$(IFS=,; echo "${shots[*]}")" --key 121:s)
run zero 0 50 0 "${args[@]}"
check differ "$work/zero/frame-00100.png" "$work/zero/frame-00101.png" 0.01  # the title went
check differ "$work/zero/frame-00715.png" "$work/zero/frame-00730.png" 0.5   # so did the skeleton view
run title $((4294967296 - 2500)) 50 0 "${args[@]}"      # wraps at frame 50
same_all zero title "${shots[@]}"
run skeleton $((4294967296 - 400 * 50)) 50 0 "${args[@]}"  # wraps at frame 400
same_all zero skeleton "${shots[@]}"

# Paced: 10 ms a call, a frame every 40 ms; the title until frame 125, the skeleton view from
# frame 130 for 750 frames. Wrong pacing across the wrap would shift every time-bound change.
shots=(124 126 135 870 885 900)
args=(--frames 900 --capture-at "$(IFS=,; echo "${shots[*]}")" --key 130:s)
run paced 0 10 40 "${args[@]}"
check differ "$work/paced/frame-00870.png" "$work/paced/frame-00885.png" 0.5
run paced-wrap $((4294967296 - 3000)) 10 40 "${args[@]}"
same_all paced paced-wrap "${shots[@]}"
echo "wrap: all passed"
