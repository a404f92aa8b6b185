# Sourced by the Wine scripts: the environment every Wine run of this project uses.
# WINEPREFIX defaults to a private prefix inside the build tree.
_here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd -P)"
QS_ROOT="$(dirname "$_here")"
export WINEPREFIX="${WINEPREFIX:-$QS_ROOT/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono/Gecko prompts; no menu entries or icons under the Linux home for shortcuts
# made in the prefix; a crash ends the process with its code instead of waiting in the
# debugger.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d}"
export LC_ALL=ja_JP.UTF-8
export WINEARCH=win64
QS_WINE=/usr/lib/wine/wine64
QS_WINESERVER=/usr/lib/wine/wineserver

# 32-bit programs (the i686 SETUP.EXE) run in the same prefix under WoW64: the 64-bit
# loader hands them to Wine's 32-bit loader /usr/lib/wine/wine (wine32:i386, installed
# by setup-deps.sh), which it looks for beside its own file. Where the kernel runs no
# 32-bit code (some virtual machines: "Exec format error"), qemu-i386 runs that loader:
# the 64-bit loader then starts from a copy in build/wine-shim/lib/wine, whose "wine"
# beside it is a script starting the 32-bit loader (again from a copy there, so that
# its own children come back to the script) under qemu-i386. qemu 7's address-space
# bookkeeping makes Wine's reservation of a 4 GB space take a minute per process; the
# 2 GB + 16 MB given here keeps the shared user data (0x7ffe0000) and takes seconds.
QS_WOW64=""
if [ -x /usr/lib/wine/wine ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    QS_WOW64=native
  elif command -v qemu-i386 >/dev/null; then
    QS_WOW64=qemu
    _shim="$QS_ROOT/build/wine-shim"
    # Made once; made anew after a Wine update, since the copies must match its libraries.
    if [ ! -x "$_shim/lib/wine/wine" ] || ! cmp -s /usr/lib/wine/wine64 "$_shim/lib/wine/wine64"; then
      rm -rf "$_shim"
      mkdir -p "$QS_ROOT/build"
      _tmp=$(mktemp -d "$QS_ROOT/build/.wine-shim.XXXXXX")
      mkdir -p "$_tmp/lib/wine"
      ln -s /usr/lib/x86_64-linux-gnu "$_tmp/lib/x86_64-linux-gnu"
      ln -s /usr/lib/i386-linux-gnu "$_tmp/lib/i386-linux-gnu"
      ln -s /usr/share "$_tmp/share"
      cp /usr/lib/wine/wine64 "$_tmp/lib/wine/wine64"
      cp /usr/lib/wine/wine "$_tmp/lib/wine/wine32.elf"
      ln -s /usr/lib/wine/wineserver "$_tmp/lib/wine/wineserver"
      printf '#!/bin/sh\nQEMU_RESERVED_VA=0x81000000 exec qemu-i386 -0 "$0" "%s" "$@"\n' \
        "$_shim/lib/wine/wine32.elf" >"$_tmp/lib/wine/wine"
      chmod +x "$_tmp/lib/wine/wine"
      # Another process may have made it meanwhile; the first one stays.
      mv -T "$_tmp" "$_shim" 2>/dev/null || rm -rf "$_tmp"
    fi
    QS_WINE="$_shim/lib/wine/wine64"
  fi
fi

# qs_not_run WHY: ends a test that cannot run on this machine, saying why: as not run
# (exit 77, CTest's SKIP_RETURN_CODE), or as failed under CI (QS_CI, which .ci/run
# sets), where a test that cannot run must not pass unnoticed.
qs_not_run() {
  echo "not run: $*" >&2
  if [ -n "${QS_CI:-}" ]; then echo "FAIL: QS_CI is set, and this test must run here" >&2; exit 1; fi
  exit 77
}

# qs_require_wow64: returns when 32-bit programs can run in the prefix; else not run.
qs_require_wow64() {
  [ -n "$QS_WOW64" ] && return 0
  qs_not_run "32-bit Windows programs cannot run here (wine32:i386 missing, or a kernel" \
    "without 32-bit support and no qemu-i386); scripts/setup-deps.sh installs them where it can"
}

# Our prefixes have no Z: (Wine's drive for the whole Linux root): programs reach the
# checkout, with its build trees and scratch folders, as drive P: and nothing else of
# the Linux file system. tests/CMakeLists.txt (qs_windows_path) maps paths the same way.
QS_DRIVE=P
# Scratch folders of the shell-driven tests; inside the checkout, so on drive P:.
QS_SCRATCH="$QS_ROOT/build/scratch"

# qs_winpath LINUX-PATH: the path as programs in the prefix see it (P:\...).
qs_winpath() {
  local p
  p=$(realpath -m -- "$1")
  case "$p/" in
    "$QS_ROOT"/*) p=${p#"$QS_ROOT"} ;;
    *) echo "qs_winpath: $1 is outside $QS_ROOT, which is all the prefix can see" >&2; return 1 ;;
  esac
  p=${p//\//\\}
  printf '%s:%s\n' "$QS_DRIVE" "${p:-\\}"
}

# qs_scratch NAME: makes a fresh scratch folder for a shell test and prints its path.
qs_scratch() {
  mkdir -p "$QS_SCRATCH"
  mktemp -d "$QS_SCRATCH/$1.XXXXXX"
}

# Disks that really change. A drive letter of the prefix is a link in its dosdevices
# folder; re-pointing the link changes what the next open on that drive finds, as
# putting another disk in the drive does.
# qs_insert_disk LETTER FOLDER: the drive holds FOLDER from now on. (A program running
# under Wine changes the disk the same way: ChangeMedium in tests/TestSupport.h, which
# rundrive --disk uses when the installer asks for the next disk.)
qs_insert_disk() {
  ln -sfn "$(realpath "$2")" "$WINEPREFIX/dosdevices/${1,,}:"
}
