#!/usr/bin/env bash
# The Windows build of the demo under Wine, on a private Xvfb so that xdotool's input reaches it
# alone: the automation run, real keys (Wine's virtual-key codes must match the Linux build's),
# the preview as a child of another process's window, and the other modes.
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
wine=$here/../../tools/wine-run
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
LOG=$work/log

finish() {
  local pid=$1
  for _ in $(seq 200); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then fail "the demo did not end"; fi
  wait "$pid"
}

# --- The automation run: the same lines as on Linux (Wine may add the pointer's real position).
"$wine" "$demo" /s --frames 5 --step-ms 10 --clock-start 4294967290 \
  --key 2:b --key 3:num8 --mouse 3:10,20 --key 4:alt >"$LOG" 2>"$work/err"
expect_in_order "$LOG" "show" "syscommand 0xF140 -> 1" \
  "key 0x42 shift 0" "key 0x68 shift 0" "mouse 10 20" "key 0x12 shift 0" \
  "closequery" "close" "destroy idle=11 frames=5 clock=104" "exit 0"
grep -q "^create preview=0 client=" "$LOG" || fail "no create line"
[ "$(grep -c '^key' "$LOG")" -eq 3 ] || fail "keys other than the three given"

# --- Real input from the X server through Wine.
"$wine" "$demo" /s >"$LOG" 2>"$work/err" &
pid=$!
pids+=("$pid")
wait_for "$LOG" "^show" 60
sleep 0.5
xdotool mousemove 300 200
wait_for "$LOG" "^mouse 300 200"
xdotool key b Left Right Up Down KP_Up KP_Down
xdotool key Num_Lock
xdotool key KP_Up
xdotool key KP_Down
xdotool key Num_Lock
xdotool key Alt_L Shift_L Control_L F5 space 7 t
xdotool click 3
wait_for "$LOG" "^button 1 300 200"
xdotool key Escape
set +e
finish "$pid"
code=$?
set -e
[ $code -eq 0 ] || fail "full-screen run ended with $code"
expect_in_order "$LOG" "show" \
  "key 0x42 shift 0" "key 0x25 shift 0" "key 0x27 shift 0" "key 0x26 shift 0" "key 0x28 shift 0" \
  "key 0x26 shift 0" "key 0x28 shift 0" "key 0x90 shift 0" "key 0x68 shift 0" "key 0x62 shift 0" "key 0x90 shift 0" \
  "key 0x12 shift 2" "key 0x10 shift 1" "key 0x11 shift 4" "key 0x74 shift 0" \
  "key 0x20 shift 0" "key 0x37 shift 0" "key 0x54 shift 0" "button 1 300 200" \
  "key 0x1B shift 0" "closequery" "close" "exit 0"

# --- Preview inside another process's window, which destroys it after 4 s.
"$wine" "$host" 4000 >"$work/host" 2>/dev/null &
hostpid=$!
pids+=("$hostpid")
wait_for "$work/host" "^[0-9]" 60
hwnd=$(head -1 "$work/host" | tr -d '\r')
"$wine" "$demo" /p "$hwnd" >"$LOG" 2>"$work/err" &
pid=$!
pids+=("$pid")
wait_for "$LOG" "^show" 60
expect_in_order "$LOG" "create preview=1 client=200x150" "parent 50,60,250,210"
xdotool mousemove 100 100 key b Escape  # over the preview: a disabled child gets none of it
set +e
finish "$pid"
code=$?
set -e
[ $code -eq 0 ] || fail "preview ended with $code"
expect_in_order "$LOG" "show" "close" "exit 0"
expect_absent "$LOG" "^key\|^mouse\|^button\|^closequery"

# --- The other modes.
"$wine" "$demo" /c >"$LOG" 2>"$work/err"
tr -d '\r' <"$LOG" | grep -qi '^settings data=[a-z]:\\windows\\system32\\$' || fail "settings data folder"
"$wine" "$demo" /a 1234 >"$LOG" 2>"$work/err"
expect_exact "$LOG" "exit 0"
set +e
"$wine" "$demo" /p 99999 >"$LOG" 2>"$work/err"
code=$?
"$wine" "$demo" /s --frames x >"$work/log2" 2>"$work/err2"
usage=$?
set -e
[ $code -eq 1 ] || fail "a missing preview window ended with $code"
[ $usage -eq 2 ] || fail "a usage error ended with $usage"
grep -q -- "--frames" "$work/err2" || fail "no message naming --frames"
echo "e2e_app_wine: all passed"
