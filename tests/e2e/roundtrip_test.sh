#!/usr/bin/env bash
# The demo package installed through the real windows of SETUP.EXE and removed again
# through the uninstaller that its installed-programs entry names, driven from a second
# process (rundrive) as a user would. After the installation the files (bytes), registry
# values (type and data), shortcuts (read with lnkinfo), QUSET98.INI, the entry and the
# record (byte for byte against a golden file written by hand) are checked; after the
# removal the prefix's files and registry must be as before, except what an uninstall
# keeps. A control run (the program started and left without installing) tells Wine's
# own changes apart.
# Runs in a prefix of its own so that other tests cannot change it meanwhile.
# usage: roundtrip_test.sh SETUP.EXE QDEMO.DLL rundrive.exe [32: the i686 build, under WoW64: HKLM keys in the 32-bit view]
set -euo pipefail
setup=$(realpath "$1") component=$(realpath "$2") drive=$(realpath "$3") bits=${4:-64}
root="$(cd "$(dirname "$0")/../.." && pwd)"
here="$root/tests/e2e"
source "$here/demo-e2e.sh"
snap=$(mktemp -d "${TMPDIR:-/tmp}/qs-e2e.XXXXXX")
trap 'rm -rf "$snap" "$c/qs-e2e" "$c/qs-e2e-control" "$WINEPREFIX/dosdevices/m:"' EXIT
source "$root/scripts/prefix-snapshot.sh"
clean() { clean_demo_traces; }
clean
"$root/scripts/make-demo-package.sh" "$c/qs-e2e" "$setup" "$component"
mkdir -p "$c/qs-e2e-control"
cp "$setup" "$c/qs-e2e-control/SETUP.EXE"

# Control: what Wine itself changes when a program of ours starts and ends.
snapshot before
"$run" "$drive" uninstall --start 'C:\qs-e2e-control\SETUP.EXE' --timeout 30000 >/dev/null 2>&1 || true
snapshot control

# The installation through the wizard, the progress window and the completion page,
# from a drive of its own as from a CD: when disk 2 is asked for, the medium changes (the
# drive is re-pointed at disk 2, which holds no SETUP.EXE).
qs_insert_disk M "$c/qs-e2e/disk1"
out=$("$run" "$drive" install --start 'M:\SETUP.EXE' --disk '2=C:\qs-e2e\disk2' \
  --answer '関連付けの確認=6' 2>&1 | u8)
echo "$out" | sed 's/^/  | /'
check "installer ended with code 0" "EXIT 0" "$(echo "$out" | grep '^EXIT')"
check "the medium was changed" "MEDIUM M:\ -> C:\qs-e2e\disk2 changed" "$(echo "$out" | grep '^MEDIUM')"
check "questions asked" "BOX [フォルダ作成] C:\\Program Files\\Quillon Demo\\|BOX [ディスク交換] 2枚目のディスクに交換してください。|BOX [関連付けの確認] 拡張子 *.qdemo を" \
  "$(echo "$out" | grep '^BOX' | tr '\n' '|' | sed 's/|$//')"

# Files, byte for byte; the compressed ones against their originals and msexpand.
src="$root/examples/demo"
for pair in "README.TXT:README.TXT" "文書/表示テスト.TXT:表示テスト.TXT" "データ/SAMPLE.DAT:SAMPLE.DAT" \
            "ヘルプ.TXT:HELP.TXT" "データ/DISK2.TXT:DISK2.TXT"; do
  check "installed ${pair%%:*}" same "$(cmp -s "$app/${pair%%:*}" "$src/${pair#*:}" && echo same || echo differs)"
done
check "component installed" same "$(cmp -s "$app/QDEMO.DLL" "$component" && echo same || echo differs)"
msexpand <"$c/qs-e2e/disk1/SAMPLE.DA_" >"$snap/sample.dat" 2>/dev/null
check "SAMPLE.DAT as msexpand expands it" same "$(cmp -s "$app/データ/SAMPLE.DAT" "$snap/sample.dat" && echo same || echo differs)"
check "INI setting" "[Demo]|Folder=C:\\Program Files\\Quillon Demo\\" "$(u8 <"$app/DEMO.INI" | tr '\n' '|' | sed 's/|$//')"

# Registry values with their types and data.
q() { "$run" reg query "$@" 2>/dev/null | u8 | sed -n 's/^    //p' | sed 's/    /|/g' | LC_ALL=C sort | tr '\n' ';'; }
check "registry values" \
  "Count|REG_DWORD|0x1f;DataPath|REG_EXPAND_SZ|%USERPROFILE%\\Quillon デモ;Flags|REG_BINARY|0D0C0B0A;InstallDir|REG_SZ|C:\\Program Files\\Quillon Demo;Level|REG_DWORD|0xfffffffe;" \
  "$(q 'HKCU\Software\Quillon\Demo')"
check "machine-wide default value" "(既定)|REG_SZ|Quillon デモ（コンピュータ全体）;" "$(q 'HKLM\SOFTWARE\Quillon\Demo')"
check "component registered itself" "Registered|REG_SZ|C:\\Program Files\\Quillon Demo\\QDEMO.DLL;" \
  "$(q 'HKCU\Software\Quillon\DemoComponent')"
check "shared count" "1" "$("$run" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs' /v "C:\\$pf\\Quillon Demo\\QDEMO.DLL" 2>/dev/null | u8 | sed -n 's/.*REG_DWORD *0x//p')"
check "association" "(既定)|REG_SZ|qdemo_auto_file;" "$(q 'HKCR\.qdemo')"
check "association command" "(既定)|REG_SZ|\"C:\\Program Files\\Quillon Demo\\文書\\viewer.exe\" \"%1\" ;" \
  "$(q 'HKCR\qdemo_auto_file\shell\open\command')"
check "installed-programs entry" \
  "Comments|REG_SZ|Quillon Installer のデモパッケージ;DisplayIcon|REG_SZ|C:\\windows\\UNQUILLN.EXE;DisplayName|REG_SZ|Quillon デモ パッケージ;DisplayVersion|REG_SZ|1.0;Publisher|REG_SZ|Quillon Project;UninstallString|REG_EXPAND_SZ|C:\\windows\\UNQUILLN.EXE \"C:\\Program Files\\Quillon Demo\\UNSETUP.INI\";" \
  "$(q 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QuillonDemo' | tr ';' '\n' | grep -E '^(Comments|DisplayIcon|DisplayName|DisplayVersion|Publisher|UninstallString)\|' | tr '\n' ';')"
check "values for deployment tools" \
  "InstallLocation|REG_SZ|C:\\Program Files\\Quillon Demo\\;NoModify|REG_DWORD|0x1;NoRepair|REG_DWORD|0x1;QuietUninstallString|REG_EXPAND_SZ|C:\\windows\\UNQUILLN.EXE \"C:\\Program Files\\Quillon Demo\\UNSETUP.INI\" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART;" \
  "$(q 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QuillonDemo' | tr ';' '\n' | grep -E '^(InstallLocation|NoModify|NoRepair|QuietUninstallString)\|' | tr '\n' ';')"
# The size of the installed files in KB, rounded up.
bytes=$(cat "$app/README.TXT" "$app/文書/表示テスト.TXT" "$app/データ/SAMPLE.DAT" "$app/ヘルプ.TXT" "$app/QDEMO.DLL" \
  "$app/データ/DISK2.TXT" | wc -c)
check "estimated size" "$(printf '0x%x' $(((bytes + 1023) / 1024)))" \
  "$(q 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QuillonDemo' | tr ';' '\n' | sed -n 's/^EstimatedSize|REG_DWORD|//p')"
check "uninstaller copy" same "$(cmp -s "$c/windows/UNQUILLN.EXE" "$setup" && echo same || echo differs)"
check "QUSET98.INI" "[QUILLONDEMO]|Folder=C:\\Program Files\\Quillon Demo\\" "$(u8 <"$c/windows/QUSET98.INI" | grep -A1 QUILLONDEMO | tr '\n' '|' | sed 's/|$//')"

# Shortcuts as an independent parser reads them.
lnk() { lnkinfo -c windows-932 "$1" 2>/dev/null | sed -n "s/^\t$2[[:space:]]*: //p"; }
programs="$c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Quillon デモ"
check "start menu link target" "C:\\Program Files\\Quillon Demo\\README.TXT" "$(lnk "$programs/お読みください.lnk" 'Local path')"
check "start menu link folder" "C:\\Program Files\\Quillon Demo\\" "$(lnk "$programs/お読みください.lnk" 'Working directory')"
check "help link folder from its name entry" "C:\\Program Files\\Quillon Demo\\" "$(lnk "$programs/ヘルプ.lnk" 'Working directory')"
check "desktop link target" "C:\\Program Files\\Quillon Demo\\文書\\表示テスト.TXT" "$(lnk "$c/users/$user/Desktop/表示テスト.lnk" 'Local path')"

# The record, byte for byte.
sed "s/@USER@/$user/; s/Program Files\\\\/$pf\\\\/g; s/^View=64/View=$bits/" "$here/golden/UNSETUP.INI" >"$snap/expected.ini"
check "record" same "$(cmp -s "$app/UNSETUP.INI" "$snap/expected.ini" && echo same || echo differs)"
cmp "$app/UNSETUP.INI" "$snap/expected.ini" >&2 || true

snapshot installed
cp "$app/UNSETUP.INI" "$snap/windowed.ini"

# The removal, started exactly as the entry says.
uninstall=$("$run" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QuillonDemo' /v UninstallString 2>/dev/null |
  u8 | sed -n 's/.*REG_EXPAND_SZ *//p')
out=$("$run" "$drive" uninstall --start "$uninstall" --deletion Yes 2>&1 | u8)
echo "$out" | sed 's/^/  | /'
check "uninstaller ended with code 0" "EXIT 0" "$(echo "$out" | grep '^EXIT')"
check "the shared component was asked about" 1 "$(echo "$out" | grep -c "^DELETION C:\\\\$pf\\\\Quillon Demo\\\\QDEMO.DLL")"
check "no failures" 0 "$(echo "$out" | grep -c '^BOX')"

snapshot after
changes before after control files >"$snap/left.files"
changes before after control reg >"$snap/left.reg"
# An uninstallation keeps its own copy and the (now empty) program-ID register.
check "files left behind" "+ ./windows/QUSET98.INI|+ ./windows/UNQUILLN.EXE" "$(tr '\n' '|' <"$snap/left.files" | sed 's/|$//')"
# Reading a shared count makes the shared-file register's key when it is missing.
check "registry left behind" "" "$(grep -v -x -e '+ HKLM|\[HKEY_LOCAL_MACHINE\\Software\\\(Wow6432Node\\\)\?Microsoft\\Windows\\CurrentVersion\\SharedDLLs\]' "$snap/left.reg")"

# The same package without anyone at the screen: no window, the same files, registry,
# shortcuts and record as through the wizard, and the same machine afterwards.
cp "$c/qs-e2e/disk2/DISK2.TXT" "$c/qs-e2e/disk1/"
out=$("$run" "$drive" watch --start 'C:\qs-e2e\disk1\SETUP.EXE /VERYSILENT /SUPPRESSMSGBOXES /LOG="C:\qs-e2e\install.log"' 2>&1 | u8)
echo "$out" | sed 's/^/  | /'
check "unattended install: no window, code 0" "EXIT 0" "$(echo "$out" | tr '\n' ' ' | sed 's/ $//')"
snapshot unattended
check "unattended install: the same files and registry" "" \
  "$(LC_ALL=C comm -3 <({ changes before installed control files; changes before installed control reg; } | LC_ALL=C sort) \
       <({ changes before unattended control files; changes before unattended control reg; } | LC_ALL=C sort))"
check "unattended install: the same record" same "$(cmp -s "$app/UNSETUP.INI" "$snap/windowed.ini" && echo same || echo differs)"
check "log: the defaulted questions" \
  "質問 [フォルダ作成]|質問 [ディスク交換]|質問 [関連付けの確認]|選択: インストーラを終了します。(&Y)（既定の答え）" \
  "$(u8 <"$c/qs-e2e/install.log" | grep '（既定の答え）' | sed 's/^[0-9: .-]*//; s/^\(質問 \[[^]]*\]\).*/\1/' | tr '\n' '|' | sed 's/|$//')"
quiet=$("$run" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QuillonDemo' /v QuietUninstallString 2>/dev/null |
  u8 | sed -n 's/.*REG_EXPAND_SZ *//p')
out=$("$run" "$drive" watch --start "$quiet" 2>&1 | u8)
echo "$out" | sed 's/^/  | /'
# Unattended, the shared component is kept (nobody said it may go), so its folder stays
# too. Neither is a failure (code 0); the log, which says why, is kept in the temporary
# folder because the run left something behind.
check "unattended uninstall: no window, code 0" "EXIT 0" "$(echo "$out" | tr '\n' ' ' | sed 's/ $//')"
snapshot again
check "unattended uninstall: what is left" \
  "+ ./Program Files/Quillon Demo|+ ./Program Files/Quillon Demo/QDEMO.DLL|+ ./users/$user/Temp/QuillonSetup-*.log|+ ./windows/QUSET98.INI|+ ./windows/UNQUILLN.EXE" \
  "$(changes before again control files | sed 's/QuillonSetup-[0-9-]*\.log/QuillonSetup-*.log/' | tr '\n' '|' | sed 's/|$//')"
check "the kept log tells why" 1 "$(cat "$c/users/$user/Temp/"QuillonSetup-*.log | u8 | grep -c 'ファイル削除の確認 .*QDEMO.DLL.* -> Save（既定の答え）')"
clean

checks_done "install and uninstall round trip passed"
