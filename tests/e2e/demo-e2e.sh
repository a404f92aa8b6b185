# Sourced by the tests that install the demo package in the end-to-end prefix
# (build/wineprefix-e2e, which they take turns at, or QS_DEMO_PREFIX): the prefix, where the demo goes, the
# check and text helpers, and the clean-up. Needs root (the checkout); bits=32 before
# sourcing for the i686 build under WoW64 (HKLM keys in the 32-bit view, Program Files
# (x86)).
export WINEPREFIX="${QS_DEMO_PREFIX:-$root/build/wineprefix-e2e}"
source "$root/scripts/wine-env.sh"
bits=${bits:-64}
pf="Program Files" rv="" && if [ "$bits" = 32 ]; then qs_require_wow64; pf="Program Files (x86)" rv=/reg:32; fi
"$root/scripts/wine-prefix.sh"
run=run && run() { if [ "$1" = reg ] && [[ "$3" == HKLM* ]]; then "$root/scripts/wine-run.sh" "$@" $rv; else "$root/scripts/wine-run.sh" "$@"; fi; }
c="$WINEPREFIX/drive_c"
user=$(ls "$c/users" | grep -v -x Public | head -1)
app="$c/$pf/Quillon Demo"

source "$root/tests/check.sh"
# Expected texts name "Program Files"; the i686 build installs into its own.
check() { qs_check "$1" "${2//Program Files/$pf}" "$3"; }

# Removes what an earlier round left (one that failed half-way, or the uninstaller copy
# and the register every round keeps), so that it cannot hide this round's doing.
clean_demo_traces() {
  rm -rf "$app" "$c/users/$user/Desktop/表示テスト.lnk" \
    "$c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Quillon デモ" \
    "$c/windows/UNQUILLN.EXE" "$c/windows/QUSET98.INI" "$c/users/$user/Temp/"QuillonSetup-*.log
  for key in 'HKCU\Software\Quillon' 'HKLM\SOFTWARE\Quillon' 'HKCR\.qdemo' 'HKCR\qdemo_auto_file' \
             'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QuillonDemo'; do
    "$run" reg delete "$key" /f >/dev/null 2>&1 || true
  done
  "$run" reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs' \
    /v "C:\\$pf\\Quillon Demo\\QDEMO.DLL" /f >/dev/null 2>&1 || true
}

# uninstall_demo RUNDRIVE: removes the demo through the UninstallString its entry names,
# as the list of installed programs starts it; prints what rundrive prints.
uninstall_demo() {
  local line
  line=$("$run" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QuillonDemo' /v UninstallString 2>/dev/null |
    u8 | sed -n 's/.*REG_EXPAND_SZ *//p')
  "$run" "$1" uninstall --start "$line" --deletion Yes 2>&1 | u8
}
