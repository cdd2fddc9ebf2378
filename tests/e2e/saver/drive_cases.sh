# Driving mode, the text overlay and the missing-data notice, the cases of every target (sourced
# by drive_headless.sh, drive_x11.sh and drive_wine.sh). The sourcing script sets: target
# (headless, x11 or wine), saver, data, host (x11: the preview host), work (a scratch folder), LOG,
# and has called saver_setup. Under Wine the screen is the private display's, 640x480.
SKY="187 187 255 0"       # the clear colour, where nothing covers it
BOARD="217 31 20 12"      # the red of the oil company's boards
MAGENTA="255 0 255 40"    # font_color 0x800080 through the colour table
YELLOW="255 255 0 40"     # the notice
box() { python3 "$e2e/saver/pngcheck.py" info "$1" ${2:-$MAGENTA} | sed -n 's/.*box \([-0-9,]*\) share.*/\1/p' | tail -1; }
# height BOX: the rows of a box "x0,y0-x1,y1".
height() { local x0 y0 x1 y1; IFS=, read -r x0 y0 x1 y1 <<<"${1/-/,}"; echo $((y1 - y0)); }

if [ "$target" != x11 ]; then
  # --- Three passes by day (frames 1..401 roadside, 402..868 ahead of the car, 869..1335 behind it),
  # then night. Frames 101.. come after the title.
  settings mode=1 text_out=2
  ini_before=$(cat "$ini")
  size=(--size 480x270)
  if [ "$target" = headless ]; then
    run day --frames 1500 --capture-at 120,300,500,800,1000,1300,1340,1500
    days=(120 300 500 1000) nights=(1340 1500)
  else
    run day --frames 1340 --capture-at 120,200,201,500,1000,1340
    days=(120 500 1000) nights=(1340)
    check size "$(frame day 120)" 640 480
  fi
  for f in "${days[@]}"; do
    check share "$(frame day $f)" $SKY 0.05 1
    check share "$(frame day $f)" $BOARD 0.005 1
  done
  # Ahead of and behind the car it fills much of the picture.
  check share "$(frame day 500)" 200 20 20 80 0.03 1
  check share "$(frame day 1000)" 200 20 20 80 0.03 1
  check differ "$(frame day 120)" "$(frame day 500)" 0.3
  check differ "$(frame day 500)" "$(frame day 1000)" 0.3
  # Night: no boards, the night scenery's dark sky over everything, a darker picture.
  for f in "${nights[@]}"; do
    check share "$(frame day $f)" $BOARD 0 0.001
    check share "$(frame day $f)" $SKY 0 0.005
    check mean "$(frame day $f)" 0 60
  done
  [ "$target" = wine ] || check mean "$(frame day 300)" 80 255
  [ "$(cat "$ini")" = "$ini_before" ] || fail "a driving-mode run changed the settings: $(cat "$ini")"

  # --- The device lost mid-run: the frames from the loss to the reset are not drawn, the animation
  # goes on, and from the next frame the picture is that of a run without the loss. Headless the
  # lost frame 150 and the reset one; on the system's d3d9.dll (the device waits for its reset) the
  # lost frame 200 alone, compared with the day run.
  if [ "$target" = headless ]; then
    loss=150 back=152 steady=steady same=(149 152 200)
    settings mode=1 text_out=2
    run steady --frames 200 --capture-at 149,152,200
    run lost --frames 200 --capture-at 149,150,151,152,200 --lose-device 150
  else
    loss=200 back=201 steady=day same=(201)
    run lost --frames 201 --capture-at 200,201 --lose-device 200
  fi
  for ((f = loss; f < back; f++)); do
    grep -q "frame $f was not drawn" "$LOG" || fail "the lost frame $f was drawn"
    [ ! -e "$(frame lost $f)" ] || fail "the lost frame $f was captured"
  done
  for f in "${same[@]}"; do
    check same "$(frame $steady $f)" "$(frame lost $f)"
  done
  [ "$target" = wine ] || check differ "$(frame lost 149)" "$(frame lost 152)" 0.01

  # --- The overlay: three lines a block in magenta. The title lasts to frame 100; the first block
  # (24, 28 and 44 bytes: 99 steps) is typed from frame 101 to 199 and held for 10 s; the next
  # block starts at frame 399 elsewhere.
  settings mode=1 text_out=1 column=3 font_color=8388736 font_size=12
  size=(--size 640x360)
  if [ "$target" = headless ]; then
    run overlay --frames 420 --capture-at 100,101,130,170,199,250,398,399,420
    held=(250 398)
  else
    run overlay --frames 260 --capture-at 100,101,150,199,260
    held=(260)
  fi
  check share "$(frame overlay 100)" $MAGENTA 0 0
  check share "$(frame overlay 101)" $MAGENTA 0.000001 0.002
  if [ "$target" = headless ]; then
    for pair in "101 130" "130 170" "170 199"; do
      set -- $pair
      a=$(python3 "$e2e/saver/pngcheck.py" info "$(frame overlay $1)" $MAGENTA | sed -n 's/.*share //p' | tail -1)
      b=$(python3 "$e2e/saver/pngcheck.py" info "$(frame overlay $2)" $MAGENTA | sed -n 's/.*share //p' | tail -1)
      python3 -c "import sys; sys.exit(0 if $b > $a else 1)" || fail "the text did not grow from frame $1 ($a) to $2 ($b)"
    done
  fi
  # Three lines of 12-point type (16 pixels a line), the same box while the block is held.
  b199=$(box "$(frame overlay 199)")
  for f in "${held[@]}"; do
    [ "$b199" = "$(box "$(frame overlay $f)")" ] || fail "the held block moved: $b199, frame $f $(box "$(frame overlay $f)")"
  done
  [ "$(height "$b199")" -ge 30 ] && [ "$(height "$b199")" -le 48 ] || fail "the block is $(height "$b199") rows high: $b199"
  if [ "$target" = headless ]; then
    [ "$(box "$(frame overlay 420)")" != "$b199" ] || fail "the next block did not move"
    check share "$(frame overlay 399)" $MAGENTA 0.000001 0.002  # one character of the next block
    # The settings' size: 24-point type makes the held block twice as tall.
    settings mode=1 text_out=1 column=3 font_color=8388736 font_size=24
    run overlay24 --frames 250 --capture-at 250
    b24=$(box "$(frame overlay24 250)")
    [ "$(height "$b24")" -ge 66 ] && [ "$(height "$b24")" -le 96 ] || fail "24-point lines are $(height "$b24") rows high: $b24"
  fi

  # --- A data file missing: black, the notice typed in yellow from the third frame (100 ms), five
  # lines, held and typed again elsewhere; the overlay setting does not matter.
  partial crmd_44
  if [ "$target" = headless ]; then
    settings mode=1 text_out=2 font_color=8388736
    at=2,3,100,260,446,447,460
  else
    settings mode=1 text_out=2
    at=2,3,260
  fi
  cp "$ini" "$work/ini-before"
  folder=$work/partial run notice --frames ${at##*,} --capture-at $at
  check uniform "$(frame notice 2)" 0 0 0
  check share "$(frame notice 3)" $YELLOW 0.000001 0.002
  b260=$(box "$(frame notice 260)" "$YELLOW")
  [ "$(height "$b260")" -ge 60 ] && [ "$(height "$b260")" -le 80 ] || fail "the notice is $(height "$b260") rows high: $b260"
  if [ "$target" = headless ]; then
    check share "$(frame notice 100)" $MAGENTA 0 0
    check share "$(frame notice 446)" $YELLOW 0.01 1          # still held
    check share "$(frame notice 447)" $YELLOW 0.000001 0.002  # typed again
  fi
  cmp -s "$ini" "$work/ini-before" || fail "the run with a missing file changed the settings"
fi

if [ "$target" = x11 ]; then
  # --- The notice in a preview: inside another program's 200 x 150 window the short notice is
  # typed in yellow 10-point type from the top-left corner, and it stays there when the block
  # comes round again.
  settings mode=1 text_out=2
  partial crmd_7
  "$host" >"$work/host" &
  hostpid=$!
  wait_for "$work/host" "^0x"
  win=$(head -1 "$work/host")
  # The notice's five short lines take 23 + 17 + 23 + 19 + 9 steps from frame 3 (100 ms): complete
  # at frame 93, typed again from frame 293.
  "$saver" /p "$((win))" --data-dir "$work/partial" --step-ms 50 --frames 300 --capture "$work/preview" \
    --capture-at 2,3,120,292,294 >"$LOG" 2>&1 || fail "the preview ended with $?"
  [ -z "${keep:-}" ] || { mkdir -p "$keep/preview" && cp "$work/preview"/*.png "$keep/preview/"; }
  check size "$(frame preview 2)" 200 150
  check uniform "$(frame preview 2)" 0 0 0
  check share "$(frame preview 3)" 255 255 0 40 0.00001 0.01
  # Five lines of 10-point type (13 pixels a line) from the corner.
  check region "$(frame preview 120)" 255 255 0 40 0 0 199 75 50 68
  check region "$(frame preview 292)" 255 255 0 40 0 0 199 75 50 68
  check region "$(frame preview 294)" 255 255 0 40 0 0 30 16
  kill "$hostpid"
  hostpid=
fi
