#!/usr/bin/env bash
# Resets that fail several times in a row (--fail-reset), in display and driving mode: each failure
# is logged, the run goes on, and after the reset that succeeds the pictures are a steady run's. A
# run closed while its resets still fail ends through the normal close and destroy (exit code 0,
# the device component's last log line, the viewpoint written as a steady run writes it).
#   failed_reset.sh headless|wine SAVER DATA_FOLDER
set -euo pipefail
target=$1
saver=$2
data=$(cd "$3" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
[ "$target" != wine ] || xvfb_inner 640x480 "$@"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
LOG=$work/log
saver_setup "$target" "$work"
size=(--size 320x180)
debuglog=$(dirname "$ini")/DGCarad_DebugLog.txt
loss=120 failures=3 frames=160
# Not drawn from the loss on: headless the lost frame, two per failure (the layer loses the device
# again) and the reset; under Wine (a refused reset leaves it waiting) one per failure and the reset.
if [ "$target" = headless ]; then back=$((loss + 2 * failures + 2)); else back=$((loss + failures + 1)); fi
keys=(--key 110:left --key $((loss + 2)):up)  # display mode; one while the device is lost

# reset_run NAME MODE ARGS...: run (lib.sh) from a settings file of MODE, its frames in $work/NAME,
# its log in $work/NAME.log.
reset_run() {
  local name=$1
  printf '[Settings]\r\nmode=%s\r\ntext_out=2\r\n' "$2" >"$ini"
  shift 2
  rm -f "$debuglog"
  run "$name" "$@"
  iconv -f CP932 -t UTF-8 "$debuglog" | tr -d '\r' >"$work/$name.log" || fail "run $name: no debug log"
  [ "$(grep -v '| *$' "$work/$name.log" | tail -1 | sed 's/^#[0-9]* | //')" = "■■■それではごきげんよう■■■" ] ||
    fail "run $name: the device component did not end normally"
  failed=$(grep -c 'リセットに失敗しました(Error Code = ' "$work/$name.log" || true)
  drawn=$(ls "$work/$name")
}
png() { printf 'frame-%05d.png' "$1"; }

viewpoint() { tr -d '\r' <"$ini" | grep -E '^f[xyz]=' || fail "no viewpoint written"; }
for mode in 0 1; do
  k=()
  [ $mode -eq 1 ] || k=("${keys[@]}")  # in driving mode a key ends the run
  at=$(seq -s, $((loss - 1)) $((back + 1))),$frames
  reset_run steady-$mode $mode --frames $frames --capture-at "$at" "${k[@]}"
  [ $mode -eq 1 ] || want=$(viewpoint)
  reset_run failing-$mode $mode --frames $frames --capture-at "$at" "${k[@]}" --fail-reset $loss:$failures
  [ "$failed" -eq $failures ] || fail "mode $mode: $failed failed resets logged, not $failures"
  # Exactly the frames from the loss to the successful reset are missing.
  [ "$drawn" = "$(for f in $((loss - 1)) $back $((back + 1)) $frames; do png $f; echo; done)" ] ||
    fail "mode $mode: drawn frames $(echo $drawn)"
  for f in $((loss - 1)) $back $((back + 1)) $frames; do
    cmp -s "$(frame steady-$mode $f)" "$(frame failing-$mode $f)" || fail "mode $mode: frame $f differs"
  done
  codes=$(grep -o 'Error Code = [A-Z0-9_]*' "$work/failing-$mode.log" | sort -u | sed 's/.*= //')
  echo "ok mode $mode: $failures failed resets ($codes), frames $loss..$((back - 1)) not drawn, then as steady"
done
reset_run lost-close 0 --frames $frames --capture-at 1 "${keys[@]}" --fail-reset $loss:1000
[ "$failed" -ge 1 ] && [ "$(viewpoint)" = "$want" ] || fail "closed while lost: $failed failed, viewpoint $(viewpoint)"
echo "ok closed while lost: $failed failed resets, the viewpoint written: $(echo $want)"
echo "e2e failed resets $target: all passed"
