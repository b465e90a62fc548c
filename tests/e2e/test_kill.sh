#!/bin/bash
# A hard kill while the dictionaries change loses no learned record. The real mivo.exe
# learns the target's operations into large dictionaries (a 3 MB PredCore/Name, a Target
# folder whose name file is 600 kB and whose history holds every record the test can
# learn, so that each merge rewrites from near the start), and a watcher sends SIGKILL a
# few milliseconds after one of them starts to change: while it learns, and while it
# closes. Each next start must find every record of before the kill (the same line, or a
# newer one that replaces it) and no torn line. Prints the kills and the records checked.
# e2e time limit: 420 s
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin kill xdotool python3

[ -f "$E2E_BIN/mivo.exe" ] || e2e_fail "$E2E_BIN/mivo.exe is missing"
e2e_default_folder
F9=120
snap="$E2E_TMP/snapshot"
files=("PredCore/Name" "Target/name" "Target/history")

# The dictionaries: the shipped names then 3 MB of others; the target's own long names
# for End_ and Home, so that a few selections fill a pending buffer; and a history that
# begins with every record two keys can make, in a shuffled order.
python3 - "$work" <<'EOF'
import itertools, random, sys
work = sys.argv[1]
sj = lambda s: s.encode("cp932")
random.seed(23)
names = open(f"{work}/PredCore/Name", "rb").read()
serial = 0
while len(names) < 3 * 1024 * 1024:
    names += b"n%06d\t" % serial + sj("名前%06d" % serial) + b"a" * 150 + b"\r\n"
    serial += 1
open(f"{work}/PredCore/Name", "wb").write(names)
long = {b"End_": sj("行末まで") + b"e" * 120, b"Home": sj("行頭まで") + b"h" * 120}
target = b"".join(k + b"\t" + v + b"\r\n" for k, v in long.items())
serial = 0
while len(target) < 600 * 1024:
    target += b"t%06d\t" % serial + b"x" * 100 + b"\r\n"
    serial += 1
open(f"{work}/Target/name", "wb").write(target)
history = []
for n in range(9):
    for keys in itertools.product(long, repeat=n):
        context = b"".join(keys)[-32:]
        for key, name in long.items():
            history.append(context + b"\t" + key + b"\t" + name + b"\r\n")
random.shuffle(history)
open(f"{work}/Target/history", "wb").write(b"".join(history))
EOF

# Compares the files with the snapshot of the last check, then takes a new one. A record
# of the snapshot must stand again (learning writes the same line anew); a line of a name
# file must be one of the snapshot; a history line must hold a context of at most 32
# bytes and a key with its name as the names files pair them. Prints "RECORDS N".
cat >"$E2E_TMP/check.py" <<'EOF'
import os, re, sys
work, snap, first = sys.argv[1], sys.argv[2], sys.argv[3] == "first"
def lines(path):
    return set(l for l in re.split(rb"[\x00-\x08\x0a-\x1f]+", open(path, "rb").read()) if l)
pairs = set()
for f in ("PredCore/Name", "Target/name"):
    pairs |= {tuple(l.split(b"\t", 1)) for l in lines(f"{work}/{f}") if b"\t" in l}
checked, bad = 0, []
for f in sys.argv[4:]:
    now = lines(f"{work}/{f}")
    kept = f"{snap}/{f.replace('/', '_')}"
    if not first:
        before = lines(kept)
        checked += len(before)
        bad += [f"{f}: lost {l[:60]!r}" for l in before - now]
        for l in now - before:
            fields = l.split(b"\t")
            if f.endswith("history") and len(fields) == 3 and len(fields[0]) <= 32 \
                    and (fields[1], fields[2]) in pairs:
                continue
            bad.append(f"{f}: torn or unknown {l[:60]!r}")
    open(kept, "wb").write(b"\n".join(sorted(now)))
print("RECORDS", checked)
for b in bad[:10]:
    print(b)
sys.exit(1 if bad else 0)
EOF

# Waits for a file of the list (or its journal) to start to change, waits DELAY ms more
# and kills PID hard. Prints what it saw; exits 1 when PID ended first, 2 after 60 s, 3
# when PID ended in the DELAY.
cat >"$E2E_TMP/kill_watch.py" <<'EOF'
import os, signal, sys, time
pid, delay, paths = int(sys.argv[1]), float(sys.argv[2]) / 1000, sys.argv[3:]
def state():
    out = []
    for p in paths:
        for q in (p, p + ".jnl"):
            try:
                s = os.stat(q)
                out.append((s.st_size, s.st_mtime_ns))
            except FileNotFoundError:
                out.append(None)
    return out
start, began = state(), time.monotonic()
while True:
    now = state()
    if now != start:
        time.sleep(delay)
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            print("ended before the kill,", delay * 1000, "ms after the first change")
            sys.exit(3)
        changed = [paths[i // 2] + (".jnl" if i % 2 else "") for i in range(len(now)) if now[i] != start[i]]
        print("killed", delay * 1000, "ms after", " ".join(changed))
        sys.exit(0)
    if not os.path.exists(f"/proc/{pid}") or time.monotonic() - began > 60:
        sys.exit(1 if not os.path.exists(f"/proc/{pid}") else 2)
    time.sleep(0.0002)
EOF

mkdir -p "$snap/PredCore" "$snap/Target"
start_mivo() {
  e2e_wine_bg "$work" "$E2E_ARTIFACTS/kill-mivo-$1.out" "$E2E_BIN/mivo.exe"
  mivo=$E2E_LAST_PID
  e2e_keys wait-window MivoMain "Mivo::Keyboard" 30000 || e2e_fail "no MivoMain window ($1)"
  tr '\0' ' ' <"/proc/$mivo/cmdline" | grep -q 'mivo\.exe' || e2e_fail "pid $mivo is not mivo.exe"
  sleep 3  # the key windows are made once the docking has given the window its size
  e2e_wait_foreground MivoTestTarget || e2e_fail "the target does not have the foreground ($1)"
  e2e_screenshot "$1" >/dev/null
}
check() {
  # The start finishes what a kill left, in every listed folder, before it runs on.
  local f i
  for f in "${files[@]}"; do
    for i in $(seq 100); do
      [ -e "$work/$f.jnl" ] || break
      sleep 0.1
    done
    [ -e "$work/$f.jnl" ] && e2e_fail "after $2: the start left $f.jnl"
  done
  out="$(python3 "$E2E_TMP/check.py" "$work" "$snap" "$1" "${files[@]}")" || {
    echo "$out" >&2
    ls -l "$work"/*/*.jnl >&2 2>/dev/null
    grep $'\tJournal \|\tLoadDic' "$work/LogFile.txt" | tail -n 6 >&2
    e2e_fail "after $2: a record was lost or torn"
  }
  records=$((records + ${out#RECORDS }))
}
# Kills mivo.exe DELAY ms after a dictionary (or one of the FILEs) starts to change while
# DRIVE runs.
kill_during() {
  local delay="$1" what="$2" drive="$3"
  shift 3
  local watched=("$@")
  [ $# -gt 0 ] || watched=("${files[@]/#/$work/}")
  python3 "$E2E_TMP/kill_watch.py" "$mivo" "$delay" "${watched[@]}" >"$E2E_TMP/watch.out" &
  local watcher=$!
  "$drive"
  wait "$watcher"
  local rc=$?
  [ "$rc" = 0 ] || [ "$rc" = 3 ] ||
    e2e_fail "$what: no dictionary changed before mivo.exe ended (watcher: $rc)"
  e2e_wait_exit "$mivo" 10 || e2e_fail "$what: mivo.exe still runs after the kill"
  [ "$rc" = 0 ] && kills=$((kills + 1))
  e2e_log "$what: $(cat "$E2E_TMP/watch.out") ($(date +%T))"
  # A killed keyboard never gives back its screen band, and Wine keeps it reserved: a new
  # Wine session and target for the next start.
  wineserver -k
  wineserver -w
  e2e_start_target "kill-$step" "$E2E_TMP/target-$step.log"
}
learn() {
  local i verbs=()
  for i in $(seq 48); do
    verbs+=(move-key "$( ((RANDOM % 2)) && echo 行末 || echo 行頭)" press "$F9" 60 sleep 150)
  done
  e2e_keys "${verbs[@]}" >/dev/null 2>&1
}
close() {
  e2e_keys move-key 行末 press "$F9" 60 sleep 200 move-key Esc press "$F9" 60 sleep 300 \
    chord 16 17 18 >/dev/null 2>&1
  local i
  for i in $(seq 200); do
    kill -0 "$mivo" 2>/dev/null || return 0
    sleep 0.1
  done
}

# The seeds as the first fill writes them into Trans (TAB for the spaces, the word's two
# fields swapped); exits 1 when a Trans file holds anything else.
cat >"$E2E_TMP/check_fill.py" <<'EOF2'
import sys
work = sys.argv[1]
for name, swap in (("phrase", False), ("word", True)):
    want = []
    for line in open(f"{work}/{name}", "rb").read().split(b"\r\n"):
        fields = line.split(b" ", 1 if swap else 2)
        want.append(b"\t".join(fields[::-1] if swap else fields))
    have = open(f"{work}/Trans/{name}", "rb").read().rstrip(b"\0").split(b"\r\n")
    if have != want:
        print(f"Trans/{name}: {len(have)} lines, the seed {len(want)}")
        sys.exit(1)
    print(f"Trans/{name}: {len(have) - 1} records")
EOF2

e2e_start_target kill "$E2E_TMP/target.log"
kills=0
records=0
RANDOM=23
step=0
# A kill while the first start fills Trans from the seeds: the next start fills it again.
e2e_wine_bg "$work" "$E2E_ARTIFACTS/kill-mivo-fill.out" "$E2E_BIN/mivo.exe"
mivo=$E2E_LAST_PID
kill_during 20 "the first fill" true "$work/Trans/phrase" "$work/Trans/word"
e2e_log "the first fill: killed with Trans/phrase at $(stat -c %s "$work/Trans/phrase" 2>/dev/null) bytes"
start_mivo fill
fill="$(python3 "$E2E_TMP/check_fill.py" "$work")" || e2e_fail "after the first fill: $fill"
e2e_log "the next start: $(echo $fill)"
e2e_keys chord 16 17 18
e2e_wait_exit "$mivo" 20 || e2e_fail "mivo.exe did not end after the chord"
check first "nothing"
for delay in 0 1 2 3 5 8; do
  step=$((step + 1))
  start_mivo "learn-$step"
  check again "the kill before learning run $step"
  kill_during "$delay" "learning run $step" learn
done
for delay in 0 2 5 10 20; do
  step=$((step + 1))
  start_mivo "close-$step"
  check again "the kill before closing run $step"
  kill_during "$delay" "closing run $step" close
done
start_mivo last
check again "the last kill"
e2e_keys chord 16 17 18
e2e_wait_exit "$mivo" 20 || e2e_fail "mivo.exe did not end after the chord"
[ "$E2E_RC" = 0 ] || e2e_fail "mivo.exe ended with exit code $E2E_RC"
check again "a clean close"
replayed=$(grep -c $'\tJournal Replayed\t' "$work/LogFile.txt")
discarded=$(grep -c $'\tJournal Discarded\t' "$work/LogFile.txt")
e2e_log "$kills kills, $records records checked, no loss; journals replayed $replayed, discarded $discarded"
e2e_pass
