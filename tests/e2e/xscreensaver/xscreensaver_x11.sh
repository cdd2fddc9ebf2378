#!/usr/bin/env bash
# The Debian package under its real host, on a private Xvfb. CPack builds the package, dpkg-deb
# unpacks it into a staging folder, and the staged program runs without --data-dir (its data is
# found from where it is installed or linked). Debian's xscreensaver daemon, run as an ordinary
# user (it starts no hack as root), runs it from a ~/.xscreensaver that lists it as a user writes
# it: -activate shows the car on the screen, -deactivate ends the program with the viewpoint saved
# and nothing left running. Then the forms of xscreensaver-settings' preview (--window-id into a
# window that is resized) and of one monitor's window (--root inside $XSCREENSAVER_WINDOW), and
# SIGHUP, which closes the run like SIGTERM.
#   xscreensaver_x11.sh BUILD_FOLDER PREVIEW_HOST
set -euo pipefail
build=$(cd "$1" && pwd)
host=$2
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
xvfb_inner 800x600 "$@"
work=$(mktemp -d)
chmod 755 "$work"  # the daemon's user reads the staged package
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  pkill -KILL -u "$user" -f "$hack" 2>/dev/null || true
  rm -rf "$work"
}
user=$(id -u)
# The daemon's hack, found by its command line: other tests run the saver as nobody too, by path.
hack='^corvane_kestor --root$'
trap cleanup EXIT

# --- The package, unpacked.
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log" >&2
  fail "cpack -G DEB"
}
deb=$(echo "$work"/pkg/*.deb)
dpkg-deb -x "$deb" "$work/stage"
stage=$work/stage/usr
for f in bin/corvane_kestor share/corvane_kestor/kestor.txt share/corvane_kestor/crmd_50 \
  share/xscreensaver/config/corvane_kestor.xml share/applications/corvane_kestor.desktop share/man/man6/corvane_kestor.6.gz; do
  [ -f "$stage/$f" ] || fail "the package has no $f"
done
[ "$(readlink "$stage/libexec/xscreensaver/corvane_kestor")" = ../../bin/corvane_kestor ] || fail "no link in the hack folder"
python3 - "$stage/share/xscreensaver/config/corvane_kestor.xml" <<'EOF' || fail "hack description"
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
assert root.tag == "screensaver" and root.get("name") == "corvane_kestor" and root.get("_label") == "corvane KESTOR"
assert root.find("command").get("arg") == "--root"
assert "スポーツカー" in root.find("_description").text
EOF
"$stage/bin/corvane_kestor" --version | grep -qx 'corvane_kestor [0-9.]*' || fail "--version"

# --- The staged program through the hack folder's link, headless, without --data-dir; with its
# data folder gone it shows the notice and names the folder it searched.
LOG=$work/headless.log
XDG_CONFIG_HOME=$work/config SDL_VIDEODRIVER=offscreen DISPLAY= "$stage/libexec/xscreensaver/corvane_kestor" /s \
  --step-ms 50 --frames 110 --size 320x180 --capture "$work/headless" --capture-at 110 >"$LOG" 2>&1 || fail "staged run"
expect_absent "$LOG" "missing"
check car "$work/headless/frame-00110.png" 0 0 0 0.05 0.9
mv "$stage/share/corvane_kestor" "$work/data-away"
XDG_CONFIG_HOME=$work/config SDL_VIDEODRIVER=offscreen DISPLAY= "$stage/bin/corvane_kestor" /s --step-ms 50 --frames 2 \
  --size 320x180 >"$LOG" 2>&1 || fail "staged run without data"
grep -qF "data files missing in $stage/share/corvane_kestor/" "$LOG" || fail "the folder searched is not named"
mv "$work/data-away" "$stage/share/corvane_kestor"

# --- The daemon, as an ordinary user.
home=$work/home
mkdir -p "$home/.config/corvane_kestor"
printf '[Settings]\r\nmode=0\r\nspeed=20\r\ntext_out=0\r\n' >"$home/.config/corvane_kestor/corvane_kestor.ini"
# A ~/.xscreensaver as xscreensaver-settings writes it, and the README's line that adds the saver
# at the top of its programs (mode "one" runs the first).
cat >"$home/.xscreensaver" <<'EOF'
timeout:	0:30:00
lock:	False
fade:	False
unfade:	False
splash:	False
dpmsEnabled:	False
mode:	one
selected:	0
programs:								      \
				maze --root				    \n\
- GL: 				superquadrics --root			    \n\
				attraction --root			    \n\

EOF
sed -i '/^programs:/a\  "corvane KESTOR"  corvane_kestor --root \\n\\' "$home/.xscreensaver"
as_user=()
if [ "$user" -eq 0 ]; then
  user=65534  # nobody
  as_user=(setpriv --reuid=$user --regid=65534 --clear-groups)
fi
cp "$XAUTHORITY" "$home/.Xauthority"
chown -R "$user" "$home"
"${as_user[@]}" env -i HOME="$home" PATH="$stage/bin:/usr/bin:/bin" DISPLAY="$DISPLAY" XAUTHORITY="$home/.Xauthority" \
  xscreensaver -no-splash -verbose >"$work/daemon.log" 2>&1 &
pids+=($!)
LOG=$work/daemon.log
for _ in $(seq 100); do xscreensaver-command -version >/dev/null 2>&1 && break; sleep 0.2; done
xscreensaver-command -activate >/dev/null || fail "xscreensaver-command -activate"
shot=$work/screen.png
for i in $(seq 120); do
  sleep 0.5
  import -window root -depth 8 "PNG24:$shot" 2>/dev/null || continue
  python3 "$here/saver/pngcheck.py" share "$shot" 200 20 20 60 0.05 0.9 >/dev/null 2>&1 && break
  [ "$i" -lt 120 ] || fail "no red car on the screen after 60 s: $(python3 "$here/saver/pngcheck.py" info "$shot" 0 0 0)"
done
pgrep -u "$user" -f "$hack" >/dev/null || fail "no corvane_kestor process"
grep -q 'fx=' "$home/.config/corvane_kestor/corvane_kestor.ini" && fail "a viewpoint before the run ended"
start=$(date +%s%N)
xscreensaver-command -deactivate >/dev/null || fail "xscreensaver-command -deactivate"
for _ in $(seq 200); do pgrep -u "$user" -f "$hack" >/dev/null || break; sleep 0.05; done
pgrep -u "$user" -f "$hack" >/dev/null && fail "corvane_kestor still runs 10 s after -deactivate"
echo "corvane_kestor ended $((($(date +%s%N) - start) / 1000000)) ms after -deactivate"
grep -q 'fx=' "$home/.config/corvane_kestor/corvane_kestor.ini" || fail "no viewpoint saved"
grep -q 'corvane_kestor --root' "$work/daemon.log" || fail "the daemon did not run 'corvane_kestor --root'"
expect_absent "$work/daemon.log" "unknown option"

# --- xscreensaver-settings' preview: --window-id into a window that is resized; the back buffer
# and the picture on the screen follow it.
export XDG_CONFIG_HOME=$work/config
"$host" >"$work/host.txt" &
pids+=($!)
wait_for "$work/host.txt" '^0x' 10
id=$(head -1 "$work/host.txt")
LOG=$work/preview.log
"$stage/bin/corvane_kestor" --window-id "$id" --step-ms 50 --capture "$work/preview" --capture-at every:5 >"$LOG" 2>&1 &
pids+=($!)
preview=$!
for _ in $(seq 200); do [ -e "$work/preview/frame-00005.png" ] && break; sleep 0.1; done
check size "$work/preview/frame-00005.png" 200 150
xdotool windowsize "$id" 480 200
# The next captures after the resize have the new size.
for _ in $(seq 200); do
  last=$(ls "$work/preview" | tail -1)
  python3 "$here/saver/pngcheck.py" size "$work/preview/$last" 480 200 >/dev/null 2>&1 && break
  sleep 0.1
done
check size "$work/preview/$last" 480 200
check share "$work/preview/$last" 0 0 0 0 0 0.97  # the car drawn over black
import -window "$id" -depth 8 "PNG24:$work/preview.png"
check size "$work/preview.png" 480 200
check share "$work/preview.png" 128 128 128 0 0 0.1  # the host's grey is covered
kill -TERM "$preview"
wait "$preview" || fail "the preview did not end with exit code 0"

# --- One monitor's window: --root draws at the size of $XSCREENSAVER_WINDOW, not the screen's.
LOG=$work/root.log
XSCREENSAVER_WINDOW=$id "$stage/bin/corvane_kestor" --root --step-ms 50 --frames 3 --capture "$work/root" --capture-at 3 \
  >"$LOG" 2>&1 || fail "--root run"
check size "$work/root/frame-00003.png" 480 200

# --- SIGHUP closes the run the normal way: exit code 0, the viewpoint saved.
rm -f "$XDG_CONFIG_HOME/corvane_kestor/corvane_kestor.ini"
LOG=$work/hup.log
"$stage/bin/corvane_kestor" /s --step-ms 50 --capture "$work/hup" --capture-at 3 >"$LOG" 2>&1 &
hup=$!
for _ in $(seq 200); do [ -e "$work/hup/frame-00003.png" ] && break; sleep 0.1; done
kill -HUP "$hup"
wait "$hup" || fail "SIGHUP: exit code $?"
grep -q 'fx=' "$XDG_CONFIG_HOME/corvane_kestor/corvane_kestor.ini" || fail "SIGHUP: no viewpoint saved"
echo "e2e_xscreensaver_x11: all passed"
