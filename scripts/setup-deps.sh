#!/usr/bin/env bash
# Installs every Debian package the build and the tests need, and the Japanese locale.
# Idempotent: installs only what is missing and runs apt-get update at most once.
set -euo pipefail

packages=(
  cmake ninja-build make g++
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 locales googletest
  xvfb x11-apps imagemagick fonts-ipafont-gothic fonts-ipafont-mincho
  mscompress liblnk-utils
  osslsigncode openssl
  clang-format
  nsis
)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
# Another apt or dpkg run may hold the lock for a while: wait for it.
apt() { $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -q -o DPkg::Lock::Timeout=1800 "$@"; }

# The i686 SETUP.EXE runs in the same prefix under WoW64, which needs Wine's 32-bit half
# (wine32:i386: wine64 hands a 32-bit program to its loader /usr/lib/wine/wine). Where
# the i386 architecture cannot be added or the package not installed, the i686 tests
# report "not run" (qs_require_wow64 in scripts/wine-env.sh); under CI (QS_CI) they fail.
wine32=()
if ! installed wine32:i386; then
  if dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386; then
    wine32=(wine32:i386)
  else
    echo "setup-deps: WARNING: the i386 architecture cannot be added; the i686 SETUP.EXE" \
         "cannot be run here and its tests will report 'not run'" >&2
  fi
fi

if [ ${#missing[@]} -gt 0 ] || [ ${#wine32[@]} -gt 0 ]; then
  echo "setup-deps: installing ${missing[*]} ${wine32[*]}"
  # A mirror in the middle of a sync fails one index now and then; the others still serve.
  apt update || echo "setup-deps: WARNING: apt-get update failed in part; installing from the lists there are" >&2
fi
if [ ${#missing[@]} -gt 0 ]; then
  apt install -y --no-install-recommends "${missing[@]}"
fi
if [ ${#wine32[@]} -gt 0 ] && ! apt install -y --no-install-recommends "${wine32[@]}"; then
  echo "setup-deps: WARNING: wine32:i386 could not be installed; the i686 SETUP.EXE" \
       "cannot be run here and its tests will report 'not run'" >&2
fi

# A kernel without 32-bit support (some virtual machines) refuses Wine's 32-bit loader;
# qemu-i386 runs it instead (scripts/wine-env.sh points Wine at it).
if installed wine32:i386 && ! /usr/lib/wine/wine --version >/dev/null 2>&1 && ! installed qemu-user; then
  echo "setup-deps: this kernel runs no 32-bit programs; installing qemu-user for Wine's 32-bit loader"
  apt install -y --no-install-recommends qemu-user ||
    echo "setup-deps: WARNING: qemu-user could not be installed; the i686 tests will report 'not run'" >&2
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup-deps: generating ja_JP.UTF-8"
  if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen
fi
