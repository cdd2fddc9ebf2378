# The damaged-data cases of both targets (sourced by damage_headless.sh and damage_wine.sh).
# The sourcing script sets: work (a scratch folder), data (the intact data folder), here (this
# folder), ini and debuglog (the settings file and the debug log of the program under test),
# LOG (the program's output), and defines run_saver CAPTURE_FOLDER, one run of 105 frames on the
# virtual clock with frames 1 and 105 captured there, that returns the program's exit code.

# damaged FILE KIND: $work/data holds links to the real files, FILE replaced by a damaged copy.
damaged() {
  rm -rf "$work/data"
  mkdir "$work/data"
  for f in "$data"/*; do ln -s "$f" "$work/data/"; done
  rm "$work/data/$1"
  python3 "$here/damage.py" "$2" "$data/$1" "$work/data/$1" || fail "damage.py $2 $1"
}

# expect NAME FILE KIND MODE OUTCOME [TEXT]: one run of 105 frames (the title ends after frame 100)
# in MODE (0 display, 1 driving) with FILE damaged. OUTCOME "ends": the run stops before its first
# frame and the program ends with exit code 1 (a run that had to stop is no success); "goes-on":
# every frame is drawn and the exit code is 0. TEXT (UTF-8) must be in the debug log.
expect() {
  local name=$1 file=$2 kind=$3 mode=$4 outcome=$5 text=${6:-}
  damaged "$file" "$kind"
  rm -f "$ini" "$debuglog"
  mkdir -p "$(dirname "$ini")"
  local overlay=2
  [ "$file" = kestor.txt ] && overlay=1
  printf '[Settings]\r\nmode=%s\r\ntext_out=%s\r\nfx=1000\r\nfy=-6600\r\nfz=-13800\r\n' "$mode" $overlay >"$ini"
  cp "$ini" "$work/ini-before"
  local cap=$work/cap/$name
  mkdir -p "$cap"
  set +e
  run_saver "$cap" >"$LOG" 2>&1
  local code=$?
  set -e
  local want=0
  [ "$outcome" = ends ] && want=1
  [ $code -eq $want ] || fail "$name: exit code $code, not $want"
  if [ -n "$text" ]; then
    [ -f "$debuglog" ] || fail "$name: no debug log"
    # Converted whole first: grep -q leaving a pipe early would fail the pipeline (pipefail).
    iconv -f CP932 -t UTF-8 "$debuglog" >"$work/debuglog.utf8" || fail "$name: the debug log is no Shift-JIS"
    grep -qF -- "$text" "$work/debuglog.utf8" || {
      tail -5 "$work/debuglog.utf8" >&2
      fail "$name: '$text' not in the debug log"
    }
  fi
  case $outcome in
    ends) [ ! -e "$cap/frame-00001.png" ] || fail "$name: the run went on after the damaged file" ;;
    goes-on) [ -f "$cap/frame-00105.png" ] || fail "$name: the run did not reach its last frame" ;;
  esac
  cmp -s "$ini" "$work/ini-before" || fail "$name: the settings file changed: $(cat "$ini")"
  echo "ok $name"
}

read_error='ZIRer: ストリームからの読み込み中にエラーが発生しました'
invalid='ZIRer: 不正なSXファイルです'
bmp_read='からの、読み込みエラー(Error Code = UNKNOWN ERROR ... $00000001)'
bmp_cut='LoadBMP中に、読み込みエラーが発生しました'

# --- Meshes: the body (loaded first in both modes), the last one loaded, a driving-mode scenery mesh.
expect mesh-truncated crmd_2 truncate 0 ends "$read_error"
expect mesh-header-only crmd_2 header-only 0 ends "$read_error"
expect mesh-magic crmd_2 magic 0 ends "$invalid"
expect mesh-zero crmd_2 zero 0 ends "$invalid"
expect mesh-counts crmd_2 mesh-counts 0 ends "$read_error"
expect mesh-stride crmd_2 mesh-stride 0 ends "$read_error"
expect mesh-index crmd_2 mesh-index 0 ends "$invalid"
expect mesh-no-vertices crmd_2 mesh-novert 0 ends "$invalid"
expect mesh-no-indices crmd_2 mesh-noindex 0 ends "$invalid"
expect mesh-last-zero crmd_25 zero 0 ends "$invalid"
expect mesh-driving-truncated crmd_42 truncate 1 ends "$read_error"

# --- Bitmaps: the car's texture, the title image, a driving-mode billboard. One cut short keeps
# the rows it holds and the run goes on; absurd sizes and a file without headers end it.
expect bmp-truncated crmd_10 truncate 0 goes-on "$bmp_cut"
expect bmp-zero crmd_10 zero 0 ends "crmd_10$bmp_read"
expect bmp-size crmd_10 bmp-size 0 ends "crmd_10$bmp_read"
expect bmp-not-bm-size crmd_10 bmp-notbm-size 0 ends "crmd_10$bmp_read"
expect bmp-depth crmd_10 bmp-depth 0 ends '色数が8ビット～32ビットの範囲のビットマップを、LoadBMPには指定してください'
expect bmp-magic crmd_10 magic 0 goes-on '不正なBMPファイルです'
check car "$work/cap/bmp-magic/frame-00105.png" 0 0 0 0.02 0.8
expect title-magic crmd_41 magic 0 goes-on '不正なBMPファイルです'
# The title (blue letters over the car) is not drawn: its texture stays cleared, transparent.
check share "$work/cap/title-magic/frame-00001.png" 0 0 255 80 0 0.001
check share "$work/cap/title-magic/frame-00001.png" 0 0 0 0 0.3 0.95
expect title-truncated crmd_41 truncate 0 goes-on "$bmp_cut"
# An 8-bit copy of the car's texture as ImageMagick writes it (a 124-byte BITMAPV5HEADER), and the
# same with its info header cut to a BITMAPV4HEADER and a BITMAPINFOHEADER: one picture, the
# colour table read after each header; cut inside the table, the texture stays as cleared.
expect bmp8-v3 crmd_10 bmp8-v3 0 goes-on
expect bmp8-v4 crmd_10 bmp8-v4 0 goes-on
expect bmp8-v5 crmd_10 bmp8-v5 0 goes-on
check same "$work/cap/bmp8-v3/frame-00105.png" "$work/cap/bmp8-v4/frame-00105.png"
check same "$work/cap/bmp8-v3/frame-00105.png" "$work/cap/bmp8-v5/frame-00105.png"
check differ "$work/cap/bmp8-v3/frame-00105.png" "$work/cap/bmp-magic/frame-00105.png" 0.002
expect bmp8-cut-table crmd_10 bmp8-cut-table 0 goes-on "$bmp_cut"
check same "$work/cap/bmp8-cut-table/frame-00105.png" "$work/cap/bmp-magic/frame-00105.png"
expect billboard-magic crmd_39 magic 1 goes-on '不正なBMPファイルです'
expect billboard-zero crmd_39 zero 1 ends "crmd_39$bmp_read"

# --- The data sheet (kestor.txt): nothing to show or odd bytes are no error; a line wider than any
# texture fails the text texture's creation, which the halt switch ends.
expect text-zero kestor.txt zero 0 goes-on
expect text-binary kestor.txt text-binary 0 goes-on
expect text-lines kestor.txt text-lines 1 goes-on
expect text-wide kestor.txt text-wide 0 ends 'テクスチャの生成に失敗しました'
