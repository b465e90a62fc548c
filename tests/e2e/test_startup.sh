#!/bin/bash
# Start-up, single instance, the emergency chord and the counter line of mivo.exe.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin startup od

[ -f "$E2E_BIN/mivo.exe" ] || e2e_fail "$E2E_BIN/mivo.exe is missing"
work="$E2E_TMP/work"
mkdir -p "$work"
# The default working folder supplies the keyboard and dictionaries; the
# settings are this test's own.
if [ -d "$E2E_ROOT/data" ]; then cp -a "$E2E_ROOT/data/." "$work/"; fi
rm -f "$work/Counter.txt" "$work/LogFile.txt"
printf 'CounterMode = True\r\n' >"$work/settings.txt"

e2e_wine_bg "$work" "$E2E_ARTIFACTS/startup-first.out" "$E2E_BIN/mivo.exe"
first=$E2E_LAST_PID
if ! e2e_keys wait-window MivoMain "Mivo::Keyboard" 20000; then
  shot="$(e2e_screenshot no-window)" && e2e_log "screenshot $shot"
  e2e_fail "no MivoMain window"
fi
sleep 1
shot="$(e2e_screenshot running)" && e2e_log "screenshot $shot"
kill -0 "$first" 2>/dev/null || e2e_fail "first copy ended by itself"

# A second copy finds the first and ends at once with -1 (255 through wine).
e2e_wine_bg "$work" "$E2E_ARTIFACTS/startup-second.out" "$E2E_BIN/mivo.exe"
second=$E2E_LAST_PID
e2e_wait_exit "$second" 5 || {
  e2e_screenshot second-hangs >/dev/null
  e2e_fail "second copy still runs after 5 s"
}
[ "$E2E_RC" = 255 ] || e2e_fail "second copy exit code $E2E_RC, expected 255 (-1)"
kill -0 "$first" 2>/dev/null || e2e_fail "first copy ended when the second started"
e2e_keys wait-window MivoMain "Mivo::Keyboard" 1000 || e2e_fail "first window is gone"

# Shift+Ctrl+Alt ends the first copy through the normal shutdown.
e2e_keys chord 16 17 18 || e2e_fail "driver failed"
e2e_wait_exit "$first" 8 || {
  e2e_screenshot chord-ignored >/dev/null
  e2e_fail "first copy still runs 8 s after the chord"
}
[ "$E2E_RC" = 0 ] || e2e_fail "first copy exit code $E2E_RC, expected 0"

# One counter line with no selections and no output, CR LF at the end.
counter="$work/Counter.txt"
[ -f "$counter" ] || e2e_fail "no Counter.txt"
cp "$counter" "$E2E_ARTIFACTS/startup-Counter.txt"
lines="$(grep -c '' "$counter")"
[ "$lines" = 1 ] || e2e_fail "Counter.txt has $lines lines"
grep -qE $'^\\[[0-9]{2}/[0-9]{2}/[0-9]{2}:[0-9]{2}:[0-9]{2}\\]\t0\t0\r$' "$counter" ||
  e2e_fail "bad counter line: $(od -c "$counter" | head -3)"
[ "$(tail -c 2 "$counter" | od -An -c | tr -d ' ')" = '\r\n' ] ||
  e2e_fail "counter line does not end in CR LF"
e2e_pass
