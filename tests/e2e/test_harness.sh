#!/bin/bash
# The e2e setup itself: code page 932, the Japanese font substitutes, and the
# driver's key presses and clicks arriving at the target program.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin harness awk od

work="$E2E_TMP/work"
mkdir -p "$work"
log="$work/target.log"
# 日本語のテスト, passed on the command line and turned into code page bytes by Wine.
e2e_wine_bg "$work" "$E2E_ARTIFACTS/harness-target.out" "$E2E_BIN/win_target.exe" \
  "$(e2e_winpath "$log")" "日本語のテスト"
target=$E2E_LAST_PID
e2e_keys wait-window MivoTestTarget Target 20000 || e2e_fail "target window did not appear"
for i in $(seq 50); do grep -qa '^READY' "$log" 2>/dev/null && break; sleep 0.1; done
grep -qa '^READY' "$log" || e2e_fail "target did not log READY"

# Every substituted face must be a Japanese font with all three sample glyphs.
fonts="$(grep -a "^FONT" "$log" | iconv -f CP932 -t UTF-8)"
echo "$fonts" >&2
[ "$(echo "$fonts" | grep -c .)" = 5 ] || e2e_fail "expected 5 FONT lines"
echo "$fonts" | awk -F'\t' '$4 != 0 {bad=1} END {exit bad}' ||
  e2e_fail "a Japanese face lacks glyphs"
echo "$fonts" | awk -F'\t' '$3 !~ /IPA/ {bad=1} END {exit bad}' ||
  e2e_fail "a face was not substituted by an IPA font"

# Keys and a click from the driver reach the target's edit area.
e2e_keys activate MivoTestTarget Target press 35 press 65 sleep 100 click 300 150 sleep 300 ||
  e2e_fail "driver failed"
shot="$(e2e_screenshot target)" && e2e_log "screenshot $shot"
grep -qa $'^WM_KEYDOWN\t41\t' "$log" || e2e_fail "no WM_KEYDOWN for A"
grep -qa $'^WM_CHAR\t61\t' "$log" || e2e_fail "no WM_CHAR a"
grep -qa $'^WM_LBUTTONDOWN\t1\t' "$log" || e2e_fail "no WM_LBUTTONDOWN"
pos="$(e2e_keys cursor | tr -d '\r')"
[ "$pos" = "300 150" ] || e2e_fail "cursor at '$pos', expected '300 150'"

# Closing the target logs its text: the Japanese start text as CP932, then the a.
e2e_keys close MivoTestTarget Target wait-gone MivoTestTarget Target 5000 ||
  e2e_fail "target did not close"
e2e_wait_exit "$target" 10 || e2e_fail "target process did not end"
[ "$E2E_RC" = 0 ] || e2e_fail "target exit code $E2E_RC"
want="$(printf '日本語のテストa' | iconv -f UTF-8 -t CP932 | od -An -tx1 | tr -d ' \n')"
got="$(grep -a "^TEXT" "$log" | cut -f2 | tr -d '\r\n')"
[ "$got" = "$want" ] || e2e_fail "target text $got, expected $want"
e2e_pass
