# The demo's cases of every target (sourced by app_demo_headless.sh, app_demo_x11.sh and
# app_demo_wine.sh). The sourcing script sets: target (headless, x11 or wine), demo (the program),
# prog (the command that runs it: the demo, under Wine through tools/wine-run), host (x11 and wine:
# the preview host), work (a scratch folder), LOG, pids (background programs, ended on exit),
# patience (seconds a window may take to show) and ends (seconds the demo may take to end).

# finish PID: waits for the demo to end by itself ($ends seconds at most) and returns its exit code.
finish() {
  local pid=$1
  for _ in $(seq $((ends * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then fail "the demo did not end"; fi
  wait "$pid"
}

if [ "$target" != x11 ]; then
  # --- Virtual clock across the 2^32 wrap: a frame every second idle call (20 ms at 10 ms a call);
  # keys and moves before their frames; the run closes itself after frame 5. Headless exactly
  # these lines; under Wine (it may add the pointer's real position, its screen is the desktop's)
  # these in this order, and no other key.
  size=()
  [ "$target" = wine ] || size=(--size 320x200)
  "${prog[@]}" /s --frames 5 --step-ms 10 --clock-start 4294967290 "${size[@]}" \
    --key 2:b --key 3:num8 --mouse 3:10,20 --key 4:alt >"$LOG" 2>"$work/err"
  lines=("show" "syscommand 0xF140 -> 1"
    "key 0x42 shift 0" "key 0x68 shift 0" "mouse 10 20" "key 0x12 shift 0"
    "closequery" "close" "destroy idle=11 frames=5 clock=104" "exit 0")
  if [ "$target" = headless ]; then
    expect_exact "$LOG" "create preview=0 client=320x200" "${lines[@]}"
  else
    expect_in_order "$LOG" "${lines[@]}"
    grep -q "^create preview=0 client=" "$LOG" || fail "no create line"
    [ "$(grep -c '^key' "$LOG")" -eq 3 ] || fail "keys other than the three given"
  fi
fi

if [ "$target" = headless ]; then
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
fi

if [ "$target" != headless ]; then
  # --- Full screen, real keys and pointer from the X server (under Wine through Wine: its
  # virtual-key codes must match the Linux build's). The keypad as on Windows: arrows with Num
  # Lock off, digits with it on. (KP_Up and KP_Down name the keypad's 8 and 2 keys; one key per
  # call, or xdotool toggles Num Lock on its own.) On Linux the pointer starts elsewhere and the
  # right Alt key is pressed as well.
  if [ "$target" = x11 ]; then
    xdotool mousemove 300 200
    x=310 y=205
  else
    x=300 y=200
  fi
  "${prog[@]}" /s >"$LOG" 2>"$work/err" &
  pid=$!
  pids+=("$pid")
  wait_for "$LOG" "^show" $patience
  [ "$target" = wine ] || expect_in_order "$LOG" "create preview=0 client=1024x768"
  sleep 0.5
  xdotool mousemove $x $y
  wait_for "$LOG" "^mouse $x $y"
  xdotool key b Left Right Up Down KP_Up KP_Down
  xdotool key Num_Lock
  xdotool key KP_Up
  xdotool key KP_Down
  xdotool key Num_Lock
  xdotool key Alt_L Shift_L Control_L F5 space 7 t
  alt_r=()
  if [ "$target" = x11 ]; then
    xdotool key Alt_R
    alt_r=("key 0x12 shift 2")
  fi
  xdotool click 3
  wait_for "$LOG" "^button 1 $x $y"
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
    "key 0x20 shift 0" "key 0x37 shift 0" "key 0x54 shift 0" "${alt_r[@]}" "button 1 $x $y" \
    "key 0x1B shift 0" "closequery" "close" "exit 0"
  grep -q "^destroy idle=" "$LOG" || fail "no destroy"

  # --- Preview inside another program's window (under Wine another process's, which destroys it
  # after 4 s; on Linux the host quits): its window goes, and the preview with it.
  if [ "$target" = x11 ]; then
    "$host" >"$work/host" &
  else
    "$wine" "$host" 4000 >"$work/host" 2>/dev/null &
  fi
  hostpid=$!
  pids+=("$hostpid")
  if [ "$target" = x11 ]; then
    wait_for "$work/host" "^0x"
    win=$(($(head -1 "$work/host")))
  else
    wait_for "$work/host" "^[0-9]" $patience
    win=$(head -1 "$work/host" | tr -d '\r')
  fi
  "${prog[@]}" /p "$win" >"$LOG" 2>"$work/err" &
  pid=$!
  pids+=("$pid")
  wait_for "$LOG" "^show" $patience
  expect_in_order "$LOG" "create preview=1 client=200x150" "parent 50,60,250,210"
  xdotool mousemove 100 100 key b Escape  # over the preview: a disabled window gets none of it
  if [ "$target" = x11 ]; then
    sleep 1
    expect_absent "$LOG" "^key\|^mouse\|^button\|^closequery"
    kill "$hostpid"
  fi
  set +e
  finish "$pid"
  code=$?
  set -e
  [ $code -eq 0 ] || fail "preview ended with $code"
  expect_in_order "$LOG" "show" "close" "exit 0"
  expect_absent "$LOG" "^key\|^mouse\|^button\|^closequery"
fi

if [ "$target" = x11 ]; then
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
fi

if [ "$target" != x11 ]; then
  # --- Settings (headless with and without a data folder; under Wine from the system folder); the
  # password change (no service here) ends at once.
  if [ "$target" = headless ]; then
    "$demo" >"$LOG"
    expect_exact "$LOG" "settings data=$(cd "$(dirname "$demo")/.." && pwd)/share/corvane_kestor/" "exit 0"
    "$demo" /c:1234 --data-dir "$work/data" >"$LOG"
    expect_exact "$LOG" "settings data=$work/data/" "exit 0"
  else
    "${prog[@]}" /c >"$LOG" 2>"$work/err"
    tr -d '\r' <"$LOG" | grep -qi '^settings data=[a-z]:\\windows\\system32\\$' || fail "settings data folder"
  fi
  "${prog[@]}" /a 1234 >"$LOG" 2>"$work/err"
  expect_exact "$LOG" "exit 0"
fi

if [ "$target" = headless ]; then
  # A preview or a root window needs an X display: the run ends with code 1 and a message.
  set +e
  "$demo" /p 1234 >"$LOG" 2>"$work/err"
  code=$?
  set -e
  [ $code -eq 1 ] || fail "preview without a display ended with $code"
  grep -q "X11 display" "$work/err" || fail "no message for the preview without a display"
  expect_absent "$LOG" "^show"
fi

if [ "$target" != headless ]; then
  # --- A preview window that does not exist: code 1 (on Linux with a message), no crash.
  missing=123456789
  [ "$target" = x11 ] || missing=99999
  set +e
  "${prog[@]}" /p $missing >"$LOG" 2>"$work/err"
  code=$?
  set -e
  [ $code -eq 1 ] || fail "a missing preview window ended with $code"
  [ "$target" = wine ] || grep -q "no X11 window" "$work/err" || fail "no message for the missing preview window"
fi

if [ "$target" != x11 ]; then
  # --- Usage errors: exit code 2, a message naming the option and a usage-error line, nothing started.
  usage=("/s --frames abc" "/s --key 0:b" "/s --capture out" "/p 5 --size 12" "/c --nonsense")
  [ "$target" = headless ] || usage=("/s --frames x")
  for args in "${usage[@]}"; do
    option=$(echo "$args" | grep -o -- '--[a-z-]*' | head -1)
    set +e
    # shellcheck disable=SC2086
    "${prog[@]}" $args >"$LOG" 2>"$work/err"
    code=$?
    set -e
    [ $code -eq 2 ] || fail "'$args' ended with $code, not 2"
    grep -q -- "$option" "$work/err" || fail "'$args': no message naming $option"
    grep -q "usage error" "$work/err" || fail "'$args': no usage-error line"
    expect_absent "$LOG" "create\|settings"
  done
fi
