#!/bin/bash
# Operation prediction end to end: the real mivo.exe with the default keyboard of data/
# learns the operations done on the target program into the target's own dictionary
# folder, offers them as candidate keys after a restart, and a candidate chosen with the
# switch performs its operation on the target. Keeps screenshots of the panel.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin prediction convert xdotool awk

[ -f "$E2E_BIN/mivo.exe" ] || e2e_fail "$E2E_BIN/mivo.exe is missing"
e2e_default_folder
F9=120
log="$E2E_TMP/target.log"
sjis() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }
switch() { e2e_keys press "$F9" 60 sleep "${1:-500}" || e2e_fail "driver failed"; }
select_key() {
  e2e_keys move-key "$1" || e2e_fail "no key $1 on the keyboard"
  switch
}

start_mivo() {
  e2e_wine_bg "$work" "$E2E_ARTIFACTS/prediction-mivo-$1.out" "$E2E_BIN/mivo.exe"
  mivo=$E2E_LAST_PID
  e2e_keys wait-window MivoMain "Mivo::Keyboard" 20000 || e2e_fail "no MivoMain window"
  sleep 2
  kill -0 "$mivo" 2>/dev/null || e2e_fail "mivo.exe ended by itself"
  e2e_wait_foreground MivoTestTarget || e2e_fail "the target does not have the foreground"
}

stop_mivo() {
  e2e_keys chord 16 17 18
  e2e_wait_exit "$mivo" 10 || e2e_fail "mivo.exe did not end after the chord"
  [ "$E2E_RC" = 0 ] || e2e_fail "mivo.exe ended with exit code $E2E_RC"
}

e2e_start_target prediction "$log"

# ---- first run: the shipped operations are offered; End then Home are done on the target.
start_mivo first
e2e_log "screenshot $(e2e_screenshot shipped)"
e2e_candidate "改行"
select_key "行末"
select_key "行頭"
stop_mivo
history="$work/Target/history"
[ -f "$history" ] || e2e_fail "nothing was learned into Target/history"
e2e_log "Target/history: $(iconv -f CP932 -t UTF-8 "$history" | tr '\t\r\n' '>| ')"
grep -qaF "$(printf 'End_\tHome\t')$(sjis 行頭)" "$history" ||
  e2e_fail "Home after End is not in Target/history"
grep -q $'\tAppChk\tMivoTestTarget' "$work/LogFile.txt" || e2e_fail "the target was never noticed"
grep -q $'\tLoadDicFinish\tTarget' "$work/LogFile.txt" || e2e_fail "Target was never loaded"

# ---- second run: after End, the learned Home is offered first; choosing it with the
# switch presses Home on the target.
start_mivo second
select_key "行末"
sleep 1
e2e_log "screenshot $(e2e_screenshot learned)"
e2e_candidate "行頭"
homes_before=$(grep -c $'^WM_KEYDOWN\t24\t' "$log")
switch 800
homes_after=$(grep -c $'^WM_KEYDOWN\t24\t' "$log")
[ "$homes_after" -gt "$homes_before" ] || e2e_fail "choosing the candidate pressed no Home"
e2e_log "the candidate pressed Home on the target ($homes_before -> $homes_after)"
stop_mivo
e2e_pass
