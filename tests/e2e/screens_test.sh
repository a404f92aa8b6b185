#!/usr/bin/env bash
# The windows at 96, 120, 144 and 192 DPI (a setting of the prefix, HKCU\Control Panel\Desktop
# LogPixels, read by every program that starts), used by keystrokes only: in a prefix of its
# own the demo is installed and removed once per DPI by rundrive --input keys (keys posted to
# the focused window, never a click) --fit (every page's visible controls checked, fithook.cpp).
# Prints the table window × DPI and fails on any clipped control.
# usage: screens_test.sh SETUP.EXE QDEMO.DLL rundrive.exe
set -euo pipefail
setup=$(realpath "$1") component=$(realpath "$2") drive=$(realpath "$3")
root="$(cd "$(dirname "$0")/../.." && pwd)"
QS_DEMO_PREFIX="$root/build/wineprefix-screens" source "$root/tests/e2e/demo-e2e.sh"
set_dpi() { "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1; }
trap 'set_dpi 96; clean_demo_traces; rm -rf "$c/qs-screens" "$WINEPREFIX/dosdevices/m:"' EXIT
clean_demo_traces
"$root/scripts/make-demo-package.sh" "$c/qs-screens" "$setup" "$component"

# Esc leaves where the page offers leaving: the fatal page of a folder without a script.
mkdir -p "$c/qs-screens/noscript" && cp "$setup" "$c/qs-screens/noscript/SETUP.EXE"
out=$( ("$run" "$drive" uninstall --input keys --start 'C:\qs-screens\noscript\SETUP.EXE' 2>&1 || true) | u8)
check "Esc left the fatal page" "KEY Esc|EXIT 0" "$(echo "$out" | grep -E '^(KEY|EXIT)' | tr '\n' '|' | sed 's/|$//')"
rows=""
for dpi in 96 120 144 192; do
  set_dpi "$dpi"
  qs_insert_disk M "$c/qs-screens/disk1"
  out=$( ("$run" "$drive" install --input keys --fit "$dpi" --start 'M:\SETUP.EXE' --disk '2=C:\qs-screens\disk2' \
    --answer '関連付けの確認=6' 2>&1 || true) | u8)
  echo "$out" | grep -v '^FIT' | sed "s/^/  $dpi | /"
  check "$dpi DPI: the screen reports it" "DPI $dpi" "$(echo "$out" | grep '^DPI')"
  check "$dpi DPI: installed by keys, code 0" "EXIT 0" "$(echo "$out" | grep '^EXIT')"
  check "$dpi DPI: the installation is in place" yes "$([ -f "$app/UNSETUP.INI" ] && echo yes || echo no)"
  check "$dpi DPI: Tab and Space ticked the licence box, Alt+A agreed" "KEY Space|KEY Alt+A" \
    "$(echo "$out" | grep -E '^KEY (Space|Alt\+A)$' | head -2 | tr '\n' '|' | sed 's/|$//')"
  rows+=$(echo "$out" | sed -n "s/^FIT \([^ ]*\) [^ ]* \([0-9]*\) \([0-9]*\)$/\1 $dpi \2 \3/p")$'\n'

  line=$("$run" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QuillonDemo' /v UninstallString 2>/dev/null |
    u8 | sed -n 's/.*REG_EXPAND_SZ *//p') || true
  out=""
  [ -n "$line" ] && out=$( ("$run" "$drive" uninstall --input keys --fit "$dpi" --start "$line" --deletion Yes 2>&1 || true) | u8)
  echo "$out" | grep -v '^FIT' | sed "s/^/  $dpi | /"
  check "$dpi DPI: removed by keys, code 0" "EXIT 0" "$(echo "$out" | grep '^EXIT')"
  check "$dpi DPI: the deletion question answered with Alt+Y" "KEY Alt+Y" "$(echo "$out" | grep -m1 -x 'KEY Alt+Y')"
  check "$dpi DPI: the installation folder is gone" no "$([ -e "$app" ] && echo yes || echo no)"
  rows+=$(echo "$out" | sed -n "s/^FIT \([^ ]*\) [^ ]* \([0-9]*\) \([0-9]*\)$/\1 $dpi \2 \3/p")$'\n'
done

# One row per window and DPI: the controls checked over all its pages, and the clipped.
echo
printf '%-18s %5s %17s %8s\n' window DPI "controls checked" clipped
table=$(echo "$rows" | awk 'NF == 4 { k = $1 " " $2; n[k] += $3; f[k] += $4; if (!(k in seen)) { seen[k] = 1; order[++m] = k } }
  END { for (i = 1; i <= m; i++) { split(order[i], p, " "); printf "%-18s %5s %17d %8d\n", p[1], p[2], n[order[i]], f[order[i]] } }')
echo "$table"
for window in wizard progress deletion uninstaller-panel; do
  check "$window: checked at every DPI, nothing clipped" "96 0|120 0|144 0|192 0" \
    "$(echo "$table" | awk -v w="$window" '$1 == w && $3 > 0 { print $2, $4 }' | tr '\n' '|' | sed 's/|$//')"
done
checks_done "the windows fit at every DPI and work by keys alone"
