# The saver program's cases of every target (sourced by saver_headless.sh, saver_x11.sh and
# saver_wine.sh). The sourcing script sets: target (headless, x11 or wine), saver, data, host (x11:
# the preview host), work (a scratch folder), LOG, and has called saver_setup.

if [ "$target" != x11 ]; then
  # --- Display mode from the default position. The title shows for 5000 ms (frames 1..100 at 50 ms);
  # then the car turns in front of the camera at the origin, at (0, -0.6, -1.3). Under Wine the
  # bonnet is asked to open after frame 120 as well, and the screen is the private display's.
  W=480
  H=270
  [ "$target" = wine ] || size=(--size ${W}x$H)
  settings mode=0 text_out=2
  if [ "$target" = headless ]; then
    shot=display
    run display --frames 120 --capture-at 1,60,101,120
    check size "$(frame display 1)" $W $H
    check differ "$(frame display 60)" "$(frame display 101)" 0.01  # the title has gone
  else
    shot=cap
    run cap --frames 150 --capture-at 1,120,150 --key 121:b
    check size "$(frame cap 1)" 640 480
  fi
  check pixel "$(frame $shot 1)" 0 0 0 0 0
  check car "$(frame $shot 120)" 0 0 0 0.05 0.6
  check differ "$(frame $shot 1)" "$(frame $shot 120)" 0.01
  [ "$(ini_value fx)" = 0 ] && [ "$(ini_value fy)" = -6000 ] && [ "$(ini_value fz)" = -13000 ] ||
    fail "the default viewpoint was not written back: $(cat "$ini")"
fi

if [ "$target" = headless ]; then
  # --- B, T, L, R: the part opens over 50 frames from the key before frame 121, stays open, closes
  # from the key before frame 201, and 410 frames after frame 120 (one turn of the turntable) the
  # picture is exactly that of frame 120 again.
  for key in b t l r; do
    settings mode=0 text_out=2
    run "hinge-$key" --frames 530 --capture-at 120,145,175,225,530 --key 121:$key --key 150:$key --key 201:$key
    check differ "$(frame hinge-$key 120)" "$(frame hinge-$key 145)" 0.001
    check differ "$(frame hinge-$key 145)" "$(frame hinge-$key 175)" 0.001
    check same "$(frame hinge-$key 120)" "$(frame hinge-$key 530)"
  done

  # --- S: the skeleton view on a white background, off again after 30 s (600 frames).
  settings mode=0 text_out=2
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
  settings mode=0 text_out=2
  run moved --frames 120 --capture-at 120 --key 2:left --key 2:left --key 2:left --key 2:left --key 2:left \
    --key 3:up --key 3:up --key 3:up --key 4:num8 --key 4:num8 --key 4:num8 --key 4:num8
  [ "$(ini_value fx)" = 1000 ] && [ "$(ini_value fy)" = -6600 ] && [ "$(ini_value fz)" = -13800 ] ||
    fail "the moved viewpoint was not stored: $(cat "$ini")"
  run again --frames 120 --capture-at 120
  check close "$(frame moved 120)" "$(frame again 120)" 0.002  # the stored keys round the floats
  check differ "$(frame display 120)" "$(frame again 120)" 0.01
  [ "$(ini_value fx)" = 1000 ] || fail "the second run changed the viewpoint"
fi

if [ "$target" != x11 ]; then
  # --- A data file missing (headless a mesh, under Wine the text): a black screen (the notice is
  # the overlay's), nothing moves, nothing saved.
  if [ "$target" = headless ]; then
    partial crmd_44
    args=(--frames 3 --key 2:left)
  else
    partial kestor.txt
    args=(--frames 2)
  fi
  settings mode=0 text_out=2
  cp "$ini" "$work/ini-before"
  folder=$work/partial run missing --capture-at 1,2 "${args[@]}"
  check uniform "$(frame missing 1)" 0 0 0
  check uniform "$(frame missing 2)" 0 0 0
  cmp -s "$ini" "$work/ini-before" || fail "the run with a missing file changed the settings"
fi

if [ "$target" = headless ]; then
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
fi

if [ "$target" = x11 ]; then
  # --- Full screen with real input. On the virtual clock, 20 ms an idle call (a frame each at
  # speed 20): the credit window's ten seconds are 500 frames, which a busy machine slows down
  # together with its input.
  settings mode=0 speed=20 text_out=2
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
  grep -q '^fx=200' "$ini" || fail "the viewpoint moved by Left was not stored: $(cat "$ini")"

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
  check size "$(frame preview 1)" 200 150
  check car "$(frame preview 120)" 0 0 0 0.05 0.9
  # Without automation: the picture is on the screen, input over the preview does nothing, and
  # the run ends with the host's window.
  "$saver" /p "$((win))" --data-dir "$data" >"$LOG" 2>&1 &
  pid=$!
  preview_on_screen
  xdotool mousemove 100 100 key q
  sleep 0.5
  running "input reached the preview"
  kill "$hostpid"
  hostpid=
  ends_within 20
fi
