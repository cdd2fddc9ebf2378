#!/usr/bin/env bash
# The demo on a private Xvfb with real input from xdotool: the full-screen window and its keys
# (virtual-key codes end to end, Num Lock on the keypad), pointer moves and buttons, Escape; then
# the preview inside another program's window (no input reaches it; it ends when the host goes),
# and XScreenSaver's -window-id and -root.
set -euo pipefail
if [ -z "${KESTOR_E2E_INNER:-}" ]; then
  export KESTOR_E2E_INNER=1
  # A random first display number: parallel tests each start their own server.
  exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1024x768x24 +extension GLX -nolisten tcp" bash "$0" "$@"
fi
demo=$1
host=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
unset SDL_VIDEODRIVER
LOG=$work/log

# finish PID: waits for the demo to end by itself (10 s at most) and returns its exit code.
finish() {
  local pid=$1
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then fail "the demo did not end"; fi
  wait "$pid"
}

# --- Full screen, real keys and pointer.
xdotool mousemove 300 200
"$demo" /s >"$LOG" 2>"$work/err" &
pid=$!
pids+=("$pid")
wait_for "$LOG" "^show"
expect_in_order "$LOG" "create preview=0 client=1024x768"
sleep 0.5
xdotool mousemove 310 205
wait_for "$LOG" "^mouse 310 205"
# The keypad as on Windows: arrows with Num Lock off, digits with it on. (KP_Up and KP_Down name
# the keypad's 8 and 2 keys; one key per call, or xdotool toggles Num Lock on its own.)
xdotool key b Left Right Up Down KP_Up KP_Down
xdotool key Num_Lock
xdotool key KP_Up
xdotool key KP_Down
xdotool key Num_Lock
xdotool key Alt_L Shift_L Control_L F5 space 7 t
xdotool key Alt_R
xdotool click 3
wait_for "$LOG" "^button 1 310 205"
xdotool key Escape
set +e
finish "$pid"
code=$?
set -e
[ $code -eq 0 ] || fail "full-screen run ended with $code"
expect_in_order "$LOG" "show" "syscommand 0xF140 -> 1" \
  "key 0x42 shift 0" "key 0x25 shift 0" "key 0x27 shift 0" "key 0x26 shift 0" "key 0x28 shift 0" \
  "key 0x26 shift 0" "key 0x28 shift 0" "key 0x90 shift 0" "key 0x68 shift 0" "key 0x62 shift 0" "key 0x90 shift 0" \
  "key 0x12 shift 2" "key 0x10 shift 1" "key 0x11 shift 4" "key 0x74 shift 0" \
  "key 0x20 shift 0" "key 0x37 shift 0" "key 0x54 shift 0" "key 0x12 shift 2" "button 1 310 205" \
  "key 0x1B shift 0" "closequery" "close" "exit 0"
grep -q "^destroy idle=" "$LOG" || fail "no destroy"

# --- Preview inside another program's window.
"$host" >"$work/host" &
hostpid=$!
pids+=("$hostpid")
wait_for "$work/host" "^0x"
win=$(head -1 "$work/host")
"$demo" /p "$((win))" >"$LOG" 2>"$work/err" &
pid=$!
pids+=("$pid")
wait_for "$LOG" "^show"
expect_in_order "$LOG" "create preview=1 client=200x150" "parent 50,60,250,210"
xdotool mousemove 100 100 key b Escape  # over the preview: a disabled window gets none of it
sleep 1
expect_absent "$LOG" "^key\|^mouse\|^closequery"
kill "$hostpid"  # the host quits: its window goes, and the preview with it
set +e
finish "$pid"
code=$?
set -e
[ $code -eq 0 ] || fail "preview ended with $code"
expect_in_order "$LOG" "show" "close" "exit 0"
expect_absent "$LOG" "^closequery"

# --- XScreenSaver's forms: -window-id into the host, -root into $XSCREENSAVER_WINDOW.
"$host" >"$work/host" &
hostpid=$!
pids+=("$hostpid")
wait_for "$work/host" "^0x"
win=$(head -1 "$work/host")
"$demo" -window-id "$win" --frames 3 >"$LOG"
expect_in_order "$LOG" "create preview=1 client=200x150" "show" "closequery" "close" "exit 0"
XSCREENSAVER_WINDOW=$win "$demo" -root --frames 3 >"$LOG"
expect_in_order "$LOG" "create preview=0 client=200x150" "show" "closequery" "close" "exit 0"
kill "$hostpid"

# --- A preview window that does not exist: code 1, a message, no crash.
set +e
"$demo" /p 123456789 >"$LOG" 2>"$work/err"
code=$?
set -e
[ $code -eq 1 ] || fail "a missing preview window ended with $code"
grep -q "no X11 window" "$work/err" || fail "no message for the missing preview window"
echo "e2e_app_x11: all passed"
