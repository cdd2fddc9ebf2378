#!/usr/bin/env bash
# The same scenarios on the same data, captured from the Linux build (headless, 480 x 270) and from
# the Windows build under Wine (the real d3d9.dll, full screen on a 480 x 270 Wine desktop), must
# give the same pictures within the Direct3D layer's tolerance: a channel may differ by 2, and at
# most 0.5% of the pixels by more (pictures.py compare). Scenarios: display mode (the car, the
# bonnet opening, the skeleton view), driving mode by day and by night, the text overlay, and the
# missing-data notice. The pictures of both sides and the differences are kept in OUT_FOLDER.
#
# The title image is the one exception, measured and explained: its quad lies on whole pixels and
# is sampled with point filtering, so every pixel centre falls exactly on a boundary between two
# texels, where Direct3D leaves the choice to the rasteriser's rounding ("Quad 10..20 with POINT
# sits on texel boundaries, so sampling is unstable", d3d9-facts 6d). Wine and the Linux layer
# round some of those ties differently along the letters' edges: about 0.6% of the pixels. Title
# frames are held to 1%.
#   crosstarget.sh LINUX_SAVER WINDOWS_SAVER.scr DATA_FOLDER OUT_FOLDER
# Exit code 77 (skipped) when the Windows build is not there.
set -euo pipefail
linux=$1
windows=$2
data=$(cd "$3" && pwd)
out=$4
here=$(cd "$(dirname "$0")/.." && pwd)
repo=$(cd "$here/../.." && pwd)
source "$here/lib.sh"
if [ ! -f "$windows" ]; then
  echo "no Windows build at $windows: skipped"
  exit 77
fi
xvfb_inner 800x600 "$@"
wine=$repo/tools/wine-run
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
LOG=$work/log
W=480
H=270
rm -rf "$out"
mkdir -p "$out" "$work/win"
cp "$windows" "$work/win/corvane_kestor.scr"

# settings KEY=VALUE...: the same settings file for both programs.
settings() {
  mkdir -p "$work/config/corvane_kestor"
  { printf '[Settings]\r\n'; for kv in "$@"; do printf '%s\r\n' "$kv"; done; } >"$work/config/corvane_kestor/corvane_kestor.ini"
  cp "$work/config/corvane_kestor/corvane_kestor.ini" "$work/win/corvane_kestor.ini"
}
# both NAME DATA ARGS...: one full-screen run of each program on the virtual clock.
both() {
  local name=$1 folder=$2
  shift 2
  mkdir -p "$out/$name/linux" "$out/$name/windows"
  env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen XDG_CONFIG_HOME="$work/config" \
    "$linux" /s --data-dir "$folder" --size ${W}x$H --step-ms 50 --capture "$out/$name/linux" "$@" >"$LOG" 2>&1 ||
    fail "the Linux run $name ended with $?"
  # A Wine desktop of the same size: the saver's screen is that desktop.
  "$wine" explorer "/desktop=kestor-$name,${W}x$H" "$work/win/corvane_kestor.scr" /s --data-dir "$(winpath "$folder")" \
    --step-ms 50 --capture "$(winpath "$out/$name/windows")" "$@" >"$LOG" 2>&1 || fail "the Windows run $name ended with $?"
}
# same NAME FRAME [SHARE]: the frame of both runs matches.
failures=0
same() {
  local name=$1 f
  f=$(printf 'frame-%05d.png' "$2")
  [ -f "$out/$1/linux/$f" ] || fail "no Linux frame $2 of $1"
  [ -f "$out/$1/windows/$f" ] || fail "no Windows frame $2 of $1"
  if ! python3 "$here/win32/pictures.py" compare "$out/$1/linux/$f" "$out/$1/windows/$f" "$out/$1/diff-$f" ${3:-0.005} |
      sed "s/^/$1 /"; then
    failures=$((failures + 1))
  fi
}

settings mode=0 text_out=2
both display "$data" --frames 230 --capture-at 1,60,120,150,200,215,230 --key 121:b --key 201:s
same display 1 0.01
same display 60 0.01
for f in 120 150 200 215 230; do same display $f; done

settings mode=1 text_out=2
both driving "$data" --frames 1400 --capture-at 120,300,500,1000,1300,1400
for f in 120 300 500 1000 1300 1400; do same driving $f; done

settings mode=0 text_out=1 column=3 font_color=8388736
both overlay "$data" --frames 260 --capture-at 130,170,199,260
for f in 130 170 199 260; do same overlay $f; done

mkdir -p "$work/partial"
for f in "$data"/*; do ln -s "$f" "$work/partial/"; done
rm "$work/partial/crmd_44"
settings mode=0 text_out=2
both notice "$work/partial" --frames 120 --capture-at 2,60,120
for f in 2 60 120; do same notice $f; done

[ $failures -eq 0 ] || fail "$failures pictures differ between the two builds (see $out)"
echo "e2e_crosstarget_wine: all passed"
