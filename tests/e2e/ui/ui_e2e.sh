#!/usr/bin/env bash
# The configuration windows on a private Xvfb, driven by xdotool as a user would: the settings
# dialog (slider, mode, OK -> the settings file; the hidden shadow box, the line count, the font
# chooser and on Linux its style and colour lists; Cancel writes nothing; OK on a file that takes
# no writes), the description window, the uninstall with its two message boxes, and the credit
# window of a run (Alt, ten seconds, Alt again, on Linux its hints and close box).
# Arguments: linux or wine, the host program, the folder for the screenshots, on Linux the
# program that clicks a window's close box as a window manager does. Under Wine the host
# runs as corvane_kestor.exe from a fresh folder, which then holds its settings file and log.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib.sh"
xvfb_inner 1280x1024 "$@"
target=$1
host=$2
shots=$3/$target
wm_close=${4:-}
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  command -v chattr >/dev/null && chattr -R -i "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$shots" "$work/data"
unset SDL_VIDEODRIVER
if [ "$target" = wine ]; then
  mkdir -p "$work/prog"
  cp "$host" "$work/prog/corvane_kestor.exe"
  run=("$here/../../../tools/wine-run" "$work/prog/corvane_kestor.exe")
  data_arg=$(WINEPREFIX=${KESTOR_WINEPREFIX:-$here/../../../build/wineprefix} winepath -w "$work/data" 2>/dev/null)
  config=$work/prog
  ini=$config/corvane_kestor.ini
  title=corvane_kestor
  font_title="フォントの指定"  # Wine's Japanese caption of the font dialog
  patience=60
else
  run=("$host")
  data_arg=$work/data
  export XDG_CONFIG_HOME=$work/config
  # GTK's accessibility bridge keeps two strings it never frees; the sanitizer build would count them.
  export NO_AT_BRIDGE=1
  config=$XDG_CONFIG_HOME/corvane_kestor
  ini=$config/corvane_kestor.ini
  title=$(basename "$host")
  font_title="フォント"
  patience=20
fi
LOG=$work/log

# window NAME: the id of the mapped window with this exact name (waits up to $patience s).
window() {
  local id
  for _ in $(seq $((patience * 10))); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  local shown=
  for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do shown="$shown '$(xdotool getwindowname "$w")'"; done
  [ -s "$work/err" ] && { echo "--- stderr of the program:" >&2; cat "$work/err" >&2; }
  fail "no window '$1' (shown:$shown)"
}
# gone NAME: waits until no mapped window has this name.
gone() {
  for _ in $(seq 100); do
    [ -z "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true)" ] && return 0
    sleep 0.1
  done
  fail "window '$1' still shown"
}
# at ID X Y [click args]: a click at client pixel X,Y of window ID.
at() {
  local id=$1 x=$2 y=$3
  shift 3
  eval "$(xdotool getwindowgeometry --shell "$id")"
  xdotool mousemove $((X + x)) $((Y + y))
  sleep 0.1
  xdotool click "$@" 1
  sleep 0.2
}
size_of() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "${WIDTH}x${HEIGHT}"
}
shot() {
  sleep 0.5
  import -window root "$shots/$1.png"
}
open_dialog() {
  "${run[@]}" /c --data-dir "$data_arg" >"$LOG" 2>"$work/err" &
  pid=$!
  pids+=("$pid")
  dlg=$(window "設定")
  sleep 0.5
}
ended() {
  for _ in $(seq $((patience * 10))); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "the dialog did not close"
  wait "$pid" || { cat "$work/err" >&2; fail "exit code $?"; }
  wait_for "$LOG" "^dialog closed" 1
}
key_is() {
  local got
  got=$(tr -d '\r' <"$ini" | grep -i "^$1=" | cut -d= -f2- || true)
  [ "$got" = "$2" ] || fail "$1 is '$got', not '$2' in $ini: $(cat "$ini")"
}

# --- The dialog at its size; the speed fully right, driving mode, OK.
open_dialog
[ "$(size_of "$dlg")" = "325x181" ] || fail "dialog size $(size_of "$dlg")"
shot dialog
at "$dlg" 180 54          # on the slider's trough
xdotool key End           # the slider fully right: 500
at "$dlg" 245 54          # "走行モード"
shot dialog-changed
at "$dlg" 280 132         # OK
ended
key_is Mode 1
key_is speed 500
key_is text_out 1
key_is shadow 0
key_is column 1
key_is fx 0
[ "$(head -1 "$ini")" = $'[Settings]\r' ] || fail "section line: $(head -1 "$ini" | od -c | head -2)"

# --- The hidden shadow box, the line count, the initial position, the font chooser, OK.
open_dialog
at "$dlg" 300 92 --repeat 2 --delay 80  # double-click on the empty area
shot dialog-shadow
at "$dlg" 240 104         # "影（ブレンド）"
at "$dlg" 24 104          # "文字出力する": off
at "$dlg" 150 130 --repeat 3 --delay 60  # select the line count
xdotool type 4
at "$dlg" 198 124         # the upper spin button: 5
at "$dlg" 48 164          # "初期位置"
at "$dlg" 164 104         # "フォント"
font=$(window "$font_title")
shot font-chooser
xdotool key Escape        # cancelled: the font stays
gone "$font_title"
at "$dlg" 280 132
ended
key_is shadow 1
key_is text_out 2
key_is column 5
key_is fx -10000
key_is fy -7000
key_is fz -13000
key_is font_size 12

# --- Linux's font chooser: style and colour are lists of what the settings file holds, one style
# at a time, used by keyboard and by mouse; Escape closes only the window it is pressed in.
if [ "$target" = linux ]; then
  # colour_list: the open colour list, the pop-up of the program taller than a line.
  colour_list() {
    for _ in $(seq $((patience * 10))); do
      for w in $(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$HEIGHT" -gt 100 ] && { echo "$w"; return 0; }
      done
      sleep 0.1
    done
    fail "the colour list did not open"
  }
  open_dialog
  at "$dlg" 164 104
  font=$(window "$font_title")
  eval "$(xdotool getwindowgeometry --shell "$font")"
  fw=$WIDTH fh=$HEIGHT
  xdotool key alt+y Down               # スタイル: 太字
  xdotool key alt+y Down Down Down     # 下線, in place of 太字
  at "$font" $((fw - 72)) $((fh - 67))  # the colour list
  list=$(colour_list)
  shot font-colours
  eval "$(xdotool getwindowgeometry --shell "$list")"
  at "$list" $((WIDTH / 2)) $((HEIGHT * 19 / 32))  # the tenth of sixteen rows: 赤
  gone "$title"
  xdotool key alt+i Down               # 色: the next one, 黄緑
  at "$font" $((fw - 72)) $((fh - 67))
  colour_list >/dev/null
  xdotool key Escape                   # closes the list only: Select below still stores the choice
  gone "$title"
  shot font-chooser-set
  at "$font" $((fw - 45)) $((fh - 23))  # Select
  gone "$font_title"
  at "$dlg" 280 132
  ended
  key_is font_style 4
  key_is font_color 65280
fi

# --- Cancel writes nothing.
cp "$ini" "$work/before"
open_dialog
at "$dlg" 20 54
xdotool key Home
at "$dlg" 245 74
at "$dlg" 280 164         # Cancel
ended
cmp -s "$ini" "$work/before" || fail "Cancel changed the settings file"

# --- OK on a settings file that takes no writes: a message, nothing written, the dialog stays
# with what was entered, and OK works once the file takes writes again.
if command -v chattr >/dev/null && chattr +i "$ini" 2>/dev/null; then
  cp "$ini" "$work/before"
  open_dialog
  at "$dlg" 20 54
  xdotool key Home          # speed 0
  at "$dlg" 280 132         # OK
  window "$title" >/dev/null
  shot settings-not-saved
  xdotool key Return
  gone "$title"
  cmp -s "$ini" "$work/before" || fail "the failed OK changed the settings file"
  chattr -i "$ini"
  at "$dlg" 280 132         # OK again: the same dialog, with the speed entered before
  ended
  key_is speed 0
fi

# --- The description window: two of them, closing hides.
open_dialog
at "$dlg" 132 164         # "解説"
desc=$(window "解説")
[ "$(size_of "$desc")" = "438x404" ] || fail "description size $(size_of "$desc")"
shot description
at "$desc" 397 388        # "閉じる"
gone "解説"
# Each opens centred over the dialog: move it aside before the next click.
at "$dlg" 132 164
xdotool windowmove "$(window "解説")" 0 0
at "$dlg" 132 164
for _ in $(seq $((patience * 10))); do [ "$(xdotool search --onlyvisible --name '^解説$' | wc -l)" -ge 2 ] && break; sleep 0.1; done
[ "$(xdotool search --onlyvisible --name '^解説$' | wc -l)" -eq 2 ] || fail "two description windows expected"
for w in $(xdotool search --onlyvisible --name '^解説$'); do xdotool windowmove "$w" 560 0; done
xdotool key Escape        # hides the description window that has the focus, and nothing else
for _ in $(seq 100); do [ "$(xdotool search --onlyvisible --name '^解説$' | wc -l)" -eq 1 ] && break; sleep 0.1; done
[ "$(xdotool search --onlyvisible --name '^解説$' | wc -l)" -eq 1 ] || fail "Escape did not hide one description window"
kill -0 "$pid" || fail "Escape in the description window closed the dialog"
at "$dlg" 280 164
ended

# --- The uninstall: the confirmation cancelled, then confirmed; one file cannot go.
for i in $(seq 0 50); do echo data >"$work/data/crmd_$i"; done
echo text >"$work/data/kestor.txt"
echo program >"$work/data/corvane_kestor.scr"
echo log >"$config/DGCarad_DebugLog.txt"
open_dialog
at "$dlg" 204 164         # "削除"
confirm=$(window "確認")
shot uninstall-confirm
xdotool key Escape
gone "確認"
[ -f "$work/data/crmd_0" ] || fail "the cancelled uninstall deleted files"
kept=
if command -v chattr >/dev/null && chattr +i "$work/data/crmd_9" 2>/dev/null; then kept=1; fi
at "$dlg" 204 164
confirm=$(window "確認")
xdotool key Return        # OK
done_box=$(window "$title")
shot uninstall-done
xdotool key Return
gone "$title"
shot dialog-after-uninstall
at "$dlg" 280 132         # OK is disabled: nothing
sleep 0.3
kill -0 "$pid" || fail "OK worked after the uninstall"
at "$dlg" 280 164         # Cancel
ended
[ ! -e "$ini" ] || fail "the settings file is still there"
[ ! -e "$config/DGCarad_DebugLog.txt" ] || fail "the log is still there"
left=$(ls "$work/data" | sort | tr '\n' ' ')
if [ -n "$kept" ]; then
  [ "$left" = "corvane_kestor.scr crmd_9 " ] || fail "left in the data folder: $left"
  chattr -i "$work/data/crmd_9"
else
  [ "$left" = "corvane_kestor.scr " ] || fail "left in the data folder: $left"
fi

# --- The credit window of a run: Alt shows it for ten seconds, a second Alt does nothing.
"${run[@]}" /s >"$LOG" 2>"$work/err" &
pid=$!
pids+=("$pid")
wait_for "$LOG" "^show" "$patience"
sleep 0.5
xdotool key Alt_L
wait_for "$LOG" "^credit shown windows=1"
start=$(date +%s)
credit=$(window copyright)
[ "$(size_of "$credit")" = "287x71" ] || fail "credit size $(size_of "$credit")"
shot credit
sleep 2
xdotool key Alt_L
sleep 0.5
expect_absent "$LOG" "windows=2"
# Its ten one-second ticks on the wall clock: not at once, and not never (a busy machine delays
# the ticks, so the upper bound is generous).
wait_for "$LOG" "^credit hidden windows=1" 30
elapsed=$(( $(date +%s) - start ))
[ "$elapsed" -ge 7 ] || fail "the credit hid after ${elapsed}s"
gone copyright
xdotool key Alt_L
wait_for "$LOG" "^credit shown windows=2"
credit=$(window copyright)
if [ "$target" = linux ]; then
  # It takes no keyboard, and its close box hides it without ending the run.
  grep -q "accepts input or input focus: False" <<<"$(xprop -id "$credit" WM_HINTS)" || fail "the credit window takes input"
  [ "$(xprop -id "$credit" _NET_WM_USER_TIME)" = "_NET_WM_USER_TIME(CARDINAL) = 0" ] || fail "the credit window asks for focus"
  [ "$("$wm_close" "$credit")" = asked ] || fail "the credit window's close box would kill the program"
  gone copyright
fi
xdotool key Escape
wait_for "$LOG" "^destroy"
wait "$pid" || { cat "$work/err" >&2; fail "exit code $?"; }
echo "ok: screenshots in $shots"
