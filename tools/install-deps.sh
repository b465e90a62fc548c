#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# Idempotent; needs root for apt-get, otherwise prints the exact line to run.
# With --list it only prints the package names (tools/check_commands.py reads them).
set -euo pipefail
packages=(
  # the scripts' own tools (most come with every Debian, named so that nothing is assumed)
  bash coreutils findutils sed grep mawk diffutils util-linux libc-bin dpkg apt xxd python3
  # native build, unit and scenario tests, fuzzing, benchmarks
  cmake make g++ clang clang-format libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev
  # Windows build and the e2e runs under Wine on Xvfb
  g++-mingw-w64-x86-64 wine wine64 xvfb xauth x11-utils xdotool imagemagick locales
  fonts-ipafont-mincho fonts-ipafont-gothic
  # the input method engine of the headless backend, and the sources of the seeds of the
  # conversion dictionaries (python3-marisa reads libkkc-data's tries)
  libanthy-dev anthy-common skkdic mecab-ipadic libkkc-data python3-marisa edict)
if [ "${1:-}" = --list ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
line="apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages; run as root: apt-get update && $line" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
