#!/bin/bash
# mivo.exe builds its keyboard from a file with Japanese key names, a nested file and a
# tabbed container, sits at the bottom of the screen, and draws its keys.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin keyboard xdotool convert

[ -f "$E2E_BIN/mivo.exe" ] || e2e_fail "$E2E_BIN/mivo.exe is missing"
work="$E2E_TMP/work"
mkdir -p "$work"
sjis() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }

printf 'FrameWidth = 2\r\n' >"$work/settings.txt"
# The program does not start without the core operation dictionary; an empty one will do.
mkdir -p "$work/PredCore"
: >"$work/PredCore/Name"
: >"$work/PredCore/Macro"
{
  printf '# keys of the e2e run: orange keys on a dark panel\n'
  printf 'color(1){normal=303030 fnormal=000000}\n'
  printf 'color(2){normal=ff8000 focus=00ff00 fnormal=ffffff tnormal=000000}\n'
  printf 'key(1){type=1 cx=100000 cy=100000 colorset=1}\n'
  printf 'key(2){parent=1 x=100 y=500 cx=12000 cy=40000 colorset=2 name="%s"}\n' "$(sjis 'あ')"
  printf 'key(3){parent=1 x=1500 y=500 cx=12000 cy=40000 colorset=2 name="%s"}\n' "$(sjis '漢字')"
  printf 'key(4){parent=1 x=2900 y=500 cx=12000 cy=40000 colorset=2 name="%s"}\n' "$(sjis '表示')"
  printf 'load(100){file="more.cfg"}\n'
  printf 'home(1) start(2)\n'
} >"$work/mivo_key.cfg"
{
  # Back to base 0, so that the container can sit on the panel (key 1) of the outer file.
  printf 'base(0)\n'
  printf 'key(101){type=7 parent=1 x=4500 y=500 cx=40000 cy=90000 colorset=2}\n'
  printf 'key(102){type=5 parent=101 colorset=2 name="%s"}\n' "$(sjis 'かな')"
  printf 'key(103){type=5 parent=101 colorset=2 name="%s"}\n' "$(sjis '記号')"
  printf 'key(104){parent=102 x=500 y=500 cx=10000 cy=30000 colorset=2 name="%s"}\n' "$(sjis 'ア')"
} >"$work/more.cfg"

e2e_wine_bg "$work" "$E2E_ARTIFACTS/keyboard.out" "$E2E_BIN/mivo.exe"
pid=$E2E_LAST_PID
if ! e2e_keys wait-window MivoMain "Mivo::Keyboard" 20000; then
  e2e_screenshot no-window >/dev/null
  e2e_fail "no MivoMain window"
fi
sleep 2
kill -0 "$pid" 2>/dev/null || e2e_fail "mivo.exe ended by itself (keyboard file refused?)"
shot="$(e2e_screenshot running)" || e2e_fail "no screenshot"
cp "$shot" "$E2E_ARTIFACTS/keyboard.png"
e2e_log "screenshot $E2E_ARTIFACTS/keyboard.png"

# The main window sits in the lower half and reaches the bottom edge of the 1024 x 768
# screen (how exactly it docks there is the docking's business).
geometry="$(xdotool search --name 'Mivo::Keyboard' getwindowgeometry 2>/dev/null | head -3)"
e2e_log "$geometry"
y=$(echo "$geometry" | sed -n 's/.*Position: [0-9-]*,\([0-9-]*\).*/\1/p' | head -1)
h=$(echo "$geometry" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p' | head -1)
[ -n "$y" ] && [ -n "$h" ] || e2e_fail "no geometry for the main window"
bottom=$((y + h))
[ "$bottom" -ge 760 ] || e2e_fail "main window bottom at $bottom, above the screen's bottom"
[ "$y" -gt 384 ] || e2e_fail "main window top at $y: not in the lower half"

# The orange keys are drawn in the lower part of the screen, and nothing orange above.
orange_below=$(convert "$shot" -crop "1024x$h+0+$y" +repage -fill black +opaque '#ff8000' -fill white -opaque '#ff8000' -format '%[fx:int(mean*w*h)]' info:)
orange_above=$(convert "$shot" -crop "1024x$y+0+0" +repage -fill black +opaque '#ff8000' -fill white -opaque '#ff8000' -format '%[fx:int(mean*w*h)]' info:)
e2e_log "orange pixels: $orange_below in the keyboard, $orange_above above it"
[ "$orange_below" -gt 2000 ] || e2e_fail "the keys are not drawn ($orange_below orange pixels)"
[ "$orange_above" -lt 50 ] || e2e_fail "key colour outside the keyboard ($orange_above pixels)"

e2e_keys chord 16 17 18 || e2e_fail "driver failed"
e2e_wait_exit "$pid" 8 || e2e_fail "mivo.exe still runs 8 s after the chord"
[ "$E2E_RC" = 0 ] || e2e_fail "exit code $E2E_RC, expected 0"
e2e_pass
