#!/bin/bash
# The platform contract (tests/contract) on the win32 backend under Wine: the same
# cases that contract_tests runs on the headless desktop.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin platform

exe="$E2E_BIN/win_platform_contract.exe"
[ -f "$exe" ] || e2e_fail "win_platform_contract.exe is missing"
work="$E2E_TMP/work"
mkdir -p "$work"
out="$E2E_ARTIFACTS/platform-contract.out"
(cd "$work" && wine "$exe") >"$out" 2>&1
rc=$?
cat "$out" >&2
summary="$(tr -d "\r" <"$out" | grep -E '^[0-9]+ passed, [0-9]+ failed$')" || e2e_fail "the runner did not finish"
case "$summary" in
  0\ passed*) e2e_fail "no cases ran" ;;
  *", 0 failed") ;;
  *) e2e_fail "$summary" ;;
esac
[ "$rc" = 0 ] || e2e_fail "exit code $rc"
e2e_pass
