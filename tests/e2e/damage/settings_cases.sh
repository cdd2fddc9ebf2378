# The bad-settings cases both targets share (sourced by settings_headless.sh and settings_wine.sh).
# The sourcing script sets: work, ini (the settings file of the program under test), LOG, and
# defines run_saver CAPTURE_FOLDER [OPTIONS...] (one full-screen run of 105 frames on the virtual
# clock with frame 105 captured there, returning the program's exit code) and own_settings (gives
# the settings folder to the user the program runs as).

# settings LINE...: a settings file of these lines (UTF-8 here, Shift-JIS in the file, CR LF).
settings() {
  mkdir -p "$(dirname "$ini")"
  { echo "[Settings]"; for line in "$@"; do echo "$line"; done; } | iconv -f UTF-8 -t CP932 | sed 's/$/\r/' >"$ini"
  own_settings
}
ini_value() { tr -d '\r' <"$ini" | sed -n "s/^$1=//p"; }

# runs NAME [OPTIONS...]: a run that must end normally after drawing its last frame.
runs() {
  local name=$1
  shift
  local cap=$work/cap/$name
  mkdir -p "$cap"
  set +e
  run_saver "$cap" "$@" >"$LOG" 2>&1
  local code=$?
  set -e
  [ $code -eq 0 ] || fail "$name: exit code $code"
  [ -f "$cap/frame-00105.png" ] || fail "$name: the run did not reach its last frame"
}

viewpoint=(fx=1000 fy=-6600 fz=-13800)
keys=(mode speed text_out shadow column font_name font_size font_color font_charset font_style)
# Garbage, huge, negative and empty values, and texts that look nearly like numbers.
# The last one, 300 double-byte characters, is ten times the longest font face name.
long_name=$(printf 'ゴ%.0s' $(seq 300))
values=(abc 99999999999 2147483647 -2147483648 -5 '' 0x 0xFFFFFFFF '1 2' '１２' 0x7FFFFFFFF '+' '--5' '0x-1' "$long_name")

# --- Every key but the viewpoint with each bad value: the run goes on with defaults and clamped
# values, and the file is left exactly as it was (an unmoved viewpoint is written back unchanged,
# or not at all in driving mode).
i=0
for v in "${values[@]}"; do
  lines=()
  for k in "${keys[@]}"; do lines+=("$k=$v"); done
  settings "${lines[@]}" "${viewpoint[@]}"
  cp "$ini" "$work/ini-before"
  runs "garbage-$i"
  cmp -s "$ini" "$work/ini-before" || fail "value '$v': the settings file changed: $(cat "$ini")"
  i=$((i + 1))
done
echo "ok garbage values in every key"

# --- Clamped values that change what is drawn still give a full run: the slowest pace, five
# overlay lines, the largest and smallest fonts.
for set in "speed=2147483647 text_out=0 column=99 font_size=2147483647" "speed=-5 text_out=-9 column=-5 font_size=-5" \
  "mode=-3 text_out=1 column=0 font_size=0 font_charset=-1 font_style=99"; do
  # shellcheck disable=SC2086
  settings $set "${viewpoint[@]}"
  runs clamped
done
echo "ok clamped values"

# --- A bad viewpoint key takes its default and only that key changes; the others stay.
settings mode=0 text_out=2 fx=abc fy=-6600 fz=-13800
runs viewpoint-garbage
[ "$(ini_value fx)" = 0 ] && [ "$(ini_value fy)" = -6600 ] && [ "$(ini_value fz)" = -13800 ] ||
  fail "a garbage fx: $(cat "$ini")"
settings mode=0 text_out=2 fx= fy=0x7FFFFFFFF fz=-13800
runs viewpoint-empty
[ "$(ini_value fx)" = 0 ] && [ "$(ini_value fy)" = -6000 ] && [ "$(ini_value fz)" = -13800 ] ||
  fail "an empty fx and a huge hexadecimal fy: $(cat "$ini")"
# The extremes of the range come back as the nearest keys the single-precision position holds.
settings mode=0 text_out=2 fx=2147483647 fy=-2147483648 fz=-5
runs viewpoint-extremes
fx=$(ini_value fx) fy=$(ini_value fy) fz=$(ini_value fz)
[ "$fz" = -5 ] && [ "$fx" -ge 2147483500 ] && [ "$fx" -le 2147483647 ] && [ "$fy" -le -2147483500 ] &&
  [ "$fy" -ge -2147483648 ] || fail "the extreme viewpoint: $(cat "$ini")"
# A hexadecimal key is read as its value and written back in decimal.
settings mode=0 text_out=2 fx=0x3E8 fy=-6600 fz=-13800
runs viewpoint-hex
[ "$(ini_value fx)" = 1000 ] || fail "fx=0x3E8: $(cat "$ini")"
echo "ok viewpoint keys"
