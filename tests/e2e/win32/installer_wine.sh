#!/usr/bin/env bash
# The installer corvane_kestor_setup.exe under Wine on a private Xvfb: silently (/S) and through
# its window (Japanese, the installation runs at once, "閉じる" ends it) it puts exactly the saver
# and its 52 data files, byte for byte, into the system folder and nothing anywhere else on drive
# C:; the installed saver then runs from there. The system folder is put back afterwards.
#   installer_wine.sh SETUP.exe SAVER.scr DATA_FOLDER SHOT_FOLDER
# Exit code 77 (skipped) when the installer was not built (no makensis).
set -euo pipefail
setup=$1
saver=$2
data=$(cd "$3" && pwd)
shots=$4
if [ ! -f "$setup" ]; then
  echo "no installer at $setup: skipped"
  exit 77
fi
here=$(cd "$(dirname "$0")/.." && pwd)
repo=$(cd "$here/../.." && pwd)
source "$here/lib.sh"
xvfb_inner 800x600 "$@"
wine=$repo/tools/wine-run
export KESTOR_WINEPREFIX=${KESTOR_WINEPREFIX:-$repo/build/wineprefix}
work=$(mktemp -d)
LOG=$work/log
sys=$("$repo/tools/install-wine" --folder)
drive=$KESTOR_WINEPREFIX/drive_c
mkdir -p "$shots"

names=(corvane_kestor.scr corvane_kestor.ini DGCarad_DebugLog.txt kestor.txt)
for i in $(seq 0 50); do names+=("crmd_$i"); done
mkdir -p "$work/backup"
for f in "${names[@]}"; do [ -e "$sys/$f" ] && mv "$sys/$f" "$work/backup/"; done
pid=
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  "$repo/tools/install-wine" --uninstall >/dev/null 2>&1 || true
  cp -p "$work/backup/"* "$sys/" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Every file on drive C: but the temporary folders, which the installer may use while it runs.
files() { (cd "$drive" && find . -type f | grep -v -i -e '/temp/' | sort); }
# installed: exactly the 53 files were added, with the contents of the build.
installed() {
  files >"$work/after"
  local added want
  added=$(comm -13 "$work/before" "$work/after" | tr '\n' ' ')
  want=$( (echo corvane_kestor.scr; ls "$data") | sed "s|^|./${sys#"$drive"/}/|" | sort | tr '\n' ' ')
  [ "$added" = "$want" ] || fail "the installer added: $added"
  [ -z "$(comm -23 "$work/before" "$work/after")" ] || fail "the installer removed: $(comm -23 "$work/before" "$work/after")"
  cmp -s "$saver" "$sys/corvane_kestor.scr" || fail "the installed saver differs from the build's"
  for f in "$data"/*; do cmp -s "$f" "$sys/$(basename "$f")" || fail "the installed $(basename "$f") differs"; done
}

# --- Silent.
files >"$work/before"
"$wine" "$setup" /S >"$LOG" 2>&1 || fail "the silent installation ended with $?"
installed
mkdir -p "$work/run"
"$wine" 'C:\windows\system32\corvane_kestor.scr' /s --step-ms 50 --frames 120 --capture "$(winpath "$work/run")" \
  --capture-at 120 >"$LOG" 2>&1 || fail "the installed saver ended with $?"
check car "$work/run/frame-00120.png" 0 0 0 0.05 0.7
"$repo/tools/install-wine" --uninstall >/dev/null

# --- Through its window: it installs at once and shows "閉じる" when done.
files >"$work/before"
"$wine" "$setup" >"$LOG" 2>&1 &
pid=$!
title="corvane KESTOR 3Dスクリーンセーバ セットアップ"
for _ in $(seq 600); do
  id=$(xdotool search --onlyvisible --name "^$title" 2>/dev/null | head -1 || true)
  [ -n "$id" ] && break
  kill -0 "$pid" 2>/dev/null || fail "the installer ended before its window showed"
  sleep 0.1
done
[ -n "$id" ] || fail "no installer window"
for _ in $(seq 300); do [ -f "$sys/kestor.txt" ] && break; sleep 0.1; done
sleep 2
import -window root "$shots/installer.png"
xdotool windowactivate --sync "$id" 2>/dev/null || true
xdotool key Return  # "閉じる" is the default button once the installation is done
for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the installer window did not close"
wait "$pid" || fail "the installer ended with $?"
pid=
installed
echo "e2e_installer_wine: all passed (screenshot $shots/installer.png)"
