#!/usr/bin/env bash
# mivoSweep.exe under Wine on Xvfb: it freezes the desktop, turns and jumps the
# pointer with its keys to exactly where the engine says, refuses a second copy and
# ends on F13. The expected positions come from the same engine compiled on the host;
# the host and MinGW builds of it are first compared over a large table.
set -u
. "$(dirname "$0")/lib.sh"

e2e_begin sweep g++ x86_64-w64-mingw32-g++ cmp diff

for exe in mivoSweep.exe win_sweep_probe.exe; do
  [ -f "$E2E_BIN/$exe" ] || e2e_fail "$E2E_BIN/$exe is missing (build the Windows targets)"
done
SWEEP_EXE="$E2E_BIN/mivoSweep.exe"
PROBE="$E2E_BIN/win_sweep_probe.exe"
OUT="$E2E_TMP/probe.txt"
WOUT="$(e2e_winpath "$OUT")"

# ---------------------------------------------------------------- the numbers
EXPECT="$E2E_TMP/sweep_expect"
g++ -std=c++20 -O2 -I"$E2E_ROOT/src" "$E2E_ROOT/tests/e2e/sweep_expect.cpp" \
  "$E2E_ROOT/src/sweep/engine.cpp" -o "$EXPECT" || e2e_fail "host sweep_expect did not build"
x86_64-w64-mingw32-g++ -std=c++20 -O2 -static -I"$E2E_ROOT/src" \
  "$E2E_ROOT/tests/e2e/sweep_expect.cpp" "$E2E_ROOT/src/sweep/engine.cpp" -o "$EXPECT.exe" ||
  e2e_fail "MinGW sweep_expect did not build"
"$EXPECT" table >"$E2E_TMP/table-host.txt"
e2e_wine "$EXPECT.exe" table 2>/dev/null | tr -d '\r' >"$E2E_TMP/table-mingw.txt"
rows=$(wc -l <"$E2E_TMP/table-host.txt")
[ "$rows" -gt 1000000 ] || e2e_fail "host table too short ($rows rows)"
if ! cmp -s "$E2E_TMP/table-host.txt" "$E2E_TMP/table-mingw.txt"; then
  diff "$E2E_TMP/table-host.txt" "$E2E_TMP/table-mingw.txt" | head -5 >&2
  e2e_fail "the MinGW build puts end points elsewhere than the host build"
fi
e2e_log "end points agree between host and MinGW builds ($rows cases)"

probe() {
  e2e_wine "$PROBE" "$WOUT" "$@" 2>/dev/null
  tr -d '\r' <"$OUT"
}
field() { grep "^$1 " <<<"$2" | head -1 | cut -d' ' -f2-; }

# Waits up to SECONDS for background PID to end and leaves its exit code in RC.
# Runs in this shell: only the shell that started a program can collect its code.
wait_rc() {
  local pid="$1" i
  for i in $(seq $(($2 * 10))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      RC=0
      wait "$pid" || RC=$?
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# ---------------------------------------------------------------- a desktop to freeze
mkdir -p "$E2E_TMP/work"
e2e_wine_bg "$E2E_TMP/work" "$E2E_TMP/target.log" "$E2E_BIN/win_target.exe" \
  "$(e2e_winpath "$E2E_TMP/target-messages.txt")" "frozen desktop"
sleep 2

# ---------------------------------------------------------------- start
e2e_wine_bg "$E2E_TMP/work" "$E2E_TMP/sweep.log" "$SWEEP_EXE"
SWEEP_PID=$E2E_LAST_PID
r=$(probe wait 15000 sleep 500 count foreground)
[ "$(field window "$r")" = 1 ] || e2e_fail "the sweep window did not appear"
[ "$(field count "$r")" = 1 ] || e2e_fail "expected one sweep window: $r"

# Start from (500, 400): the window learns the pointer position from the move.
# right arrow: direction 90 -> 92; F12: jump.
r=$(probe move 500 400 sleep 600 labels press 39 sleep 600 press 123 sleep 800 cursor labels)
read -r ex ey < <("$EXPECT" end 92 100 500 400)
cursor1=$(field cursor "$r")
e2e_log "after right + F12 from 500,400: cursor $cursor1, expected $ex $ey"
[ "$cursor1" = "$ex $ey" ] || e2e_fail "first jump: cursor $cursor1, expected $ex $ey ($r)"
grep -qx "label X\[500\] Y:\[400\]" <<<"$(grep '^label' <<<"$r" | head -2)" ||
  e2e_fail "pointer label did not read X[500] Y:[400]: $r"
label1=$(printf 'label X[%03d] Y:[%03d]' "$ex" "$ey")
grep -qxF "$label1" <<<"$r" || e2e_fail "pointer label after the jump is not '$label1': $r"

# up: longer (100 -> 115); keypad 3: step 10; right: 92 -> 102; F12.
r=$(probe press 38 sleep 600 press 99 sleep 600 press 39 sleep 600 press 123 sleep 800 cursor)
read -r fx fy < <("$EXPECT" end 102 115 "$ex" "$ey")
cursor2=$(field cursor "$r")
e2e_log "after up, keypad 3, right, F12: cursor $cursor2, expected $fx $fy"
[ "$cursor2" = "$fx $fy" ] || e2e_fail "second jump: cursor $cursor2, expected $fx $fy ($r)"

# Two presses of the right arrow within one tick cancel out: the line keeps its
# direction, so a jump lands where the engine says for direction 102 and radius 100.
r=$(probe tap 39 tap 39 sleep 600 press 123 sleep 800 cursor)
read -r gx gy < <("$EXPECT" end 102 100 "$fx" "$fy")
cursor3=$(field cursor "$r")
e2e_log "after a double right press and F12: cursor $cursor3, expected $gx $gy"
[ "$cursor3" = "$gx $gy" ] || e2e_fail "double press: cursor $cursor3, expected $gx $gy ($r)"

# Show the line and the ring in the middle of the screen for the picture.
probe move 600 450 sleep 300 press 38 sleep 400 press 38 sleep 600 >/dev/null
SHOT="$E2E_ARTIFACTS/sweep.png"
import -display "$E2E_DISPLAY" -window root "$SHOT" 2>/dev/null || e2e_fail "no screenshot"
e2e_log "screenshot $SHOT"

# ---------------------------------------------------------------- a second copy
e2e_wine_bg "$E2E_TMP/work" "$E2E_TMP/sweep2.log" "$SWEEP_EXE"
wait_rc "$E2E_LAST_PID" 20 || e2e_fail "the second copy did not end"
[ "$RC" = 0 ] || e2e_fail "the second copy ended with $RC"
r=$(probe count foreground)
[ "$(field count "$r")" = 1 ] || e2e_fail "a second copy left a window: $r"
[ "$(field foreground "$r")" = 1 ] || e2e_fail "the running copy is not in front: $r"

# ---------------------------------------------------------------- F13 ends it
r=$(probe press 124 gone 5000)
[ "$(field gone "$r")" = 1 ] || e2e_fail "F13 did not end the program: $r"
wait_rc "$SWEEP_PID" 20 || e2e_fail "mivoSweep.exe is still running after F13"
[ "$RC" = 0 ] || e2e_fail "mivoSweep.exe ended with $RC"

e2e_pass
