#!/usr/bin/env bash
# The demo on SDL's headless driver: the automation options drive a reproducible run, and every
# mode of the command line ends as it should.
set -euo pipefail
demo=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY
export SDL_VIDEODRIVER=offscreen
LOG=$work/log

# Virtual clock across the 2^32 wrap: a frame every second idle call (20 ms at 10 ms a call);
# keys and moves before their frames; the run closes itself after frame 5.
"$demo" /s --frames 5 --step-ms 10 --clock-start 4294967290 --size 320x200 \
  --key 2:b --key 3:num8 --mouse 3:10,20 --key 4:alt >"$LOG"
expect_exact "$LOG" \
  "create preview=0 client=320x200" "show" "syscommand 0xF140 -> 1" \
  "key 0x42 shift 0" "key 0x68 shift 0" "mouse 10 20" "key 0x12 shift 0" \
  "closequery" "close" "destroy idle=11 frames=5 clock=104" "exit 0"

# Escape before frame 2 closes the window through the ordinary close request.
"$demo" /s --step-ms 10 --key 2:escape --key 3:b >"$LOG"
expect_exact "$LOG" \
  "create preview=0 client=1280x720" "show" "syscommand 0xF140 -> 1" \
  "key 0x1B shift 0" "closequery" "close" "destroy idle=5 frames=1 clock=50" "exit 0"

# --frames 0 closes at the first idle call, before any frame.
"$demo" /s --frames 0 --step-ms 1 >"$LOG"
expect_in_order "$LOG" "show" "closequery" "close" "destroy idle=1 frames=0 clock=1" "exit 0"

# The real clock: frames are 20 ms apart and the idle handler sleeps in between instead of
# spinning (a busy loop makes hundreds of thousands of idle calls in half a second).
"$demo" /s --frames 25 >"$LOG"
line=$(grep '^destroy' "$LOG")
idle=$(echo "$line" | sed 's/.*idle=\([0-9]*\).*/\1/')
[ "$idle" -lt 2000 ] || fail "idle loop spun: $line"
expect_in_order "$LOG" "closequery" "close" "exit 0"

# Settings, with and without a data folder; the password change (no service here) ends at once.
"$demo" >"$LOG"
expect_exact "$LOG" "settings data=$(cd "$(dirname "$demo")/.." && pwd)/share/corvane_kestor/" "exit 0"
"$demo" /c:1234 --data-dir "$work/data" >"$LOG"
expect_exact "$LOG" "settings data=$work/data/" "exit 0"
"$demo" /a 1234 >"$LOG"
expect_exact "$LOG" "exit 0"

# A preview or a root window needs an X display: the run ends with code 1 and a message.
set +e
"$demo" /p 1234 >"$LOG" 2>"$work/err"
code=$?
set -e
[ $code -eq 1 ] || fail "preview without a display ended with $code"
grep -q "X11 display" "$work/err" || fail "no message for the preview without a display"
expect_absent "$LOG" "^show"

# Usage errors: exit code 2, a message naming the option, nothing started.
for args in "/s --frames abc" "/s --key 0:b" "/s --capture out" "/p 5 --size 12" "/c --nonsense"; do
  set +e
  # shellcheck disable=SC2086
  "$demo" $args >"$LOG" 2>"$work/err"
  code=$?
  set -e
  [ $code -eq 2 ] || fail "'$args' ended with $code, not 2"
  grep -q -- "--" "$work/err" || fail "'$args': no message naming the option"
  grep -q "usage error" "$work/err" || fail "'$args': no usage-error line"
  expect_absent "$LOG" "create\|settings"
done
echo "e2e_app_headless: all passed"
