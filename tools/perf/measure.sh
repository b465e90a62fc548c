#!/bin/bash
# The running costs of mivo.exe under Wine + Xvfb, measured the same way every time,
# with a prefix and display of its own (those of the end-to-end tests):
#   idle   CPU of mivo.exe and of its wineserver, and their context switches, over
#          MIVO_PERF_SECONDS (default 30) with the keyboard shown, scanning stopped and
#          then running (utime + stime and the switch counts from /proc); and beside
#          them the floor: a window that only waits for a 100 ms timer, as the
#          keyboard's tick is (win_target.exe --tick), with the same wineserver costs
#   start  from starting mivo.exe to its main window and to the last of its key windows
#          (MIVO_PERF_KEYS, by default as many as a first, warming start ends with),
#          polled every millisecond from a program of the same wineserver; the median of
#          MIVO_PERF_RUNS (default 5) starts; and the floor: win_target.exe started to
#          its window, the same way
#   fill   as start, but every start begins without the conversion dictionaries (Trans),
#          which it first fills from the seeds "word" and "phrase", as a first start does
#   page   a click on a page key to the last key window of the new page, there and back
#          (英数 and かな), MIVO_PERF_RUNS times each: the page switch makes and destroys
#          the key windows of both pages
#   switch the switch release to the first key event at a target, as the scanning
#          end-to-end test measures it (three presses)
#   reader the keyboard file reader's bench beside a plain pass over the same bytes
#
# Use: make windows bench && tools/perf/measure.sh [idle|start|fill|page|switch|reader ...]
# MIVO_WIN32_DIR and MIVO_BENCH_DIR name other builds (say, of an earlier commit) to
# measure them the same way.
# Timings on a shared machine are noise: run on a quiet one, and compare runs made the
# same way. Not part of make test.
set -u
. "$(dirname "$0")/../../tests/e2e/lib.sh"

SECONDS_IDLE="${MIVO_PERF_SECONDS:-30}"
RUNS="${MIVO_PERF_RUNS:-5}"
KEYS="${MIVO_PERF_KEYS:-}"
rows=("$@")
[ ${#rows[@]} -gt 0 ] || rows=(idle start fill page switch reader)
want() {
  local r
  for r in "${rows[@]}"; do [ "$r" = "$1" ] && return 0; done
  return 1
}

# utime + stime in clock ticks, and voluntary + involuntary context switches, of every
# thread of a process.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
switches() {
  cat /proc/"$1"/task/*/status 2>/dev/null |
    awk '/^(voluntary|nonvoluntary)_ctxt_switches/ { n += $2 } END { print n + 0 }'
}

# The process that runs the program (mivo.exe unless named) and the wineserver of this
# prefix.
mivo_pid() {
  local p
  for p in $(pgrep -u "$(id -u)" -f "${1:-mivo\.exe}"); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
      { echo "$p"; return 0; }
  done
  return 1
}
server_pid() {
  local p
  for p in $(pgrep -u "$(id -u)" wineserver); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
      { echo "$p"; return 0; }
  done
  return 1
}

quit_mivo() {
  e2e_keys chord 16 17 18 >/dev/null 2>&1
  e2e_keys wait-gone MivoMain "Mivo::Keyboard" 8000 >/dev/null 2>&1 ||
    e2e_log "mivo.exe did not end on the chord"
}

idle_row() {
  local scan="$1" flag="${2:-}" pattern="mivo\.exe"
  if [ "$scan" = floor ]; then
    pattern="win_target\.exe"
    e2e_wine_bg "$work" "$E2E_TMP/idle-floor.out" "$E2E_BIN/win_target.exe" --tick
    e2e_keys wait-window MivoTestTarget Target 20000 >/dev/null || e2e_fail "no target window"
  else
    sed -i "s/^TimerFlag = .*/TimerFlag = $flag/" "$work/settings.txt"
    e2e_wine_bg "$work" "$E2E_TMP/idle-$scan.out" "$E2E_BIN/mivo.exe"
    e2e_keys wait-window MivoMain "Mivo::Keyboard" 20000 >/dev/null || e2e_fail "no MivoMain window"
  fi
  sleep 3
  local mp sp hz
  mp="$(mivo_pid "$pattern")" || e2e_fail "$pattern process not found"
  sp="$(server_pid)" || e2e_fail "wineserver not found"
  hz="$(getconf CLK_TCK)"
  local m0 s0 c0 w0 m1 s1 c1 w1
  m0=$(cpu_ticks "$mp") s0=$(cpu_ticks "$sp") c0=$(switches "$mp") w0=$(switches "$sp")
  sleep "$SECONDS_IDLE"
  m1=$(cpu_ticks "$mp") s1=$(cpu_ticks "$sp") c1=$(switches "$mp") w1=$(switches "$sp")
  awk -v scan="$scan" -v m=$((m1 - m0)) -v s=$((s1 - s0)) -v c=$((c1 - c0)) -v w=$((w1 - w0)) \
    -v hz="$hz" -v t="$SECONDS_IDLE" 'BEGIN {
      printf "idle, %-13s program %.2f %% of a core, wineserver %.2f %%, together %.2f %%; context switches/s program %.0f, wineserver %.0f\n",
        (scan == "floor" ? "floor" : "scan " scan), 100 * m / hz / t, 100 * s / hz / t,
        100 * (m + s) / hz / t, c / t, w / t }'
  if [ "$scan" = floor ]; then
    kill "$mp" 2>/dev/null
    e2e_keys wait-gone MivoTestTarget Target 8000 >/dev/null 2>&1
  else
    quit_mivo
  fi
}

# start_row fill: every start begins without Trans, so it first fills the conversion
# dictionaries from the seeds, as the first start on a new folder does.
start_row() {
  local i line main=() keys=() floor=() tp fill="${1:-}" what=start
  sed -i "s/^TimerFlag = .*/TimerFlag = False/" "$work/settings.txt"
  # A first start warms the wineserver and the page cache.
  e2e_wine_bg "$work" "$E2E_TMP/start-warm.out" "$E2E_BIN/mivo.exe"
  e2e_keys wait-window MivoMain "Mivo::Keyboard" 20000 >/dev/null || e2e_fail "no MivoMain window"
  sleep 2
  [ -n "$KEYS" ] || KEYS="$(e2e_keys key-count | tr -d '\r')"
  quit_mivo
  [ -n "$fill" ] && what="first start, Trans filled from the seeds,"
  for i in $(seq "$RUNS"); do
    [ -n "$fill" ] && rm -rf "$work/Trans"
    # Into a file: the program inherits the output, and a $(...) would wait for it to end.
    (cd "$work" && e2e_keys start-keys "$(e2e_winpath "$E2E_BIN/mivo.exe")" MivoMain "$KEYS" \
      20000) >"$E2E_TMP/start.txt" || e2e_fail "the key windows did not all come"
    line="$(tr -d '\r' <"$E2E_TMP/start.txt")"
    main+=("${line%% *}")
    keys+=("${line##* }")
    sleep 1
    quit_mivo
    # The floor: how long Wine takes to start any program and show its window.
    (cd "$work" && e2e_keys start-keys "$(e2e_winpath "$E2E_BIN/win_target.exe") --tick" \
      MivoTestTarget 0 20000) >"$E2E_TMP/start.txt" || e2e_fail "no target window"
    line="$(tr -d '\r' <"$E2E_TMP/start.txt")"
    floor+=("${line%% *}")
    sleep 1
    tp="$(mivo_pid "win_target\.exe")" && kill "$tp"
    e2e_keys wait-gone MivoTestTarget Target 8000 >/dev/null 2>&1
  done
  median_row "$what to the main window" "${main[@]}"
  median_row "$what to $KEYS key windows" "${keys[@]}"
  [ -n "$fill" ] || median_row "start, floor (win_target.exe to its window)" "${floor[@]}"
}

# A label, the median of the milliseconds that follow it, and all of them in order.
median_row() {
  local label="$1"
  shift
  printf '%s\n' "$@" | sort -n | awk -v label="$label" '{ v[NR] = $1 } END {
    printf "%s: median %.1f ms of", label, v[int((NR + 1) / 2)]
    for (i = 1; i <= NR; i++) printf " %s", v[i]; printf "\n" }'
}

page_row() {
  local i page ms
  declare -A all=()
  sed -i "s/^TimerFlag = .*/TimerFlag = False/" "$work/settings.txt"
  e2e_wine_bg "$work" "$E2E_TMP/page.out" "$E2E_BIN/mivo.exe"
  e2e_keys wait-window MivoMain "Mivo::Keyboard" 20000 >/dev/null || e2e_fail "no MivoMain window"
  sleep 2
  for i in $(seq "$RUNS"); do
    for page in 英数 かな; do
      e2e_keys move-key "$page" >/dev/null ||
        e2e_fail "no page key $page (the keyboard: $(e2e_screenshot "no-$i-$page"))"
      ms="$(e2e_keys click-settle 5000 | tr -d '\r')" || e2e_fail "page $page did not settle"
      all[$page]+="$ms "
    done
  done
  quit_mivo
  for page in 英数 かな; do
    median_row "page, to $page" ${all[$page]}
  done
}

e2e_begin perf
e2e_default_folder
sed -i 's/^LoggingMode = True/LoggingMode = False/' "$work/settings.txt"
want idle && idle_row stopped False && idle_row running True && idle_row floor
want start && start_row
want fill && start_row fill
want page && page_row
if want switch; then
  MIVO_E2E_ARTIFACTS="$E2E_TMP/switch" bash "$E2E_ROOT/tests/e2e/test_scanning.sh" \
    >"$E2E_TMP/switch.log" 2>&1 || e2e_fail "the scanning test failed: $E2E_TMP/switch.log"
  awk '{ printf "switch release to key event at the target, %s: %s ms\n", $1, $2 }' \
    "$E2E_TMP/switch/scanning-latency.txt"
fi
if want reader; then
  bench="${MIVO_BENCH_DIR:-$E2E_ROOT/build/bench}/keyboard_file_bench"
  [ -x "$bench" ] || e2e_fail "$bench is missing (make bench)"
  "$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null |
    awk '/_median/ { printf "reader, %s: %s %s CPU, %s\n", $1, $4, $5, $NF }'
fi
e2e_pass
