#!/bin/bash
# Writing a sentence with the program's own dictionaries alone, as under Wine the input
# method gives no candidates: the real mivo.exe with the default data/ (both conversion
# dictionaries filled from the seeds at the first start) and the switch. 頭 is offered
# after あた; が, で and す are next-word predictions of the phrase seed, offered after 頭,
# 痛い and で with no reading typed; 痛い is an inflected word of the word seed, offered
# after いたい. The target must receive 頭が痛いです。 as its exact WM_IME_CHAR sequence.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin writing xdotool awk iconv xxd

[ -f "$E2E_BIN/mivo.exe" ] || e2e_fail "$E2E_BIN/mivo.exe is missing"
[ -f "$E2E_ROOT/data/word" ] && [ -f "$E2E_ROOT/data/phrase" ] ||
  e2e_fail "data/word or data/phrase is missing (make seed)"
e2e_default_folder
F9=120
log="$E2E_TMP/target.log"
sjis() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }
switch() { e2e_keys press "$F9" 60 sleep "${1:-500}" || e2e_fail "driver failed"; }
select_key() {
  e2e_keys move-key "$1" || e2e_fail "no key $1 on the keyboard"
  switch "${2:-500}"
}
# The candidate NAME, chosen once the search after the last selection has shown it.
take() {
  sleep 1
  e2e_candidate "$1"
  e2e_log "screenshot $(e2e_screenshot "$2")"
  switch 800
}
e2e_start_target writing "$log"
start=$(date +%s%N)
e2e_wine_bg "$work" "$E2E_ARTIFACTS/writing-mivo.out" "$E2E_BIN/mivo.exe"
mivo=$E2E_LAST_PID
e2e_keys wait-window MivoMain "Mivo::Keyboard" 20000 || e2e_fail "no MivoMain window"
e2e_log "first start to the main window, the dictionaries filled from the seeds:" \
  "$((($(date +%s%N) - start) / 1000000)) ms"
sleep 2
e2e_wait_foreground MivoTestTarget || e2e_fail "the target does not have the foreground"
for f in word phrase; do
  [ -s "$work/Trans/$f" ] || e2e_fail "Trans/$f was not filled from the seed"
  e2e_log "Trans/$f: $(wc -l <"$work/Trans/$f") lines"
done

for kana in あ た; do select_key "$kana"; done
take "頭" word
take "が" predicted
for kana in い た い; do select_key "$kana"; done
take "痛い" inflected
take "で" predicted-de
take "す" predicted-su
select_key "。"
take "。" period

want="$(sjis '頭が痛いです。' | xxd -p | tr -d '\n' | sed 's/\(....\)/\1 /g; s/ $//')"
got="$(awk -F'\t' '$1 == "WM_IME_CHAR" { printf "%s ", $2 }' "$log" | sed 's/ $//')"
e2e_log "WM_IME_CHAR received: $got"
[ "$got" = "$want" ] || e2e_fail "expected WM_IME_CHAR $want"

e2e_keys chord 16 17 18
e2e_wait_exit "$mivo" 10 || e2e_fail "mivo.exe did not end after the chord"
[ "$E2E_RC" = 0 ] || e2e_fail "mivo.exe ended with exit code $E2E_RC"
e2e_pass
