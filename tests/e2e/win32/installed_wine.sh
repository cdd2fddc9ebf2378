#!/usr/bin/env bash
# The Windows build installed as a user installs it, under Wine on a private Xvfb: tools/install-wine
# puts corvane_kestor.scr and the 52 data files, and nothing else, into the prefix's system folder;
# the saver then runs from there with no --data-dir, its settings file and debug log beside it.
# Scenarios: display mode with keys (automation, then real keys and the pointer from xdotool),
# driving mode and the text overlay, a data file missing, /c with xdotool pressing OK (the settings
# file checked line by line), the preview inside another program's window, /a on an NT-family
# system, and the uninstall from the settings dialog.
# Everything the test put into the system folder goes again at the end, and files that were there
# before (a developer's own installation) are put back.
#   installed_wine.sh SAVER.scr DATA_FOLDER PREVIEW_HOST.exe
set -euo pipefail
saver=$1
data=$(cd "$2" && pwd)
host=$3
here=$(cd "$(dirname "$0")/.." && pwd)
repo=$(cd "$here/../.." && pwd)
source "$here/lib.sh"
xvfb_inner 800x600 "$@"
share() { python3 "$here/win32/pictures.py" share "$@" || fail "share '$*'"; }
share_of() { python3 "$here/win32/pictures.py" share-of "$@"; }
wine=$repo/tools/wine-run
export KESTOR_WINEPREFIX=${KESTOR_WINEPREFIX:-$repo/build/wineprefix}
work=$(mktemp -d)
LOG=$work/log
sys=$("$repo/tools/install-wine" --folder)
winsys='C:\windows\system32'
scr="$winsys\\corvane_kestor.scr"
ini=$sys/corvane_kestor.ini

names=(corvane_kestor.scr corvane_kestor.ini DGCarad_DebugLog.txt kestor.txt)
for i in $(seq 0 50); do names+=("crmd_$i"); done
mkdir -p "$work/backup"
for f in "${names[@]}"; do [ -e "$sys/$f" ] && cp -p "$sys/$f" "$work/backup/"; done
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  "$repo/tools/install-wine" --uninstall >/dev/null 2>&1 || true
  cp -p "$work/backup/"* "$sys/" 2>/dev/null || true
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT

# settings, ini_value and run (lib.sh) of the installed saver: its settings file beside it, no
# --data-dir (it finds the data in the system folder).
target=wine
folder=
# start ARGS...: the installed saver in the background; waits for its window.
start() {
  "$wine" "$scr" "$@" >"$LOG" 2>&1 &
  pid=$!
  pids+=("$pid")
  for _ in $(seq 600); do
    xdotool search --onlyvisible --name "^corvane KESTOR\$" >/dev/null 2>&1 && break
    kill -0 "$pid" 2>/dev/null || fail "the saver ended before its window showed"
    sleep 0.1
  done
  sleep 1.5
  kill -0 "$pid" 2>/dev/null || fail "the saver ended by itself"
}
# window NAME: the id of the mapped window with this exact name (waits up to 60 s).
window() {
  local id
  for _ in $(seq 600); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  fail "no window '$1'"
}
gone() {
  for _ in $(seq 200); do
    [ -z "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true)" ] && return 0
    sleep 0.1
  done
  fail "window '$1' still shown"
}
at() {
  local id=$1 x=$2 y=$3
  eval "$(xdotool getwindowgeometry --shell "$id")"
  xdotool mousemove $((X + x)) $((Y + y))
  sleep 0.1
  xdotool click 1
  sleep 0.3
}

# --- The installation: exactly the saver and its 52 data files, byte for byte.
ls "$sys" | sort >"$work/before"
[ ! -e "$sys/corvane_kestor.scr" ] || rm -f "$sys/corvane_kestor.scr"
"$repo/tools/install-wine" "$saver" "$data" >"$LOG" 2>&1 || fail "install-wine failed"
ls "$sys" | sort >"$work/after"
added=$(comm -13 "$work/before" "$work/after" | tr '\n' ' ')
want=$( (echo corvane_kestor.scr; ls "$data") | sort | tr '\n' ' ')
# (Files of a developer's own installation were there before and count as not added.)
for f in $added; do case " $want " in *" $f "*) ;; *) fail "install-wine added $f" ;; esac; done
[ "$(ls "$data" | wc -l)" -eq 52 ] || fail "the data folder does not hold 52 files"
cmp -s "$saver" "$sys/corvane_kestor.scr" || fail "the installed saver differs"
for f in "$data"/*; do cmp -s "$f" "$sys/$(basename "$f")" || fail "the installed $(basename "$f") differs"; done
saver=$scr  # from here on the runs are of the installed saver
rm -f "$ini" "$sys/DGCarad_DebugLog.txt"

# --- Display mode with the data from the system folder: the title, the car, the bonnet opening;
# the viewpoint written into the settings file beside the saver, the log beside it too.
settings mode=0 text_out=2
run display --frames 160 --capture-at 1,120,145,160 --key 121:b
check car "$(frame display 120)" 0 0 0 0.05 0.7
check differ "$(frame display 1)" "$(frame display 120)" 0.01
check differ "$(frame display 120)" "$(frame display 145)" 0.001
[ "$(ini_value fx)" = 0 ] && [ "$(ini_value fy)" = -6000 ] && [ "$(ini_value fz)" = -13000 ] ||
  fail "the viewpoint was not written beside the saver: $(cat "$ini")"
[ -f "$sys/DGCarad_DebugLog.txt" ] || fail "no debug log beside the saver"
first=$(iconv -f CP932 -t UTF-8 "$sys/DGCarad_DebugLog.txt" | sed -n 1p)  # sed reads it all: no broken pipe
grep -q '^#00001 | DGCaradリソース(TDG' <<<"$first" ||
  fail "the debug log does not begin with a resource's registration"

# --- Real keys and the pointer: a display-mode key keeps the run, another key ends it; the first
# move is only recorded, the next one ends the run.
settings mode=0 speed=20 text_out=2
xdotool mousemove 400 300
start /s
xdotool key b
xdotool key Left
sleep 1
running "after B and Left"
xdotool key q
ends_within 30
[ "$(ini_value fx)" = 200 ] || fail "the viewpoint moved by Left was not stored: $(cat "$ini")"
start /s
xdotool mousemove 420 310
sleep 1
running "after the first move"
xdotool mousemove 430 320
ends_within 30

# --- Driving mode by day: the sky and the roadside; nothing is written.
settings mode=1 text_out=2
cp "$ini" "$work/ini-before"
run driving --frames 300 --capture-at 120,300
share "$(frame driving 120)" 187 187 255 0 0.05 1
check differ "$(frame driving 120)" "$(frame driving 300)" 0.1
cmp -s "$ini" "$work/ini-before" || fail "a driving-mode run changed the settings"

# --- The text overlay over display mode: after the title, the first line of kestor.txt is typed
# in the settings' colour (0x800080 shows as magenta), growing from frame to frame.
settings mode=0 text_out=1 column=2 font_color=8388736
run overlay --frames 180 --capture-at 100,130,180
share "$(frame overlay 100)" 255 0 255 40 0 0
share "$(frame overlay 130)" 255 0 255 40 0.00001 0.01
a=$(share_of "$(frame overlay 130)" 255 0 255 40)
b=$(share_of "$(frame overlay 180)" 255 0 255 40)
python3 -c "import sys; sys.exit(0 if $b > $a else 1)" || fail "the text did not grow ($a, then $b)"

# --- A data file missing from the system folder: black, then the notice in yellow; nothing saved.
mv "$sys/crmd_44" "$work/crmd_44"
settings mode=0 text_out=2
cp "$ini" "$work/ini-before"
run missing --frames 60 --capture-at 2,60 --key 10:left
mv "$work/crmd_44" "$sys/crmd_44"
check uniform "$(frame missing 2)" 0 0 0
share "$(frame missing 60)" 255 255 0 40 0.00001 0.05
cmp -s "$ini" "$work/ini-before" || fail "the run with a missing file changed the settings"

# --- /c as Windows passes it (with a handle after a colon): OK writes every key, in order.
rm -f "$ini"
"$wine" "$scr" /c:1234 >"$LOG" 2>&1 &
pid=$!
pids+=("$pid")
dlg=$(window "設定")
sleep 1
xdotool windowactivate --sync "$dlg" 2>/dev/null || true
xdotool key Return  # OK is the default button
ends_within 60
[ -f "$ini" ] || fail "OK wrote no settings file beside the saver"
got=$(iconv -f CP932 -t UTF-8 "$ini" | tr -d '\r')
want=$(printf '%s\n' "[Settings]" "Mode=2" "speed=0" "fx=0" "fy=-6000" "fz=-13000" "text_out=1" "shadow=0" \
  "font_name=ＭＳ ゴシック" "font_size=12" "font_color=16711680" "font_charset=128" "font_style=0" "column=1")
[ "$got" = "$want" ] || fail "the settings file after OK: $got"

# --- The preview inside another program's window: its size, the car from the first frame (no title), the
# picture on the screen; no input reaches it; it ends when the window goes.
"$wine" "$host" 30000 >"$work/host" 2>/dev/null &
hostpid=$!
pids+=("$hostpid")
wait_for "$work/host" "^[0-9]" 60
hwnd=$(head -1 "$work/host" | tr -d '\r')
settings mode=0 text_out=1 font_color=8388736
mkdir -p "$work/preview"
"$wine" "$scr" /p "$hwnd" --step-ms 50 --frames 120 --capture "$(winpath "$work/preview")" --capture-at 1,120 \
  >"$LOG" 2>&1 || fail "the preview ended with $?"
check size "$(frame preview 1)" 200 150
check car "$(frame preview 120)" 0 0 0 0.05 0.9  # seen from the side
share "$(frame preview 120)" 255 0 255 40 0 0  # no overlay in a preview
kill "$hostpid" 2>/dev/null || true
wait "$hostpid" 2>/dev/null || true
"$wine" "$host" 15000 >"$work/host" 2>/dev/null &
hostpid=$!
pids+=("$hostpid")
wait_for "$work/host" "^[0-9]" 60
hwnd=$(head -1 "$work/host" | tr -d '\r')
"$wine" "$scr" /p "$hwnd" >"$LOG" 2>&1 &
pid=$!
pids+=("$pid")
preview_on_screen  # Wine shows nothing drawn into another process's window: the saver lays its own over it
xdotool mousemove 100 100 key q
sleep 0.5
running "input reached the preview"
ends_within 40  # the host destroys its window after 15 s

# --- /a on an NT-family system: Wine's MPR.DLL has the entry point; nothing is shown.
"$wine" "$scr" /a 1234 >"$LOG" 2>&1 || fail "/a ended with $?"

# --- The uninstall from the settings dialog deletes the data files, the settings file and the
# log from the system folder, and keeps the saver itself.
echo log >"$sys/DGCarad_DebugLog.txt"
"$wine" "$scr" /c >"$LOG" 2>&1 &
pid=$!
pids+=("$pid")
dlg=$(window "設定")
sleep 1
at "$dlg" 204 164  # "削除"
window "確認" >/dev/null
sleep 0.5
xdotool key Return
window "corvane_kestor" >/dev/null
sleep 0.5
xdotool key Return
gone "corvane_kestor"
at "$dlg" 280 164  # Cancel
ends_within 60
left=
for f in "${names[@]}"; do [ -e "$sys/$f" ] && left="$left $f"; done
[ "$left" = " corvane_kestor.scr" ] || fail "left in the system folder after the uninstall:$left"
echo "e2e_installed_wine: all passed"
