#!/usr/bin/env bash
# Bad settings end to end (Linux, headless, virtual clock): every key with garbage, huge, negative
# and empty values; a read-only and an unreadable settings file; an unwritable settings folder,
# with and without a file in it; a folder where the file should be; a settings folder that cannot
# be made; the settings folder without XDG_CONFIG_HOME and HOME (the account's home, or none).
# The saver always runs with defaults or clamped values, and never loses the stored viewpoint: a
# file it cannot write keeps its old values.
#   settings_headless.sh SAVER DATA_FOLDER PASSWD_PROBE.so
# File permissions bind only users without CAP_DAC_OVERRIDE: run as root, the cases that need them
# run the saver as the user nobody (setpriv).
set -euo pipefail
saver=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
data=$(cd "$2" && pwd)
probe=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
unset DISPLAY WAYLAND_DISPLAY
export SDL_VIDEODRIVER=offscreen
export XDG_CONFIG_HOME=$work/config
folder=$XDG_CONFIG_HOME/corvane_kestor
ini=$folder/corvane_kestor.ini
LOG=$work/out
as_user=()
if [ "$(id -u)" = 0 ]; then
  command -v setpriv >/dev/null || fail "running as root needs setpriv to drop to the user nobody"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
run_saver() {
  local cap=$1
  shift
  chmod 777 "$cap"
  "${as_user[@]}" "$saver" /s --data-dir "$data" --step-ms 50 --frames 105 --size 320x180 --capture "$cap" \
    --capture-at 105 "$@"
}
# The user the saver runs as owns the settings folder (unless a case takes it away).
own() { [ ${#as_user[@]} -eq 0 ] || chown -R 65534:65534 "$@"; }
own_settings() { own "$XDG_CONFIG_HOME"; }
moves=(--key 2:left --key 2:left --key 2:left --key 2:left --key 2:left --key 3:up)

source "$here/settings_cases.sh"

# --- A read-only file: the run moves the viewpoint but cannot store it; the file keeps every byte.
rm -rf "$XDG_CONFIG_HOME"
settings mode=0 text_out=2 "${viewpoint[@]}"
chmod 444 "$ini"
cp "$ini" "$work/ini-before"
runs read-only "${moves[@]}"
cmp -s "$ini" "$work/ini-before" || fail "the read-only settings file changed: $(cat "$ini")"
# The same file writable stores the moved viewpoint (so the case above did move it).
chmod 644 "$ini"
runs writable "${moves[@]}"
[ "$(ini_value fx)" = 2000 ] && [ "$(ini_value fy)" = -6800 ] || fail "the moved viewpoint was not stored: $(cat "$ini")"
echo "ok read-only settings file"

# --- A file the saver cannot even read: defaults for the run, nothing written over it.
settings mode=0 text_out=2 "${viewpoint[@]}"
chmod 000 "$ini"
cp "$ini" "$work/ini-before"
runs unreadable "${moves[@]}"
chmod 644 "$ini"
cmp -s "$ini" "$work/ini-before" || fail "the unreadable settings file changed: $(cat "$ini")"
echo "ok unreadable settings file"

# --- An unwritable settings folder without a file: the run has the defaults, nothing is made
# there (neither the file nor the debug log).
rm -rf "$XDG_CONFIG_HOME"
mkdir -p "$folder"
chmod 555 "$folder"
runs folder-empty "${moves[@]}"
[ -z "$(ls -A "$folder")" ] || fail "files appeared in the unwritable folder: $(ls -A "$folder")"
chmod 755 "$folder"
# With a writable file in it the file is rewritten in place (the folder takes no new file) and
# holds the moved viewpoint, whole.
settings mode=0 text_out=2 shadow=1 "${viewpoint[@]}"
chown 0:0 "$folder"
chmod 555 "$folder"
runs folder-file "${moves[@]}"
[ "$(ini_value fx)" = 2000 ] && [ "$(ini_value shadow)" = 1 ] && [ "$(ini_value mode)" = 0 ] ||
  fail "the file in the unwritable folder: $(cat "$ini")"
[ "$(ls -A "$folder")" = corvane_kestor.ini ] || fail "files appeared in the unwritable folder: $(ls -A "$folder")"
chmod 755 "$folder"
echo "ok unwritable settings folder"

# --- A folder where the file should be, and a settings folder that cannot be made (a file is in
# the way): the defaults, and the run ends normally.
rm -rf "$XDG_CONFIG_HOME"
mkdir -p "$ini"
own "$XDG_CONFIG_HOME"
runs folder-as-file "${moves[@]}"
[ -d "$ini" ] && [ -z "$(ls -A "$ini")" ] || fail "the folder in the settings file's place changed"
rm -rf "$XDG_CONFIG_HOME"
mkdir -p "$XDG_CONFIG_HOME"
echo "not a folder" >"$folder"
own "$XDG_CONFIG_HOME"
runs no-folder "${moves[@]}"
[ "$(cat "$folder")" = "not a folder" ] || fail "the file in the settings folder's place changed"
echo "ok settings folder in the way"

# --- No settings folder is made by a read (a run without its data files writes nothing); without
# XDG_CONFIG_HOME and an absolute HOME it is the account's home from the password database (the
# preload library answers for it), made by the first write; with no home at all nothing is
# written anywhere (not in the working folder, not in /tmp) and stderr says why once.
rm -rf "$work/nodata" "$work/account" "$work/cwd"
mkdir -p "$work/nodata" "$work/account" "$work/cwd"
own "$work/account" "$work/cwd"
(export XDG_CONFIG_HOME=$work/account/config && data=$work/nodata && runs read-only-run)
[ ! -e "$work/account/config" ] || fail "a run that writes nothing made its settings folder"
shared=$(ls -la --full-time /tmp/corvane_kestor 2>/dev/null || true)
for home in "$work/account" ""; do
  (
    unset XDG_CONFIG_HOME
    export HOME=relative/home KESTOR_PASSWD_HOME=$home LD_PRELOAD=$probe
    export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0  # preloaded before the sanitizer
    cd "$work/cwd" && runs "home-${home:+account}"
  )
  told=$(grep -c 'corvane_kestor: no home folder' "$LOG" || true)
  [ -z "$home" ] || [ "$told" = 0 ] && [ -f "$work/account/.config/corvane_kestor/DGCarad_DebugLog.txt" ] ||
    fail "the account's home: $told lines on stderr, $(find "$work/account" -type f)"
  [ -n "$home" ] || [ "$told" = 1 ] || fail "no home: $told lines on stderr"
done
[ -z "$(ls -A "$work/cwd")" ] && [ "$(ls -la --full-time /tmp/corvane_kestor 2>/dev/null || true)" = "$shared" ] ||
  fail "a run without a home wrote files: $(ls -A "$work/cwd")"
echo "ok the settings folder without XDG_CONFIG_HOME and HOME"
echo "e2e_settings_headless: all passed"
