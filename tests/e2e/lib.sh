# Shared functions of the end-to-end scripts: a private Wine prefix with a CP932
# locale and Japanese fonts, a private Xvfb, the Windows helper programs, and a
# cleanup that ends everything the script started.
#
# Use:   . "$(dirname "$0")/lib.sh"; e2e_begin NAME [TOOL...]; ...; e2e_pass
# Env:   MIVO_WIN32_DIR  folder of the .exe files (default build/win32)
#        MIVO_E2E_KEEP=1 keep the temporary folder (prefix copy, working folders)

E2E_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
E2E_BIN="${MIVO_WIN32_DIR:-$E2E_ROOT/build/win32}"
case "$E2E_BIN" in /*) ;; *) E2E_BIN="$E2E_ROOT/$E2E_BIN" ;; esac
E2E_ARTIFACTS="${MIVO_E2E_ARTIFACTS:-$E2E_ROOT/build/artifacts/e2e}"
E2E_PREFIX_CACHE="$E2E_ROOT/build/wine-prefix-cache"
E2E_LOCALE=ja_JP.UTF-8
# Bump when the prefix setup below changes, so that old caches are rebuilt.
E2E_PREFIX_VERSION=2

E2E_NAME=""
E2E_TMP=""
E2E_DISPLAY=""
E2E_XVFB_PID=""
E2E_PIDS=()
E2E_LAST_PID=""

e2e_log() { echo "[$E2E_NAME] $*" >&2; }

e2e_fail() {
  e2e_log "FAIL: $*"
  exit 1
}

# ---------------------------------------------------------------- locale

# Wine takes its ANSI code page from the Unix locale: ja_JP gives code page 932.
e2e_ensure_locale() {
  if locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then return 0; fi
  if [ "$(id -u)" != 0 ]; then
    e2e_log "locale $E2E_LOCALE is missing and generating it needs root"
    return 1
  fi
  localedef -i ja_JP -f UTF-8 "$E2E_LOCALE" >/dev/null 2>&1 ||
    { sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen && locale-gen >/dev/null 2>&1; }
  locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'
}

# ---------------------------------------------------------------- X server

# Starts a private Xvfb on the first free display number from 90 on.
e2e_start_xvfb() {
  local n
  for n in $(seq 90 190); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$E2E_TMP/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    local i
    for i in $(seq 50); do
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        E2E_DISPLAY=":$n"
        export DISPLAY="$E2E_DISPLAY"
        return 0
      fi
      kill -0 "$E2E_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    # Lost a race for this number, or it did not come up: try the next one.
    kill "$E2E_XVFB_PID" 2>/dev/null
    wait "$E2E_XVFB_PID" 2>/dev/null
    E2E_XVFB_PID=""
  done
  e2e_log "no free X display"
  return 1
}

# ---------------------------------------------------------------- working folder

# A copy of data/ in $E2E_TMP/work (its path in $work) as the switch tests want it: the
# switch is F9 and the pointer chooses the key (automatic scanning off), so that every
# selection is exactly the key under the pointer; the log shows what each selection ran
# when a check fails.
e2e_default_folder() {
  work="$E2E_TMP/work"
  mkdir -p "$work"
  cp -a "$E2E_ROOT/data/." "$work/"
  sed -i -e 's/^PressKey = NonConvert/PressKey = F9/' -e 's/^TimerFlag = True/TimerFlag = False/' \
    -e 's/^LoggingMode = False/LoggingMode = True/' "$work/settings.txt"
  grep -q '^PressKey = F9' "$work/settings.txt" || e2e_fail "settings.txt has no PressKey line"
}

# The screen line below the keyboard's top band (a quarter of its height): a key above
# it is a candidate key, not one of the keyboard's own keys, which all stand lower.
e2e_band_bottom() {
  local geometry y h
  geometry="$(xdotool search --name 'Mivo::Keyboard' getwindowgeometry 2>/dev/null | head -3)"
  y=$(echo "$geometry" | sed -n 's/.*Position: [0-9-]*,\([0-9-]*\).*/\1/p' | head -1)
  h=$(echo "$geometry" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p' | head -1)
  echo $((y + h / 4))
}

# Puts the pointer on the candidate key NAME, failing when there is none.
e2e_candidate() {
  local at
  e2e_keys move-top-key "$1" || e2e_fail "no key $1"
  at="$(e2e_keys cursor | tr -d '\r')"
  [ "${at#* }" -lt "$(e2e_band_bottom)" ] || e2e_fail "$1 is not among the candidates (pointer at $at)"
}

# Waits up to 3 s for a window of CLASS to have the foreground: Wine may report none for
# a moment while the keyboard hands it back.
e2e_wait_foreground() {
  for _ in $(seq 30); do
    [ "$(e2e_keys foreground | tr -d '\r')" = "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

# ---------------------------------------------------------------- Wine prefix

e2e_wine_env() {
  export WINEARCH=win64 WINEDEBUG=-all LANG="$E2E_LOCALE" LC_ALL="$E2E_LOCALE"
  # No Mono/Gecko installer dialogs and no desktop menu entries.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# Writes the font substitutes: the Japanese system faces that programs ask for,
# mapped to the installed IPA fonts.
e2e_font_reg() {
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    printf '"ＭＳ 明朝"="IPAMincho"\r\n'
    printf '"ＭＳ Ｐ明朝"="IPAPMincho"\r\n'
    printf '"ＭＳ ゴシック"="IPAGothic"\r\n'
    printf '"ＭＳ Ｐゴシック"="IPAPGothic"\r\n'
    printf '"MS Mincho"="IPAMincho"\r\n'
    printf '"MS PMincho"="IPAPMincho"\r\n'
    printf '"MS Gothic"="IPAGothic"\r\n'
    printf '"MS PGothic"="IPAPGothic"\r\n'
    printf '"MS UI Gothic"="IPAPGothic"\r\n'
    printf '"Meiryo"="IPAPGothic"\r\n'
    printf '\r\n'
  } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$1"
}

# Builds the initialised prefix once (wineboot, fonts) under build/.
e2e_build_prefix_cache() {
  local target="$E2E_PREFIX_CACHE/prefix"
  local stamp="$E2E_PREFIX_CACHE/stamp"
  local want
  want="$(wine --version 2>/dev/null) v$E2E_PREFIX_VERSION"
  if [ -d "$target" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$want" ]; then return 0; fi
  e2e_log "initialising the Wine prefix cache (once)"
  local build="$E2E_PREFIX_CACHE/prefix.build.$$"
  rm -rf "$build"
  (
    export WINEPREFIX="$build"
    wineboot -i >"$E2E_TMP/wineboot.log" 2>&1
    wineserver -w
    e2e_font_reg "$E2E_TMP/fonts.reg"
    wine regedit /S 'Z:'"$(echo "$E2E_TMP/fonts.reg" | tr / '\\')" >>"$E2E_TMP/wineboot.log" 2>&1
    wineserver -w
  ) || { rm -rf "$build"; return 1; }
  grep -q 'IPAGothic' "$build/user.reg" || {
    e2e_log "font substitutes not in the prefix registry"
    rm -rf "$build"
    return 1
  }
  rm -rf "$target"
  mv "$build" "$target"
  echo "$want" >"$stamp"
}

# Gives this run its own copy of the cached prefix.
e2e_setup_prefix() {
  mkdir -p "$E2E_PREFIX_CACHE"
  (
    flock 9
    e2e_build_prefix_cache
  ) 9>"$E2E_PREFIX_CACHE/.lock" || return 1
  export WINEPREFIX="$E2E_TMP/prefix"
  (
    flock -s 9
    cp -a "$E2E_PREFIX_CACHE/prefix" "$WINEPREFIX"
  ) 9>"$E2E_PREFIX_CACHE/.lock"
}

# ---------------------------------------------------------------- running programs

# A Unix path as Wine sees it (drive Z: is the Unix root).
e2e_winpath() { echo "Z:$1" | tr / '\\'; }

# Runs a Windows program in the foreground; its exit code is wine's (low 8 bits).
e2e_wine() { wine "$@"; }

# Starts the target program (win_target.exe) for test NAME, writing what it receives
# to LOG, and waits until its window is there and it has written READY.
e2e_start_target() {
  local name="$1" log="$2"
  e2e_wine_bg "$E2E_TMP" "$E2E_ARTIFACTS/$name-target.out" "$E2E_BIN/win_target.exe" \
    "$(e2e_winpath "$log")"
  e2e_keys wait-window MivoTestTarget Target 20000 || e2e_fail "no target window"
  for _ in $(seq 50); do grep -q READY "$log" 2>/dev/null && break; sleep 0.1; done
}

# Starts a Windows program in the background in folder DIR; output goes to
# the artifacts; the pid is left in E2E_LAST_PID.
e2e_wine_bg() {
  local dir="$1" log="$2"
  shift 2
  (cd "$dir" && exec wine "$@") >"$log" 2>&1 &
  E2E_LAST_PID=$!
  E2E_PIDS+=("$E2E_LAST_PID")
}

# Waits up to SECONDS for background PID (a child of this shell) to end and
# leaves its exit code in E2E_RC; returns 1 when it is still running. Not for
# use inside $(...): a subshell cannot wait for its parent's children.
E2E_RC=""
e2e_wait_exit() {
  local pid="$1" seconds="$2" i
  E2E_RC=""
  for i in $(seq $((seconds * 10))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      E2E_RC=0
      wait "$pid" || E2E_RC=$?
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# The input driver: win_keys VERB ARGS ...
e2e_keys() { wine "$E2E_BIN/win_keys.exe" "$@"; }

e2e_screenshot() {
  local file="$E2E_ARTIFACTS/$E2E_NAME-$1.png"
  import -display "$E2E_DISPLAY" -window root "$file" 2>/dev/null || return 1
  echo "$file"
}

# ---------------------------------------------------------------- life of a test

e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
  fi
  for pid in "${E2E_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
  if [ -n "$E2E_XVFB_PID" ]; then
    kill "$E2E_XVFB_PID" 2>/dev/null
    wait "$E2E_XVFB_PID" 2>/dev/null
  fi
  if [ -n "$E2E_TMP" ] && [ "${MIVO_E2E_KEEP:-0}" != 1 ]; then rm -rf "$E2E_TMP"; fi
}

# Fails with the fix when a tool is missing, before it can fail in a misleading way.
E2E_TOOLS=(wine wineserver wineboot Xvfb import iconv flock timeout)
e2e_require() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || e2e_fail "$tool is not installed: run tools/install-deps.sh"
  done
}

# Sets up everything a test needs: its tools (the lib's and the ones named after NAME),
# temp folder, locale, Xvfb, prefix copy.
e2e_begin() {
  E2E_NAME="$1"
  shift
  e2e_require "${E2E_TOOLS[@]}" "$@"
  mkdir -p "$E2E_ARTIFACTS"
  E2E_TMP="$(mktemp -d "${TMPDIR:-/tmp}/mivo-e2e-$E2E_NAME.XXXXXX")"
  trap e2e_cleanup EXIT
  trap 'exit 130' INT TERM
  local exe
  for exe in win_keys.exe win_target.exe; do
    [ -f "$E2E_BIN/$exe" ] || e2e_fail "$E2E_BIN/$exe is missing (run make windows)"
  done
  e2e_ensure_locale || e2e_fail "no $E2E_LOCALE locale"
  e2e_wine_env
  e2e_start_xvfb || e2e_fail "Xvfb did not start"
  e2e_setup_prefix || e2e_fail "Wine prefix setup failed"
}

e2e_pass() {
  e2e_log "PASS"
  exit 0
}
