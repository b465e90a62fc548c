#!/bin/bash
# The win32 backend of the port against the real system under Wine.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin platform

[ -f "$E2E_BIN/win_platform_check.exe" ] || e2e_fail "win_platform_check.exe is missing"
work="$E2E_TMP/work"
mkdir -p "$work"
out="$E2E_ARTIFACTS/platform-check.out"
(cd "$work" && wine "$E2E_BIN/win_platform_check.exe") >"$out" 2>&1
rc=$?
cat "$out" >&2
grep -q '^ok ' "$out" || e2e_fail "no checks ran"
[ "$rc" = 0 ] || e2e_fail "$rc checks failed"
e2e_pass
