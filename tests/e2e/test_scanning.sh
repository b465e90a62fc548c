#!/bin/bash
# Switch scanning end to end: the real mivo.exe with the default keyboard of data/,
# the switch on F9 and the pointer choosing the keys, typing into the target program.
# Proves: letters typed, a latched Shift giving a capital, a DirectPhrase key giving the
# double-byte values of Japanese text and another the single bytes of half-width
# katakana, a locked arrow key repeating until the switch is used again, the target
# keeping the foreground after clicks on the keyboard, the keyboard at the bottom edge,
# the guarded quit key; keeps screenshots of the keyboard.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin scanning xdotool convert awk xxd

[ -f "$E2E_BIN/mivo.exe" ] || e2e_fail "$E2E_BIN/mivo.exe is missing"
e2e_default_folder
F9=120
log="$E2E_TMP/target.log"
sjis() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }
# Key texts are given in UTF-8: wine hands them to the driver as CP932, as the keys store them.
key() { e2e_keys move-key "$1" || e2e_fail "no key $1 on the keyboard"; }
switch() { e2e_keys press "$F9" 60 sleep "${1:-400}" || e2e_fail "driver failed"; }
select_key() {
  key "$1"
  switch "${2:-400}"
}
lines() { grep -c "^$1" "$log" 2>/dev/null || true; }
# The いいえ key of this copy types half-width katakana: パイプ。 as ﾊﾟｲﾌﾟ｡, whose bytes
# run from the first (0xA1) to the last (0xDF) of that range.
LC_ALL=C sed -i "s/DirectPhrase($(sjis いいえ))/DirectPhrase($(sjis ﾊﾟｲﾌﾟ｡))/" "$work/mivo_key.cfg"
LC_ALL=C grep -q "DirectPhrase($(sjis ﾊﾟｲﾌﾟ｡))" "$work/mivo_key.cfg" || e2e_fail "no いいえ key to change"

e2e_start_target scanning "$log"

e2e_wine_bg "$work" "$E2E_ARTIFACTS/scanning-mivo.out" "$E2E_BIN/mivo.exe"
mivo=$E2E_LAST_PID
e2e_keys wait-window MivoMain "Mivo::Keyboard" 20000 || {
  e2e_screenshot no-window >/dev/null
  e2e_fail "no MivoMain window"
}
sleep 2
kill -0 "$mivo" 2>/dev/null || e2e_fail "mivo.exe ended by itself"
shot="$(e2e_screenshot kana)" || e2e_fail "no screenshot"
e2e_log "screenshot $shot"

# ---- where the keyboard sits: docked along the bottom edge of the 1024 x 768 screen.
geometry="$(xdotool search --name 'Mivo::Keyboard' getwindowgeometry 2>/dev/null | head -3)"
y=$(echo "$geometry" | sed -n 's/.*Position: [0-9-]*,\([0-9-]*\).*/\1/p' | head -1)
h=$(echo "$geometry" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p' | head -1)
[ -n "$y" ] && [ -n "$h" ] || e2e_fail "no geometry for the main window"
e2e_log "main window at y $y, height $h"
if [ $((y + h)) = 768 ]; then
  e2e_log "docked: the window ends at the screen's bottom edge"
else
  e2e_fail "window bottom at $((y + h)), not at the screen's bottom edge (768)"
fi

fg="$(e2e_keys foreground | tr -d '\r')"
[ "$fg" = MivoTestTarget ] || e2e_fail "foreground after start is $fg, not the target"

# ---- focus and selection colours: the key under the pointer takes the focus colours
# (yellow), and while the switch is held the selected ones (red).
key "か"
sleep 0.5
e2e_screenshot focus >/dev/null
e2e_keys down "$F9" sleep 300
e2e_screenshot select >/dev/null
e2e_keys up "$F9" sleep 400
colour_count() {
  convert "$E2E_ARTIFACTS/scanning-$1.png" -crop "1024x$h+0+$y" +repage -fill black \
    +opaque "$2" -fill white -opaque "$2" -format '%[fx:int(mean*w*h)]' info:
}
yellow=$(colour_count focus '#ffff00')
red=$(colour_count select '#ff0000')
e2e_log "focus colour: $yellow yellow pixels; selected colour: $red red pixels"
[ "$yellow" -gt 200 ] || e2e_fail "no focused key drawn in yellow"
[ "$red" -gt 200 ] || e2e_fail "no selected key drawn in red"

# ---- the Latin page: letters, and a latched Shift giving a capital.
select_key "英数" 800
shot="$(e2e_screenshot latin)" && e2e_log "screenshot $shot"
select_key H
select_key I
select_key Shift
select_key A
sleep 0.5
chars="$(awk -F'\t' '$1 == "WM_CHAR" { printf "%s ", $2 }' "$log")"
e2e_log "WM_CHAR received: $chars"
[ "$chars" = "68 69 41 " ] || e2e_fail "expected h i A (68 69 41), got: $chars"
grep -q $'^WM_KEYDOWN\t10\t' "$log" || e2e_fail "Shift was never pressed"

# ---- a click on a key with the mouse: the key is chosen and the target keeps the
# foreground.
e2e_keys move-key B || e2e_fail "no key B"
pos="$(e2e_keys cursor | tr -d '\r')"
e2e_keys click $pos sleep 500 || e2e_fail "driver failed"
fg="$(e2e_keys foreground | tr -d '\r')"
[ "$fg" = MivoTestTarget ] || e2e_fail "foreground after a click on the keyboard is $fg"
grep -q $'^WM_CHAR\t62\t' "$log" || e2e_fail "the clicked key B typed nothing"

# ---- the time from the switch release to the first key event at the target (the
# driver watches the target's log for the key's WM_KEYDOWN), three times.
: >"$E2E_ARTIFACTS/scanning-latency.txt"
for letter in C D E; do
  vk=$(printf '%x' "'$letter")
  key "$letter"
  ms="$(e2e_keys latency "$F9" "$(e2e_winpath "$log")" $'WM_KEYDOWN\t'"$vk"$'\t' 3000)" ||
    e2e_fail "no WM_KEYDOWN of $letter after the switch"
  ms="${ms%$'\r'}"
  e2e_log "switch release to WM_KEYDOWN $letter at the target: $ms ms"
  echo "$letter $ms" >>"$E2E_ARTIFACTS/scanning-latency.txt"
  sleep 0.3
done

# ---- DirectPhrase keys: the double-byte values of the text as WM_IME_CHAR, then the
# half-width bytes one by one.
select_key "機能" 800
shot="$(e2e_screenshot function)" && e2e_log "screenshot $shot"
select_key "ありがとう" 800
select_key "いいえ" 800
want="$(sjis 'ありがとうございます。' | xxd -p | tr -d '\n' | sed 's/\(....\)/\1 /g; s/ $//')"
want="$want $(sjis 'ﾊﾟｲﾌﾟ｡' | xxd -p | sed 's/\(..\)/\1 /g; s/ $//')"
got="$(awk -F'\t' '$1 == "WM_IME_CHAR" { printf "%s ", $2 }' "$log" | sed 's/ $//')"
e2e_log "WM_IME_CHAR received: $got"
[ "$got" = "$want" ] || e2e_fail "expected WM_IME_CHAR $want"

# ---- a locked arrow key repeats until the switch is used on it again.
select_key "↓" 100
sleep 3
during=$(grep -c $'^WM_KEYDOWN\t28\t' "$log")
select_key "↓" 300
after=$(grep -c $'^WM_KEYDOWN\t28\t' "$log")
sleep 1.5
later=$(grep -c $'^WM_KEYDOWN\t28\t' "$log")
e2e_log "Down pressed $during times in 3 s of lock, $after when it ended, $later later"
[ "$during" -ge 3 ] || e2e_fail "the lock pressed Down only $during times in 3 s"
[ "$later" = "$after" ] || e2e_fail "Down still repeats after the lock ended"

# ---- the mouse page.
select_key "マウス" 800
shot="$(e2e_screenshot mouse)" && e2e_log "screenshot $shot"
select_key "かな" 800
e2e_screenshot kana-again >/dev/null

# ---- the guarded quit: the group's first key goes back, its second quits.
select_key "機能" 800
select_key "戻る" 800
kill -0 "$mivo" 2>/dev/null || e2e_fail "the back key of the quit group ended the program"
select_key "終了" 200
e2e_wait_exit "$mivo" 10 || e2e_fail "mivo.exe still runs after its quit key"
[ "$E2E_RC" = 0 ] || e2e_fail "exit code $E2E_RC after the quit key, expected 0"
e2e_keys close MivoTestTarget Target
sleep 0.5
e2e_pass
