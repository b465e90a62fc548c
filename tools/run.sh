#!/bin/bash
# `make run`: starts build/win32/mivo.exe under Wine with data/ as its working
# folder, in a Wine prefix set up like the e2e runs (CP932 locale, Japanese fonts).
# With $DISPLAY set it runs there until the program ends (Shift+Ctrl+Alt quits).
# Without a display it runs a short demo on a private Xvfb: a copy of data/ with the
# switch on F9 and the pointer choosing keys, the e2e driver types a sample text with
# the switch into the target program, the script prints what the target received,
# writes a screenshot into build/artifacts/run/, and cleans up.
#   MIVO_WIN32_DIR   folder of the .exe files (default build/win32)
set -u
export MIVO_E2E_ARTIFACTS="$(cd "$(dirname "$0")/.." && pwd)/build/artifacts/run"
. "$(dirname "$0")/../tests/e2e/lib.sh"
E2E_NAME=run
exe="$E2E_BIN/mivo.exe"
[ -f "$exe" ] || e2e_fail "$exe is missing (run make windows)"
mkdir -p "$E2E_ARTIFACTS"
E2E_TMP="$(mktemp -d "${TMPDIR:-/tmp}/mivo-run.XXXXXX")"
trap e2e_cleanup EXIT
trap 'exit 130' INT TERM
e2e_require "${E2E_TOOLS[@]}" awk xxd
e2e_ensure_locale || e2e_fail "no $E2E_LOCALE locale"
e2e_wine_env

if [ -n "${DISPLAY:-}" ]; then
  # On the user's display: a prefix of its own that lasts between runs.
  E2E_DISPLAY="$DISPLAY"
  run_prefix="$E2E_ROOT/build/wine-prefix-run"
  if [ ! -d "$run_prefix" ]; then
    e2e_setup_prefix || e2e_fail "Wine prefix setup failed"
    mv "$WINEPREFIX" "$run_prefix"
  fi
  export WINEPREFIX="$run_prefix"
  e2e_log "starting $exe in $E2E_ROOT/data on $DISPLAY (Shift+Ctrl+Alt quits)"
  cd "$E2E_ROOT/data" && wine "$exe"
  rc=$?
  e2e_log "mivo.exe ended with exit code $rc"
  exit "$rc"
fi

e2e_start_xvfb || e2e_fail "Xvfb did not start"
e2e_setup_prefix || e2e_fail "Wine prefix setup failed"
for helper in win_keys.exe win_target.exe; do
  [ -f "$E2E_BIN/$helper" ] || e2e_fail "$E2E_BIN/$helper is missing"
done
work="$E2E_TMP/work"
mkdir -p "$work"
cp -a "$E2E_ROOT/data/." "$work/"
sed -i -e 's/^PressKey = NonConvert/PressKey = F9/' -e 's/^TimerFlag = True/TimerFlag = False/' \
  "$work/settings.txt"
log="$E2E_TMP/target.log"
e2e_wine_bg "$E2E_TMP" "$E2E_ARTIFACTS/target.out" "$E2E_BIN/win_target.exe" "$(e2e_winpath "$log")"
e2e_keys wait-window MivoTestTarget Target 20000 || e2e_fail "the target program did not start"
e2e_wine_bg "$work" "$E2E_ARTIFACTS/mivo.out" "$exe"
mivo=$E2E_LAST_PID
e2e_keys wait-window MivoMain "Mivo::Keyboard" 20000 || e2e_fail "no MivoMain window appeared"
sleep 2
kill -0 "$mivo" 2>/dev/null || e2e_fail "mivo.exe ended by itself"

# The switch (F9) on each key in turn, the pointer choosing the key.
e2e_log "typing with the switch: Mivo, a space, and a phrase key"
for k in 英数 Shift M I V O 空白 機能 ありがとう; do
  e2e_keys move-key "$k" press 120 60 sleep 400 || e2e_fail "no key $k"
done
shot="$(e2e_screenshot "$(date +%Y%m%d-%H%M%S)")" || e2e_fail "screenshot failed"
echo "screenshot: $shot"

# What reached the target's edit control, in order: the characters of key presses
# (WM_CHAR right after a WM_KEYDOWN) and the input-method characters (WM_IME_CHAR).
text="$(awk -F'\t' '($1 == "WM_CHAR" && prev == "WM_KEYDOWN") || $1 == "WM_IME_CHAR" {
    printf "%s", (length($2) % 2 ? "0" : "") $2 } { prev = $1 }' "$log" |
  xxd -r -p | iconv -c -f CP932 -t UTF-8)"
echo "the target received: $text"
e2e_keys close MivoTestTarget Target

e2e_keys chord 16 17 18
e2e_wait_exit "$mivo" 10 || { e2e_log "mivo.exe did not end after the chord"; exit 1; }
e2e_log "mivo.exe ended with exit code $E2E_RC"
[ "$E2E_RC" = 0 ]
