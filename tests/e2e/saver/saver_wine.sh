#!/usr/bin/env bash
# The Windows build of the saver under Wine (real d3d9.dll) on a private Xvfb, on the virtual
# clock with captures: display mode from the default settings with its viewpoint written beside
# the program, a bonnet opening, and a run with a data file missing (black, nothing saved).
#   saver_wine.sh SAVER.scr DATA_FOLDER
set -euo pipefail
if [ -z "${KESTOR_E2E_INNER:-}" ]; then
  export KESTOR_E2E_INNER=1
  exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 640x480x24 +extension GLX -nolisten tcp" bash "$0" "$@"
fi
saver=$1
data=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
check() { python3 "$here/saver/pngcheck.py" "$@" || fail "check '$*'"; }
wine=$here/../../tools/wine-run
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
LOG=$work/log
# The settings file lives beside the program: a private copy of it.
mkdir -p "$work/bin"
cp "$saver" "$work/bin/corvane_kestor.scr"
ini=$work/bin/corvane_kestor.ini
printf '[Settings]\r\nmode=0\r\ntext_out=2\r\n' >"$ini"

"$wine" "$work/bin/corvane_kestor.scr" /s --data-dir "$(winpath "$data")" --step-ms 50 --frames 150 \
  --capture "$(winpath "$work/cap")" --capture-at 1,120,150 --key 121:b >"$LOG" 2>&1 || fail "the run ended with $?"
# (The screen size is that of the Wine session's desktop, which a persistent wineserver may have
# taken from another display: the pictures are checked for their content only.)
check car "$work/cap/frame-00120.png" 0 0 0 0.05 0.6
check differ "$work/cap/frame-00001.png" "$work/cap/frame-00120.png" 0.01
tr -d '\r' <"$ini" | grep -qx 'fy=-6000' || fail "the viewpoint was not written: $(cat "$ini")"

mkdir -p "$work/partial"
cp "$data"/* "$work/partial/"
rm "$work/partial/kestor.txt"
cp "$ini" "$work/ini-before"
"$wine" "$work/bin/corvane_kestor.scr" /s --data-dir "$(winpath "$work/partial")" --step-ms 50 --frames 2 \
  --capture "$(winpath "$work/missing")" --capture-at 1,2 >"$LOG" 2>&1 || fail "the run with a missing file ended with $?"
check uniform "$work/missing/frame-00002.png" 0 0 0
cmp -s "$ini" "$work/ini-before" || fail "the run with a missing file changed the settings"
echo "e2e_saver_wine: all passed"
