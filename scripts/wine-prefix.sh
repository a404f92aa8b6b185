#!/usr/bin/env bash
# Creates the private Wine prefix once (idempotent, safe to call concurrently): null
# graphics driver unless QS_GRAPHICS=x11, Japanese font substitutes. On every call it
# also puts the prefix's view of the Linux file system right, so an older prefix is
# brought up to date: drive P: is the checkout, Q: a drive whose root is empty, there
# is no Z: (the Linux root), and the profile folders are folders of the prefix instead
# of links to the Linux home.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9

# Only what the prefix can reach is searched by the shell's folder browser and by
# anything else that walks drives; Z: and the home links make that the whole machine.
confine() {
  local dev="$WINEPREFIX/dosdevices"
  rm -f "$dev/z:" "$dev/z::"
  [ "$(readlink "$dev/p:" 2>/dev/null)" = "$QS_ROOT" ] || ln -sfn "$QS_ROOT" "$dev/p:"
  # Q: stands for a freshly formatted disk (an empty root) in the tests.
  mkdir -p "$WINEPREFIX/qs-drive-q"
  [ "$(readlink "$dev/q:" 2>/dev/null)" = ../qs-drive-q ] || ln -sfn ../qs-drive-q "$dev/q:"
  local d
  for d in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$d" ]; then rm "$d" && mkdir "$d"; fi
  done
  # The shell's desktop also lists Wine's view of the Linux root ("/") beside My Computer.
  local key='Software\Microsoft\Windows\CurrentVersion\Explorer\Desktop\Namespace\{9D20AAE8-0625-44B0-9CA7-71889C2254D9}'
  if grep -qiF "[${key//\\/\\\\}]" "$WINEPREFIX/system.reg" 2>/dev/null; then
    "$QS_WINE" reg delete "HKLM\\$key" /f >/dev/null 2>&1 || true
  fi
}

# A prefix made before 32-bit programs could run has no 32-bit system folder, and Wine's
# update does not add one to it (checked): such a prefix is made anew. It holds nothing
# the tests keep.
has_wow64() {
  [ -z "$QS_WOW64" ] || [ -e "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]
}

if [ -f "$WINEPREFIX/.qs-ready" ] && has_wow64; then confine; exit 0; fi
"$QS_WINESERVER" -k 2>/dev/null || true

rm -rf "$WINEPREFIX"
"$QS_WINE" wineboot -i >/dev/null 2>&1 || true
"$QS_WINESERVER" -w || true
confine

reg() { "$QS_WINE" reg "$@" >/dev/null; }
if [ "${QS_GRAPHICS:-null}" = null ]; then
  reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
else
  # Wine draws captions and borders itself, as Windows does, also on a screen without a
  # window manager (the demo's virtual screen).
  reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f
  reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
fi
subst='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
reg add "$subst" /v 'ＭＳ Ｐゴシック' /d 'IPAPGothic' /f
reg add "$subst" /v 'ＭＳ ゴシック' /d 'IPAGothic' /f
reg add "$subst" /v 'ＭＳ Ｐ明朝' /d 'IPAPMincho' /f
"$QS_WINESERVER" -w || true
touch "$WINEPREFIX/.qs-ready"
