#!/bin/bash
# `make run`: starts build/win32/mivo.exe under Wine with data/ as its working
# folder, in a Wine prefix set up like the e2e runs (CP932 locale, Japanese fonts).
# With $DISPLAY set it runs there until the program ends (Shift+Ctrl+Alt quits).
# Without a display it runs on a private Xvfb, takes a screenshot after a few
# seconds into build/artifacts/run/, prints its path, ends the program with the
# chord and cleans up.
#   MIVO_WIN32_DIR   folder of the .exe files (default build/win32)
#   MIVO_RUN_SECONDS seconds before the screenshot without a display (default 5)
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
[ -f "$E2E_BIN/win_keys.exe" ] || e2e_fail "$E2E_BIN/win_keys.exe is missing"
e2e_wine_bg "$E2E_ROOT/data" "$E2E_ARTIFACTS/mivo.out" "$exe"
mivo=$E2E_LAST_PID
e2e_keys wait-window MivoMain "Mivo::Keyboard" 20000 || e2e_log "no MivoMain window appeared"
sleep "${MIVO_RUN_SECONDS:-5}"
shot="$(e2e_screenshot "$(date +%Y%m%d-%H%M%S)")" || e2e_fail "screenshot failed"
echo "$shot"
if kill -0 "$mivo" 2>/dev/null; then
  e2e_keys chord 16 17 18
  e2e_wait_exit "$mivo" 10 || { e2e_log "mivo.exe did not end after the chord"; exit 1; }
else
  e2e_wait_exit "$mivo" 1
fi
e2e_log "mivo.exe ended with exit code $E2E_RC"
[ "$E2E_RC" = 0 ]
