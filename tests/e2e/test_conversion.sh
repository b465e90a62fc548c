#!/bin/bash
# Kana-kanji conversion end to end: the real mivo.exe with the default data/ (its word
# dictionary filled from the seed at the first start) shows candidates for a reading
# typed with the switch, though the input method gives none under Wine, and does not
# crash asking it; a chosen candidate reaches the target as its double-byte characters;
# the word registration dialog opens beside the keyboard, takes a word and its reading
# typed with the switch, registers them and closes, giving the foreground back. Keeps
# screenshots of the candidate row and of the dialog.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin conversion xdotool awk iconv

[ -f "$E2E_BIN/mivo.exe" ] || e2e_fail "$E2E_BIN/mivo.exe is missing"
[ -f "$E2E_ROOT/data/word" ] || e2e_fail "data/word is missing (make seed)"
e2e_default_folder
F9=120
log="$E2E_TMP/target.log"
switch() { e2e_keys press "$F9" 60 sleep "${1:-500}" || e2e_fail "driver failed"; }
select_key() {
  e2e_keys move-key "$1" || e2e_fail "no key $1 on the keyboard"
  switch "${2:-500}"
}
e2e_start_target conversion "$log"
e2e_wine_bg "$work" "$E2E_ARTIFACTS/conversion-mivo.out" "$E2E_BIN/mivo.exe"
mivo=$E2E_LAST_PID
e2e_keys wait-window MivoMain "Mivo::Keyboard" 20000 || e2e_fail "no MivoMain window"
sleep 2
e2e_wait_foreground MivoTestTarget || e2e_fail "the target does not have the foreground"
[ -f "$work/Trans/word" ] || e2e_fail "the word dictionary was not filled from the seed"
e2e_log "Trans/word: $(wc -l <"$work/Trans/word") lines"

# ---- かんじ with the switch; 漢字 is offered from the seed and typed into the target.
for kana in か ん じ; do select_key "$kana"; done
sleep 1
kill -0 "$mivo" 2>/dev/null || e2e_fail "mivo.exe ended while searching candidates"
e2e_log "screenshot $(e2e_screenshot candidates)"
e2e_candidate "漢字"
switch 800
grep -q $'^WM_IME_CHAR\t8abf\t' "$log" && grep -q $'^WM_IME_CHAR\t8e9a\t' "$log" ||
  e2e_fail "the target did not receive 漢字 as WM_IME_CHAR"
e2e_log "the target received 漢字"

# ---- the word registration dialog opens beside the keyboard; お茶 and its reading おちゃ
# are typed into its two fields with the switch (a kana and a kanji candidate, a click on
# the reading field, a kana candidate) and registered; it closes again. The click and not
# the Tab key: Wine leaves no window in the foreground once the first character is typed
# (the input detached from the target's thread takes the foreground with it), and the
# key events of a Tab key would reach no window.
select_key "機能" 800
select_key "単語登録" 800
e2e_keys wait-window "#32770" "単語登録" 5000 || e2e_fail "the word registration dialog did not open"
e2e_log "screenshot $(e2e_screenshot dialog)"
select_key "かな" 800
select_key "お"
sleep 1
e2e_candidate "お"
switch 800
e2e_log "foreground after お typed into the dialog: $(e2e_keys foreground | tr -d '\r')"
for kana in ち ゃ; do select_key "$kana"; done
sleep 1
e2e_candidate "茶"
switch 800
e2e_keys click-item "#32770" "単語登録" 1002 || e2e_fail "no reading field"
for kana in お ち ゃ; do select_key "$kana"; done
sleep 1
e2e_candidate "おちゃ"
switch 800
e2e_log "screenshot $(e2e_screenshot dialog-typed)"
e2e_keys click-item "#32770" "単語登録" 1003 || e2e_fail "no register button"
sleep 0.5
e2e_keys click-item "#32770" "単語登録" 1004 || e2e_fail "no close button"
e2e_keys wait-gone "#32770" "単語登録" 5000 || e2e_fail "the dialog did not close"
e2e_wait_foreground MivoTestTarget || e2e_fail "the foreground did not come back to the target"

e2e_keys chord 16 17 18
e2e_wait_exit "$mivo" 10 || e2e_fail "mivo.exe did not end after the chord"
[ "$E2E_RC" = 0 ] || e2e_fail "mivo.exe ended with exit code $E2E_RC"
# The choice is learned as a phrase (no context before it) at shutdown.
grep -qa "$(printf '\t\x8a\xbf\x8e\x9a\t\x83\x4a\x83\x93\x83\x57')" "$work/Trans/phrase" ||
  e2e_fail "漢字 was not learned into Trans/phrase"
# The registered word, its reading in katakana, is a record of the word dictionary.
record="$(printf 'お茶\tオチャ\r' | iconv -f UTF-8 -t CP932)"
LC_ALL=C grep -qaxF "$record" "$work/Trans/word" || e2e_fail "お茶 TAB オチャ is not in Trans/word"
e2e_pass
