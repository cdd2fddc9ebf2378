# Helpers for the end-to-end scripts (sourced).

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

# saver_setup headless|wine WORK: where a run of the saver in $saver keeps its settings. Headless:
# the offscreen video driver and a configuration folder in WORK. Under Wine: a copy of the saver
# in WORK/bin, its settings file beside it, and $wine to run it with. Sets saver, ini and wine.
saver_setup() {
  local target=$1 work=$2
  if [ "$target" = headless ]; then
    unset DISPLAY WAYLAND_DISPLAY
    export SDL_VIDEODRIVER=offscreen
    export XDG_CONFIG_HOME=$work/config
    ini=$XDG_CONFIG_HOME/corvane_kestor/corvane_kestor.ini
  else
    wine=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/tools/wine-run
    mkdir -p "$work/bin"
    cp "$saver" "$work/bin/corvane_kestor.scr"
    saver=$work/bin/corvane_kestor.scr
    ini=$work/bin/corvane_kestor.ini
  fi
  mkdir -p "$(dirname "$ini")"
}
