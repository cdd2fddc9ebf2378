# Helpers for the end-to-end scripts (sourced).

# This folder (tests/e2e), whichever script sources the file.
e2e=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# xvfb_inner WxH ARGS...: runs this script again with ARGS on a private Xvfb of that size, unless
# it runs on one already. A random first display number: parallel tests each start their own server.
# -noreset: otherwise the server resets whenever its last client leaves, and a program that connects
# meanwhile is refused ("cannot open display"); on a busy machine that was one connection in a dozen.
xvfb_inner() {
  local screen=$1
  shift
  [ -z "${KESTOR_E2E_INNER:-}" ] || return 0
  export KESTOR_E2E_INNER=1
  exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 ${screen}x24 +extension GLX -nolisten tcp -noreset" bash "$0" "$@"
}

fail() {
  echo "FAIL: $*" >&2
  if [ -n "${LOG:-}" ] && [ -f "$LOG" ]; then
    echo "--- $LOG:" >&2
    cat "$LOG" >&2
  fi
  exit 1
}

# wait_for FILE PATTERN [SECONDS]: until a line of FILE matches the grep pattern.
wait_for() {
  local file=$1 pattern=$2 seconds=${3:-20}
  for _ in $(seq $((seconds * 10))); do
    grep -q -- "$pattern" "$file" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "no line '$pattern' in $file after ${seconds}s"
}

# expect_exact FILE LINE...: FILE, without its "timer" lines and carriage returns, is exactly these lines.
expect_exact() {
  local file=$1
  shift
  local got want
  got=$(tr -d '\r' <"$file" | grep -v '^timer ')
  want=$(printf '%s\n' "$@")
  if [ "$got" != "$want" ]; then
    echo "--- want:" >&2
    echo "$want" >&2
    fail "unexpected log $file"
  fi
}

# expect_in_order FILE LINE...: these lines appear in FILE in this order (others may come between).
expect_in_order() {
  local file=$1
  shift
  local rest
  rest=$(tr -d '\r' <"$file")
  for line in "$@"; do
    local n
    n=$(printf '%s\n' "$rest" | grep -n -x -F -- "$line" | head -1 | cut -d: -f1 || true)
    [ -n "$n" ] || fail "line '$line' missing (or out of order) in $file"
    rest=$(printf '%s\n' "$rest" | tail -n +$((n + 1)))
  done
}

# expect_absent FILE PATTERN
expect_absent() {
  # Not a pipe into grep -q: its early exit would break the pipe and hide the match (pipefail).
  if grep -q -- "$2" <<<"$(tr -d '\r' <"$1")"; then fail "unexpected '$2' in $1"; fi
}

# winpath PATH: the path as the Windows build sees it, on Wine's Z: drive.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# check WHAT ARGS...: a picture check of pngcheck.py that fails the test.
check() { python3 "$e2e/saver/pngcheck.py" "$@" || fail "check '$*'"; }

# preview_on_screen: waits (up to 30 s) until the screen over the preview hosts' 200 x 150 window at
# (50, 60) shows the saver's picture: none of the host's grey, a car on black. The last
# screenshot stays as $work/preview-screen.png.
preview_on_screen() {
  local shot=$work/preview-screen.png why
  for _ in $(seq 60); do
    import -window root -crop 200x150+50+60 +repage PNG24:"$shot" 2>/dev/null &&
      why=$(python3 "$e2e/saver/pngcheck.py" share "$shot" 128 128 128 4 0 0.02 2>&1 &&
        python3 "$e2e/saver/pngcheck.py" share "$shot" 0 0 0 8 0.05 0.95 2>&1) && return 0
    sleep 0.5
  done
  fail "the preview's picture is not on the screen: $why"
}

# frame NAME N: the capture of frame N in the run NAME (the folder $work/NAME).
frame() { printf '%s/%s/frame-%05d.png' "$work" "$1" "$2"; }

# running WHY: the program started in the background as $pid still runs.
running() { kill -0 "$pid" 2>/dev/null || fail "the saver ended: $*"; }
# ends_within SECONDS [WHY]: the program $pid ends by itself within SECONDS, with code 0 ($pid is
# then cleared).
ends_within() {
  for _ in $(seq $(($1 * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "the saver is still running${2:+: $2}"
  set +e
  wait "$pid"
  local code=$?
  set -e
  pid=
  [ $code -eq 0 ] || fail "the saver ended with $code"
}

# saver_setup headless|x11|wine WORK: where a run of the saver in $saver keeps its settings.
# Headless: the offscreen video driver and a configuration folder in WORK; x11 the same on the
# display. Under Wine: a copy of the saver in WORK/bin, its settings file beside it, and $wine to
# run it with. Sets saver, ini and wine; size (the headless screen, as --size arguments) empty.
saver_setup() {
  local target=$1 work=$2
  size=()
  if [ "$target" != wine ]; then
    if [ "$target" = headless ]; then
      unset DISPLAY WAYLAND_DISPLAY
      export SDL_VIDEODRIVER=offscreen
    else
      unset SDL_VIDEODRIVER
    fi
    export XDG_CONFIG_HOME=$work/config
    ini=$XDG_CONFIG_HOME/corvane_kestor/corvane_kestor.ini
  else
    wine=$e2e/../../tools/wine-run
    mkdir -p "$work/bin"
    cp "$saver" "$work/bin/corvane_kestor.scr"
    saver=$work/bin/corvane_kestor.scr
    ini=$work/bin/corvane_kestor.ini
  fi
  mkdir -p "$(dirname "$ini")"
}

# settings KEY=VALUE...: a fresh settings file $ini with these lines, Windows line ends except
# headless. On Linux the whole configuration folder starts again.
settings() {
  local eol='\r\n'
  if [ "$target" = headless ]; then eol='\n'; fi
  if [ "$target" != wine ]; then
    rm -rf "$XDG_CONFIG_HOME"
    mkdir -p "$(dirname "$ini")"
  fi
  { printf "[Settings]$eol"; for kv in "$@"; do printf "%s$eol" "$kv"; done; } >"$ini"
}
# ini_value KEY: its value in $ini (the key in any case).
ini_value() { tr -d '\r' <"$ini" | sed -n "s/^$1=//Ip"; }

# run NAME ARGS...: one full-screen run of $saver (saver_setup) on the virtual clock, $step ms a
# call (50 unless set), from the data folder $folder (default $data; empty: none given), its
# frames captured in $work/NAME and its output in $LOG; a run that does not end with code 0 fails
# the test. Headless with "${size[@]}" and the environment "${run_env[@]}"; under Wine through
# $wine, the paths on Z:. With $keep set the captures are copied to $keep/NAME as well.
run() {
  local name=$1
  shift
  local dir=${folder-$data}
  mkdir -p "$work/$name"
  if [ "$target" = wine ]; then
    "$wine" "$saver" /s ${dir:+--data-dir "$(winpath "$dir")"} --step-ms "${step:-50}" \
      --capture "$(winpath "$work/$name")" "$@" >"$LOG" 2>&1 || fail "run $name ended with $?"
  else
    local pre=()
    if [ -n "${run_env+set}" ]; then pre=(env "${run_env[@]}"); fi
    "${pre[@]}" "$saver" /s ${dir:+--data-dir "$dir"} --step-ms "${step:-50}" "${size[@]}" \
      --capture "$work/$name" "$@" >"$LOG" 2>&1 || fail "run $name ended with $?"
  fi
  if [ -n "${keep:-}" ]; then mkdir -p "$keep/$name" && cp "$work/$name"/*.png "$keep/$name/" 2>/dev/null || true; fi
}

# partial FILE: $work/partial, the data folder without FILE (links to the files on Linux, copies
# under Wine).
partial() {
  rm -rf "$work/partial"
  mkdir -p "$work/partial"
  if [ "$target" = wine ]; then cp "$data"/* "$work/partial/"; else for f in "$data"/*; do ln -s "$f" "$work/partial/"; done; fi
  rm "$work/partial/$1"
}
