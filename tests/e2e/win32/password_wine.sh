#!/usr/bin/env bash
# The Windows 9x password path under Wine, with the saver installed into the system folder:
# Wine reports Windows 98 to corvane_kestor.scr alone (AppDefaults "Version"="win98"),
# "ScreenSaveUsePassword"=1 under HKCU\Control Panel\desktop, and a PASSWORD.CPL of our own in the
# system folder whose VerifyScreenSavePwd refuses the first call and accepts the next, recording
# each call. Real pointer moves from xdotool: the first is recorded, the next asks to close; the
# refusal keeps the saver running and re-arms the pointer rule, the acceptance ends it. Another
# program sees the system's screen-saver-running flag set during the run and cleared after it.
# The same set-up on the NT family (Wine's default) and with the value 0 closes at once without a
# call. Mode /a calls PwdChangePasswordA of an MPR.DLL of our own with "SCRSAVE", the handle, 0, 0.
# The prefix's registry values and system folder are put back as they were.
#   password_wine.sh SAVER.scr DATA_FOLDER PASSWORD.CPL MPR.DLL SPI_PROBE.exe
set -euo pipefail
saver=$1
data=$(cd "$2" && pwd)
cpl=$3
mpr=$4
probe=$5
here=$(cd "$(dirname "$0")/.." && pwd)
repo=$(cd "$here/../.." && pwd)
source "$here/lib.sh"
xvfb_inner 800x600 "$@"
wine=$repo/tools/wine-run
export KESTOR_WINEPREFIX=${KESTOR_WINEPREFIX:-$repo/build/wineprefix}
work=$(mktemp -d)
LOG=$work/log
sys=$("$repo/tools/install-wine" --folder)
scr='C:\windows\system32\corvane_kestor.scr'
ini=$sys/corvane_kestor.ini
export KESTOR_SERVICE_LOG
KESTOR_SERVICE_LOG=$(winpath "$work/calls.log")
calls=$work/calls.log

APPKEY='HKCU\Software\Wine\AppDefaults\corvane_kestor.scr'
DESKKEY='HKCU\Control Panel\desktop'
TEMPKEY='HKCU\Software\Wine\Temporary System Parameters\Control Panel\Desktop'
reg() { "$wine" reg "$@" 2>/dev/null | tr -d '\r'; }
# reg_value KEY NAME: "TYPE DATA" of a value, empty when there is none.
reg_value() { { reg query "$1" /v "$2" || true; } | awk -v n="$2" '$1 == n { print $2, $3 }'; }
reg_values() { { reg query "$1" || true; } | awk 'NF >= 2 && $2 ~ /^REG_/ { print $1 }' | sort; }

# What is put back at the end.
names=(corvane_kestor.scr corvane_kestor.ini DGCarad_DebugLog.txt kestor.txt PASSWORD.CPL)
for i in $(seq 0 50); do names+=("crmd_$i"); done
mkdir -p "$work/backup"
for f in "${names[@]}"; do [ -e "$sys/$f" ] && cp -p "$sys/$f" "$work/backup/"; done
had_appkey=0
"$wine" reg query "$APPKEY" >/dev/null 2>&1 && had_appkey=1
saved_version=$(reg_value "$APPKEY" Version)
saved_use=$(reg_value "$DESKKEY" ScreenSaveUsePassword)
reg_values "$TEMPKEY" >"$work/temp-before"
pids=()
restore_value() {  # KEY NAME "TYPE DATA"|""
  if [ -n "$3" ]; then
    set -- "$1" "$2" ${3}
    reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null
  else
    reg delete "$1" /v "$2" /f >/dev/null || true
  fi
}
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  "$repo/tools/install-wine" --uninstall >/dev/null 2>&1 || true
  rm -f "$sys/PASSWORD.CPL" "$sys/kestor_services.log"
  cp -p "$work/backup/"* "$sys/" 2>/dev/null || true
  restore_value "$DESKKEY" ScreenSaveUsePassword "$saved_use"
  if [ $had_appkey = 1 ]; then
    restore_value "$APPKEY" Version "$saved_version"
  else
    reg delete "$APPKEY" /f >/dev/null || true
  fi
  for v in $(comm -13 "$work/temp-before" <(reg_values "$TEMPKEY")); do reg delete "$TEMPKEY" /v "$v" /f >/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

"$repo/tools/install-wine" "$saver" "$data" >/dev/null || fail "install-wine failed"
cp "$cpl" "$sys/PASSWORD.CPL"
printf '[Settings]\r\nmode=0\r\nspeed=20\r\ntext_out=2\r\n' >"$ini"
reg add "$APPKEY" /v Version /d win98 /f >/dev/null
reg add "$DESKKEY" /v ScreenSaveUsePassword /t REG_DWORD /d 1 /f >/dev/null

flag() { "$wine" "$probe" | tr -d '\r' | sed -n 's/^running=\([01]\).*/\1/p'; }
start() {
  "$wine" "$scr" /s >"$LOG" 2>&1 &
  pid=$!
  pids+=("$pid")
  for _ in $(seq 600); do
    xdotool search --onlyvisible --name "^corvane KESTOR\$" >/dev/null 2>&1 && break
    kill -0 "$pid" 2>/dev/null || fail "the saver ended before its window showed"
    sleep 0.1
  done
  sleep 1.5
}
ncalls() { if [ -f "$calls" ]; then wc -l <"$calls"; else echo 0; fi; }

# --- Windows 98, a password in use, moves of the automation (the pointer's own position, where
# Wine reports it, is the first one, so that what Wine reports itself changes nothing): the first
# move records, the second asks and is refused, the run goes on with the rule re-armed, so that a
# third move elsewhere only records, and the fourth asks again, is accepted and ends the run.
call_line() {  # N ANSWER: the record of call N with the pointer shown (count 0) and the flag set
  echo "VerifyScreenSavePwd call=$1 answer=$2 window=KestorForm visible=1 cursor=0 running=1 at=400,300"
}
[ "$(flag)" = 0 ] || fail "the screen-saver flag is set before the run"
xdotool mousemove 400 300
mkdir -p "$work/auto"
"$wine" "$scr" /s --step-ms 50 --frames 60 --mouse 5:400,300 --mouse 10:401,300 --mouse 15:402,300 --mouse 20:403,300 \
  --capture "$(winpath "$work/auto")" --capture-at 9,12,19,21 >"$LOG" 2>&1 || fail "the run ended with $?"
expect_exact "$calls" "$(call_line 1 0)" "$(call_line 2 1)"
[ -f "$work/auto/frame-00012.png" ] && [ -f "$work/auto/frame-00019.png" ] ||
  fail "the refused close or the move after it ended the run: $(ls "$work/auto")"
[ ! -f "$work/auto/frame-00021.png" ] || fail "the accepted close did not end the run"
[ "$(flag)" = 0 ] || fail "the screen-saver flag is still set after the run ($(flag))"
rm -f "$calls"

# --- The same with the pointer moved by xdotool, as a user moves it.
start
running "at the start"
[ "$(flag)" = 1 ] || fail "the screen-saver flag is not set during a 9x run"
xdotool mousemove 410 300  # (the first move only records, wherever Wine reported the pointer)
sleep 1
xdotool mousemove 420 310
for _ in $(seq 100); do [ "$(ncalls)" -ge 1 ] && break; sleep 0.1; done
sleep 2
[ "$(ncalls)" -eq 1 ] || fail "$(ncalls) password calls after the first close request"
running "after the refused password"
grep -Eqx "VerifyScreenSavePwd call=1 answer=0 window=KestorForm visible=1 cursor=0 running=1 at=[0-9]+,[0-9]+" "$calls" ||
  fail "the first call: $(cat "$calls")"
[ "$(flag)" = 1 ] || fail "the refusal cleared the screen-saver flag"
# Nothing closes the run by itself after the refusal. (Wine reports the pointer's position once
# when it shows again, which is then the recorded move: the user's next move asks again.)
sleep 2
running "the run closed after the refusal without a move"
[ "$(ncalls)" -eq 1 ] || fail "a password call without a move after the refusal"
xdotool mousemove 430 320
sleep 2
if [ "$(ncalls)" -eq 1 ]; then
  running "the move after the refusal closed it without asking"
  xdotool mousemove 440 330
fi
ends_within 30 "after the second close request"
[ "$(ncalls)" -eq 2 ] || fail "$(ncalls) password calls in all"
sed -n 2p "$calls" | grep -Eqx "VerifyScreenSavePwd call=2 answer=1 window=KestorForm visible=1 cursor=0 running=1 at=[0-9]+,[0-9]+" ||
  fail "the second call: $(cat "$calls")"
[ "$(flag)" = 0 ] || fail "the screen-saver flag is still set after the run ($(flag))"
tr -d '\r' <"$ini" | grep -qx 'fx=0' || fail "the viewpoint was not written after the accepted close: $(cat "$ini")"

# --- The same with the value 0: no call, the run ends at the first real move; the flag still
# goes up and down.
reg add "$DESKKEY" /v ScreenSaveUsePassword /t REG_DWORD /d 0 /f >/dev/null
start
[ "$(flag)" = 1 ] || fail "the screen-saver flag is not set (value 0)"
xdotool mousemove 400 300
sleep 1
xdotool mousemove 410 310
ends_within 30 "with the value 0"
[ "$(ncalls)" -eq 2 ] || fail "the password was asked for with the value 0"
[ "$(flag)" = 0 ] || fail "the screen-saver flag is still set (value 0)"

# --- The NT family (Wine's default): the system owns passwords; no call, no flag.
reg add "$DESKKEY" /v ScreenSaveUsePassword /t REG_DWORD /d 1 /f >/dev/null
reg delete "$APPKEY" /v Version /f >/dev/null
start
[ "$(flag)" = 0 ] || fail "the screen-saver flag was set on the NT family"
xdotool mousemove 400 300
sleep 1
xdotool mousemove 410 310
ends_within 30 "on the NT family"
[ "$(ncalls)" -eq 2 ] || fail "the password was asked for on the NT family"

# --- /a: PwdChangePasswordA("SCRSAVE", handle, 0, 0) of the MPR.DLL beside the program (Wine
# loads its own mpr.dll unless told to take the one it finds there).
mkdir -p "$work/a"
cp "$saver" "$work/a/corvane_kestor.scr"
cp "$mpr" "$work/a/MPR.DLL"
rm -f "$calls"
WINEDLLOVERRIDES="mscoree,mshtml=;mpr=n" "$wine" "$work/a/corvane_kestor.scr" /a 1234 >"$LOG" 2>&1 || fail "/a ended with $?"
WINEDLLOVERRIDES="mscoree,mshtml=;mpr=n" "$wine" "$work/a/corvane_kestor.scr" -A >"$LOG" 2>&1 || fail "-A ended with $?"
expect_exact "$calls" "PwdChangePasswordA provider=SCRSAVE window=1234 0x0 0x0" \
  "PwdChangePasswordA provider=SCRSAVE window=0 0x0 0x0"
echo "e2e_password_wine: all passed"
