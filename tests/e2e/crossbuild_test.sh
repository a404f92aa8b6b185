#!/usr/bin/env bash
# Package A installed by the i686 build (under WoW64), B by the x86-64 build, both with the same entry name,
# registry key and system-folder file name, a self-registering component of their bitness and one shared
# file in the Windows folder; the last installer's UNQUILLN.EXE removes the other build's package, then its
# own. Both orders; the prefix ends as before.
# usage: crossbuild_test.sh SETUP-i686.EXE QDEMO-i686.DLL SETUP-x64.EXE QDEMO-x64.DLL rundrive.exe
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
export WINEPREFIX="$root/build/wineprefix-e2e"
source "$root/scripts/wine-env.sh" && source "$root/tests/check.sh" && qs_require_wow64
"$root/scripts/wine-prefix.sh"
run="$root/scripts/wine-run.sh" c="$WINEPREFIX/drive_c" drive=$5 snap=$(mktemp -d "${TMPDIR:-/tmp}/qs-cross.XXXXXX")
trap 'rm -rf "$snap" "$c/qs-cross"' EXIT
source "$root/scripts/prefix-snapshot.sh"
# Names of this run alone, whatever a run that failed half-way left.
n=QCross$$ entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\'QCross$$
value() { "$run" reg query "$1" /v "$2" "/reg:$3" 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_[A-Z_]* *//p'; }
state() { # each view's entry, key, system-folder file and shared count; the shared file, the component
  for v in 32 64; do
    printf '%s:%s,%s,%s,%s ' $v "$(value "$entry" DisplayName $v)" "$(value "HKLM\\SOFTWARE\\$n" Build $v)" "$(ls \
      "$c/windows/$([ $v = 32 ] && echo syswow64 || echo system32)/$n.SYS" 2>/dev/null | wc -l)" "$(value 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs' "C:\\windows\\$n.DAT" $v)"
  done
  echo "$(ls "$c/windows/$n.DAT" 2>/dev/null | wc -l),$(value 'HKCU\Software\Quillon\DemoComponent' Registered 64 | wc -l)"
}
install() { # name, SETUP.EXE, QDEMO.DLL
  mkdir -p "$c/qs-cross/$1" && cp "$2" "$c/qs-cross/$1/SETUP.EXE" && cp "$3" "$c/qs-cross/$1/QDEMO.DLL"
  echo x | tee "$c/qs-cross/$1/$n.DAT" >"$c/qs-cross/$1/$n.SYS"
  printf '%s\r\n' '[Title]' "Setup=Cross $1" "UnSetupDisplay=Cross $1" "UnSetupKey=$n" '[DefaultFolder]' "Folder=(Prg)\\$n $1\\" \
    '[ProgramID]' "ID=$n$1" '[CopyFile]' 'File1=(App)\QDEMO.DLL,/R' "File2=(Win)\\$n.DAT,/S" "File3=(Sys)\\$n.SYS" '[Registry]' \
    "Key1=(Local)\\SOFTWARE\\$n" 'Name1=Build' "Value1=(Str)$1" '[DeleteRegistry]' "Key1=(Local)\\SOFTWARE\\$n" >"$c/qs-cross/$1/SETUP.INI"
  check "$1 installed" "EXIT 0" "$("$run" "$drive" watch --start "C:\\qs-cross\\$1\\SETUP.EXE /VERYSILENT /SUPPRESSMSGBOXES" 2>&1)"
}
# Control: what Wine itself changes when a program of each build starts and ends.
mkdir -p "$c/qs-cross/c32" "$c/qs-cross/c64" && cp "$1" "$c/qs-cross/c32/SETUP.EXE" && cp "$3" "$c/qs-cross/c64/SETUP.EXE"
# Logs an earlier round kept must not hide this one's.
rm -f "$c"/users/*/Temp/QuillonSetup-*.log
snapshot before
for b in 32 64; do "$run" "$drive" uninstall --start "C:\\qs-cross\\c$b\\SETUP.EXE" --timeout 30000 >/dev/null 2>&1 || true; done
snapshot control
round() { # first build (name, SETUP, DLL, bits), then the second
  install "$1" "$2" "$3"; install "$5" "$6" "$7"
  local both="32:Cross A,A,1,0x1 64:Cross B,B,1,0x1 1,1" left
  check "both installed, each in its views" "$both" "$(state)"
  check "$1 removed by the $8-bit uninstaller" "EXIT 0" \
    "$("$run" "$drive" watch --start "$(value "$entry" QuietUninstallString "$4")" 2>&1 | grep '^EXIT')"
  [ "$4" = 32 ] && left=${both/32:Cross A,A,1,0x1/32:,,0,} || left=${both/64:Cross B,B,1,0x1/64:,,0,}
  check "only $1's views emptied, the shared file kept, the component unregistered" "${left%1}0" "$(state)"
  # The quiet removal left the shared file on purpose: it keeps its log, which says why.
  check "$1's removal kept its log naming the file it left" 1 \
    "$(cat "$c"/users/*/Temp/QuillonSetup-*.log 2>/dev/null | iconv -f CP932 -t UTF-8 | grep -c "残すファイル .*$n.DAT")"
  rm -f "$c"/users/*/Temp/QuillonSetup-*.log
  check "$5 removed, the shared file with it (the wizard)" "EXIT 0" \
    "$("$run" "$drive" uninstall --start "$(value "$entry" UninstallString "$8")" --deletion Yes 2>&1 | grep '^EXIT')"
  snapshot "after$1"
  # Only what every uninstallation keeps (its copy, the program-ID register, the count registers' keys)
  # and the parent key that the component's unregistration leaves.
  check "nothing else left behind" "" "$(changes before "after$1" control files | grep -v -e QUSET98.INI -e UNQUILLN.EXE;
    changes before "after$1" control reg | grep -v -e 'SharedDLLs\]$' -e 'USER\\Software\\Quillon\]$')"
}
round A "$1" "$2" 32 B "$3" "$4" 64 # installed by i686, removed by the x86-64 uninstaller
round B "$3" "$4" 64 A "$1" "$2" 32 # installed by x86-64, removed by the i686 uninstaller
checks_done "cross-build round trips passed"
