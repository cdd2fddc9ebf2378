#!/usr/bin/env bash
# Soak runs of the real saver on the virtual clock in display mode and in driving mode: a steady
# run and one with the device lost every EVERY frames, and one with the losses and the overlay on.
# After each loss the picture is that of the steady run (the picture froze, the animation did
# not), every run ends normally, and the heap, sampled at the same point of a frame every SAMPLE
# frames, stays flat after the warm-up.
#   soak.sh headless SAVER DATA_FOLDER [HEAP_PROBE.so]
#   soak.sh wine SAVER.scr DATA_FOLDER
# Environment: SOAK_FRAMES (default 1500), SOAK_EVERY (250), SOAK_STEP_MS (180: 20 000 frames are
# one hour), SOAK_SAMPLE (250), SOAK_REPORT (a file the figures are appended to), SOAK_MODES ("0 1").
# Headless the heap is glibc's bytes in use (the probe, a preload library); under Wine the wine
# process's resident size.
set -euo pipefail
target=$1
saver=$2
data=$(cd "$3" && pwd)
probe=${4:-}
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
[ "$target" != wine ] || xvfb_inner 640x480 "$@"
frames=${SOAK_FRAMES:-1500}
every=${SOAK_EVERY:-250}
step=${SOAK_STEP_MS:-180}
sample=${SOAK_SAMPLE:-250}
modes=${SOAK_MODES:-0 1}
report=${SOAK_REPORT:-/dev/null}
work=${SOAK_KEEP:-$(mktemp -d)}; mkdir -p "$work"
trap '[ -n "${SOAK_KEEP:-}" ] || rm -rf "$work"' EXIT
LOG=$work/log

# The frames the device is lost before, and those compared after each loss (Linux does not draw
# the lost frame and the reset one, Wine's d3d9.dll the lost one), with the last frame.
losses=() compared=()
for ((f = every; f < frames - 5; f += every)); do losses+=("$f"); compared+=($((f + 5))); done
compared+=("$frames")
[ ${#losses[@]} -gt 0 ] || fail "SOAK_FRAMES $frames leaves no room for a loss every $every frames"
capture_at=$(IFS=,; echo "${losses[*]},${compared[*]}")
lose_args=()
for f in "${losses[@]}"; do lose_args+=(--lose-device "$f"); done

saver_setup "$target" "$work"
size=(--size 320x180)

# Samples the resident size of the Wine process running the saver until it ends.
sample_rss() {
  local out=$1 pid=""
  for _ in $(seq 200); do
    pid=$(pgrep -n -f '^[^ ]*corvane_kestor\.scr /s' || true)
    [ -n "$pid" ] && break
    sleep 0.1
  done
  [ -n "$pid" ] || return 0
  local t=0
  while [ -r "/proc/$pid/status" ]; do
    awk -v t="$t" '/^VmRSS:/ { print t, $2 * 1024, 0 }' "/proc/$pid/status" >>"$out" 2>/dev/null || true
    sleep 1
    t=$((t + 1))
  done
}

# soak_run NAME ARGS...: one full-screen run (run, lib.sh) of $frames frames at $step ms a call;
# its frames go to $work/NAME, its heap figures to $work/NAME.heap (headless from the probe, under
# Wine from a sampler beside the run).
soak_run() {
  local name=$1
  shift
  mkdir -p "$work/$name"
  : >"$work/$name.heap"
  local start=$SECONDS sampler=
  run_env=(KESTOR_HEAP_LOG="$work/$name.heap" KESTOR_HEAP_EVERY="$sample" LD_PRELOAD="$probe")
  if [ "$target" = wine ]; then
    sample_rss "$work/$name.heap" &
    sampler=$!
  fi
  run "$name" --frames "$frames" --capture-at "$capture_at" "$@"
  if [ -n "$sampler" ]; then wait "$sampler" || true; fi
  echo "$name: $frames frames, $((frames * step / 1000)) s of virtual time in $((SECONDS - start)) s" | tee -a "$report"
}

# heap NAME: after the warm-up (the first third of the samples), the highest figure of the last
# third is not above that of the middle third by more than ROOM (a reset may free memory, so
# only growth counts): 10% of their mean or
# SOAK_HEAP_ROOM_MIB (default 8; Mesa's software renderer alone moves the figures by some MiB
# between the day and the night scenery).
heap() {
  local name=$1
  python3 - "$work/$name.heap" "$name" "$report" "${SOAK_HEAP_ROOM_MIB:-8}" "$target" <<'EOF' || fail "the heap of run $name grew"
import sys
path, name, report, room_mib, target = sys.argv[1:6]
rows = [tuple(int(v) for v in line.split()) for line in open(path) if line.strip()]
if target == "wine":
    rows = rows[:-3]  # the resident size while the saver shuts down
if len(rows) < 3:
    print(f"{name}: {len(rows)} heap samples, too few to judge")
    sys.exit(0)
total = [r[1] + r[2] for r in rows]
warm = total[len(total) // 3:]
mid, last = warm[:len(warm) // 2] or warm, warm[len(warm) // 2:]
mean = sum(warm) / len(warm)
room = max(0.10 * mean, float(room_mib) * 2**20)
line = (f"{name}: heap after warm-up {min(warm) / 2**20:.2f}..{max(warm) / 2**20:.2f} MiB over "
        f"{len(warm)} samples (first sample {total[0] / 2**20:.2f} MiB); middle third max "
        f"{max(mid) / 2**20:.2f}, last third max {max(last) / 2**20:.2f} MiB")
print(line)
with open(report, "a") as f:
    f.write(line + "\n")
if max(last) - max(mid) > room:
    sys.exit(1)
EOF
}

for mode in $modes; do
  # The overlay is typed as a part of drawing (a frame not drawn types nothing), so the pictures
  # are compared without it; a third run has it on, with the losses.
  printf '[Settings]\r\nmode=%s\r\ntext_out=2\r\nspeed=0\r\n' "$mode" >"$ini"
  soak_run "steady-$mode"
  heap "steady-$mode"
  soak_run "lost-$mode" "${lose_args[@]}"
  heap "lost-$mode"
  # The lost frames are asked for and not captured.
  missed=$(grep -c "was not drawn (device lost)" "$LOG" || true)
  [ "$missed" -eq ${#losses[@]} ] || fail "mode $mode: $missed lost frames reported for ${#losses[@]} losses"
  for f in "${losses[@]}"; do
    [ ! -e "$(frame lost-$mode $f)" ] || fail "mode $mode: lost frame $f was captured"
  done
  # After every loss (under Wine too: the lights are switched off before each Reset, which
  # Wine's d3d9.dll would otherwise leave holding their light slots).
  cmp_frames=("${compared[@]}")
  for f in "${cmp_frames[@]}"; do
    check same "$(frame steady-$mode $f)" "$(frame lost-$mode $f)"
  done
  printf '[Settings]\r\nmode=%s\r\ntext_out=1\r\nspeed=0\r\n' "$mode" >"$ini"
  soak_run "overlay-$mode" "${lose_args[@]}"
  heap "overlay-$mode"
  check differ "$(frame lost-$mode $frames)" "$(frame overlay-$mode $frames)" 0.0005
  tr -d '\r' <"$ini" | grep -q "^mode=$mode$" || fail "mode $mode: the settings lost their mode"
  echo "mode $mode: ${#losses[@]} device losses, ${#cmp_frames[@]} pictures after them as in the steady run" |
    tee -a "$report"
  [ -n "${SOAK_KEEP:-}" ] || rm -rf "$work/steady-$mode" "$work/lost-$mode" "$work/overlay-$mode"
done
echo "soak $target: all passed"
