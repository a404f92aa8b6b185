#!/usr/bin/env bash
# Creates the private Wine prefix once (idempotent, safe to call concurrently):
# null graphics driver unless QS_GRAPHICS=x11, Japanese font substitutes, and a drive
# Q: whose root is empty.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ -f "$WINEPREFIX/.qs-ready-2" ]; then exit 0; fi

rm -rf "$WINEPREFIX"
"$QS_WINE" wineboot -i >/dev/null 2>&1 || true
"$QS_WINESERVER" -w || true

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
# A new prefix links Desktop, Documents and the like to the Linux home folder: shortcuts
# made in the prefix would land there. They become folders of the prefix's own.
for link in "$WINEPREFIX"/drive_c/users/*/*; do
  if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
done
# Drive Q: stands for a freshly formatted disk (an empty root) in the tests.
mkdir -p "$WINEPREFIX/qs-drive-q"
ln -sfn ../qs-drive-q "$WINEPREFIX/dosdevices/q:"
"$QS_WINESERVER" -w || true
touch "$WINEPREFIX/.qs-ready-2"
