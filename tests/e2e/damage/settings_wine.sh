#!/usr/bin/env bash
# The bad-settings cases of settings_cases.sh with the Windows build under Wine on a private Xvfb
# (the settings file beside the program), then a read-only settings file, an unwritable program
# folder with and without a file in it, and a folder where the file should be.
#   settings_wine.sh SAVER.scr DATA_FOLDER
# Wine run as root writes read-only files all the same, so as root the file or folder is made
# immutable (chattr +i) instead of read-only.
set -euo pipefail
saver=$1
data=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib.sh"
xvfb_inner 640x480 "$@"
wine=$here/../../../tools/wine-run
work=$(mktemp -d)
root=$([ "$(id -u)" = 0 ] && echo 1 || true)
# lock PATH / unlock PATH: no writes to the file, or no new entries in the folder.
lock() { if [ -n "$root" ]; then chattr +i "$1"; else chmod a-w "$1"; fi; }
unlock() { if [ -n "$root" ]; then chattr -i "$1"; else chmod u+w "$1"; fi; }
trap 'chattr -R -i "$work" 2>/dev/null || true; rm -rf "$work"' EXIT
bin=$work/bin
mkdir -p "$bin"
cp "$saver" "$bin/corvane_kestor.scr"
ini=$bin/corvane_kestor.ini
LOG=$work/out
run_saver() {
  local cap=$1
  shift
  "$wine" "$bin/corvane_kestor.scr" /s --data-dir "$(winpath "$data")" --step-ms 50 --frames 105 \
    --capture "$(winpath "$cap")" --capture-at 105 "$@"
}
own_settings() { :; }
moves=(--key 2:left --key 2:left --key 2:left --key 2:left --key 2:left --key 3:up)

source "$here/settings_cases.sh"

# --- A read-only file keeps every byte; the same file writable stores the moved viewpoint.
settings mode=0 text_out=2 "${viewpoint[@]}"
cp "$ini" "$work/ini-before"
lock "$ini"
runs read-only "${moves[@]}"
unlock "$ini"
cmp -s "$ini" "$work/ini-before" || fail "the read-only settings file changed: $(cat "$ini")"
runs writable "${moves[@]}"
[ "$(ini_value fx)" = 2000 ] && [ "$(ini_value fy)" = -6800 ] || fail "the moved viewpoint was not stored: $(cat "$ini")"
echo "ok read-only settings file"

# --- An unwritable program folder without a settings file: defaults, nothing made there.
rm -f "$ini" "$bin/DGCarad_DebugLog.txt"
lock "$bin"
runs folder-empty "${moves[@]}"
unlock "$bin"
[ "$(ls -A "$bin")" = corvane_kestor.scr ] || fail "files appeared in the unwritable folder: $(ls -A "$bin")"
# With a settings file in it, the file itself may still be written: it holds the moved
# viewpoint, whole.
settings mode=0 text_out=2 shadow=1 "${viewpoint[@]}"
lock "$bin"
runs folder-file "${moves[@]}"
unlock "$bin"
[ "$(ini_value fx)" = 2000 ] && [ "$(ini_value shadow)" = 1 ] && [ "$(ini_value mode)" = 0 ] ||
  fail "the file in the unwritable folder: $(cat "$ini")"
echo "ok unwritable program folder"

# --- A folder where the settings file should be: the defaults, and the run ends normally.
rm -f "$ini"
mkdir "$ini"
runs folder-as-file "${moves[@]}"
[ -d "$ini" ] && [ -z "$(ls -A "$ini")" ] || fail "the folder in the settings file's place changed"
echo "ok settings file in the way"
echo "e2e_settings_wine: all passed"
