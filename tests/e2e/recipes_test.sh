#!/usr/bin/env bash
# The recipes of docs/deploy.md, taken out of the document and run as written against the
# demo package in the end-to-end prefix (one command line for CreateProcess, the exit
# code read in full by rundrive); their code tables held against the program's help.
# usage: [QS_DEPLOY_DOC=other.md] recipes_test.sh SETUP.EXE QDEMO.DLL rundrive.exe
set -euo pipefail
setup=$(realpath "$1") component=$(realpath "$2") drive=$(realpath "$3")
root="$(cd "$(dirname "$0")/../.." && pwd)" here="$root/tests/e2e"
source "$here/demo-e2e.sh"
snap=$(mktemp -d "${TMPDIR:-/tmp}/qs-fleet.XXXXXX") && source "$root/scripts/prefix-snapshot.sh"
trap 'rm -rf "$snap" "$c/qs-fleet" "$c/Deploy" "$c/Fleet Apps" "$c/windows/temp/QuillonDemo-"*.log' EXIT
doc="${QS_DEPLOY_DOC:-$root/docs/deploy.md}" pkg='C:\qs-fleet\disk1' entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QuillonDemo'
block() { awk -v n="recipe:$1" '/^```/ && on {exit} on; /^```/ && $2 == n {on=1}' "$doc" | tr -d '\r'; }
yaml() { block "$1" | sed -n "s/^ *$2: //p"; }
exe() { echo "${1/#SETUP.EXE/"$pkg\\SETUP.EXE"}"; }
line() { exe "$(block "$1" | grep -v '^rem' | sed -n "${2}p")"; }
code() { "$run" "$drive" watch --start "$1" 2>/dev/null | u8 | sed -n 's/^EXIT //p'; }
value() { "$run" reg query "$entry" /v "$1" 2>/dev/null | u8 | sed -n "s/.*REG_[A-Z_]* *//p"; }
entries() { "$run" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | u8 | grep -c 'DisplayName .*Quillon デモ' || true; }
in_list() { echo " $2 " | grep -q " $1 "; }
help=$("$run" "$setup" '/?' 2>/dev/null | u8)
silent="$(yaml winget Silent)"
declare -A meaning=([rebootRequiredToFinish]=再起動が必要 [rebootInitiated]=再起動しました [installInProgress]=実行中
  [cancelledByUser]=取り消され [invalidParameter]=コマンドライン [systemNotSupported]=前提条件 [contactSupport]='失敗|エラー'
  [Success]='成功$' ['Soft reboot']=再起動が必要 ['Hard reboot']=再起動しました [Retry]=実行中)
# A table row "code meaning" agrees with the help text's row for that code.
row_ok() { echo "$help" | grep -E "^  $1 " | grep -Eq "${meaning[$2]}"; }
table_ok() { while read -r n m; do row_ok "$n" "$m" || return 1; done; }
winget_codes() { block winget | awk '/InstallerReturnCode:/ {c = $NF} /ReturnResponse:/ {print c, $NF}'; }
success=$(echo 0 $(block winget | awk '/^[A-Z]/ {on = /^InstallerSuccessCodes:/} on && /^  - / {print $2}'))
response() { winget_codes | awk -v c="$1" '$1 == c {print $2}'; }

clean_demo_traces
"$root/scripts/make-demo-package.sh" "$c/qs-fleet" "$setup" "$component"
cp -r "$c/qs-fleet/disk1" "$c/qs-fleet/nodisk2" && cp "$c/qs-fleet/disk2/DISK2.TXT" "$c/qs-fleet/disk1/"
mkdir -p "$c/Deploy" "$c/qs-fleet/shots"
snapshot before
"$run" "$drive" watch --start "$pkg\\SETUP.EXE /VERYSILENT /DIR=" >/dev/null 2>&1 || true
snapshot control

# The code tables, row by row, against the program's help text; a changed code fails.
check "winget codes match the program" yes "$(winget_codes | table_ok && echo yes)"
check "intune codes match the program" yes "$(block intune | sed -n 's/^  \([0-9]*\): /\1 /p' | table_ok && echo yes)"
check "choco codes are successes" yes "$(for n in $(block choco-install | grep -o '@([0-9, ]*)' | tr -d '@(),'); do row_ok "$n" Success || row_ok "$n" 'Soft reboot' || row_ok "$n" 'Hard reboot' || exit; done && echo yes)"
check "broken table: 3010 called a hard reboot" no "$(echo '3010 Hard reboot' | table_ok && echo yes || echo no)"

# Bad answer files: the message, exit 2, nothing installed.
bad="$c/qs-fleet/bad.inf" && mkdir "$c/qs-fleet/folder.inf"
for row in 'missing||応答ファイルが見つかりません' 'folder||応答ファイルを読めません（エラー 5 ' \
  'range|[Setup]\r\nHighSpeed=2|[Setup] HighSpeed=2 : 値は 0 か 1 です' 'key|[Setup]\r\nShortcuts=1|[Setup] Shortcuts : 不明なキーです' \
  'utf8|[Setup]\r\nFolder=C:\\表示|応答ファイルがCP932（シフトJIS）ではありません（UTF-8）'; do
  IFS='|' read -r name body message <<<"$row" && printf '%b\r\n' "$body" >"$bad" && f='C:\qs-fleet\bad.inf'
  case $name in missing) rm "$bad" ;; folder) f='C:\qs-fleet\folder.inf' ;; esac
  out=$("$run" "$drive" watch --start "$pkg\\SETUP.EXE $silent /LOADINF=\"$f\"" 2>/dev/null | u8)
  check "bad answer file, $name" "yes EXIT 2 0 no" "$(echo "$out" | grep -F "/LOADINF=\"$f\" : $message" >/dev/null && echo yes) \
$(echo "$out" | grep '^EXIT') $(entries) $([ -e "$app" ] && echo yes || echo no)"
done

# The wizard with /SAVEINF, held at its title page while the silent recipe runs (another
# installation in progress), then driven on: desktop shortcut unticked, association declined.
"$run" "$drive" install --start "$(line answers 1)" --toggle 217 --answer '関連付けの確認=7' \
  --shots 'C:\qs-fleet\shots' >"$snap/wizard.out" 2>&1 &
wizard=$!
for _ in $(seq 1200); do [ -e "$c/qs-fleet/shots/title.wait" ] && break; sleep 0.1; done
busy=$(code "$pkg\\SETUP.EXE $silent")
check "silent run while the wizard runs: $busy" installInProgress "$(response "$busy")"
while kill -0 $wizard 2>/dev/null; do rm -f "$c/qs-fleet/shots/"*.wait; sleep 0.2; done
check "wizard ended" "EXIT 0" "$(u8 <"$snap/wizard.out" | grep '^EXIT')"
check "answer file as documented" same "$(cmp -s <(block answers-file | sed 's/$/\r/') "$c/Deploy/quillon-demo.inf" && echo same || echo differs)"
snapshot wizard && cp "$app/UNSETUP.INI" "$snap/wizard.ini"
check "intune uninstall command" 0 "$(code "$(block intune | sed -n 's/^uninstall command: //p')")"
clean_demo_traces
check "replayed with /LOADINF" 0 "$(code "$(line answers 2)")"
snapshot replay
check "replay: the same files and registry" "" "$(LC_ALL=C comm -3 <({ changes before wizard control files; changes before wizard control reg; } | LC_ALL=C sort) \
  <({ changes before replay control files; changes before replay control reg; } | LC_ALL=C sort) | grep -v '/Deploy')"
check "replay: the same record" same "$(cmp -s "$app/UNSETUP.INI" "$snap/wizard.ini" && echo same || echo differs)"
check "replay: declined association, no desktop link" "absent 0" "$("$run" reg query 'HKCR\.qdemo' >/dev/null 2>&1 && echo present || echo absent) $(ls "$c/users/$user/Desktop" | grep -c 表示テスト || true)"
check "quiet uninstall" 0 "$(code "$(value QuietUninstallString)")"
clean_demo_traces

# The package manager: silent into a folder with blanks, with a log; with progress again.
dir='C:\Fleet Apps\Quillon' log='C:\qs-fleet\winget.log'
il=$(yaml winget InstallLocation) lg=$(yaml winget Log)
wg="$silent ${il/<INSTALLPATH>/"$dir"} ${lg/<LOGPATH>/"$log"}"
n=$(code "$pkg\\SETUP.EXE $wg")
check "winget silent: $n is a success" yes "$(in_list "$n" "$success" && echo yes)"
check "winget: installed where asked, logged" "yes $dir\\ yes" "$([ -f "$c/Fleet Apps/Quillon/README.TXT" ] && echo yes) $(value InstallLocation) $(u8 <"$c/qs-fleet/winget.log" | grep '終了コード 0' >/dev/null && echo yes)"
n=$(code "$pkg\\SETUP.EXE $(yaml winget SilentWithProgress) ${wg#"$silent" }")
check "winget with progress: $n is a success, one entry" "yes 1" "$(in_list "$n" "$success" && echo yes) $(entries)"
check "broken switch fails" no "$(in_list "$(code "$pkg\\SETUP.EXE ${wg/VERYSILENT/VERYSILNT}")" "$success" && echo yes || echo no)"
check "an unknown switch: invalidParameter" invalidParameter "$(response "$(code "$pkg\\SETUP.EXE $silent /BOGUS")")"
check "disk 2 missing: cancelledByUser" cancelledByUser "$(response "$(code "C:\\qs-fleet\\nodisk2\\SETUP.EXE $silent /DIR=C:\\qs-fleet\\cancelled")")"
quiet=$(value QuietUninstallString)
check "choco uninstall through QuietUninstallString" yes "$(in_list "$(code "$quiet")" "0 3010 1641" && echo yes)"
check "entry gone" 0 "$(entries)"
clean_demo_traces

# The management tool: install, both detection rules, version 2 over it, uninstall.
check "intune install" 0 "$(code "$(exe "$(yaml intune 'install command')")")"
path=$(yaml intune path) && path="$c/${path#C:\\}" && path="${path//\\//}/$(yaml intune 'file or folder')"
detect() { echo "$(printf '%s\n' "$(yaml intune value)" "$(value "$(yaml intune 'value name')")" | sort -V -C && echo reg) $([ -e "$path" ] && echo file)"; }
check "detection rules hold" "reg file" "$(detect)"
v2="$c/qs-fleet/v2" && cp -r "$c/qs-fleet/disk1" "$v2" && echo v2 >"$v2/V2.TXT"
iconv -f CP932 -t UTF-8 "$v2/SETUP.INI" | sed 's/^DisplayVersion=1.0/DisplayVersion=2.0/; s/^UnSetupOption=.*/UnSetupOption=DeleteAll\r/;
  s/^\(File6=.*\)\r$/\1\r\nFile7=(App)\\V2.TXT\r/; /^Name1=qdemo/d; /^File1=open/d' | iconv -f UTF-8 -t CP932 >"$v2/S" && mv "$v2/S" "$v2/SETUP.INI"
check "version 2 over version 1" 0 "$(code "C:\\qs-fleet\\v2\\SETUP.EXE $silent")"
check "one entry of version 2" "1 2.0 reg file" "$(entries) $(value DisplayVersion) $(detect)"
check "merged record: v1's association, v2's file" "1 1" "$(u8 <"$app/UNSETUP.INI" | grep -c '^Key1=qdemo,') $(u8 <"$app/UNSETUP.INI" | grep -c 'V2.TXT$')"
echo mine >"$app/メモ.TXT"
printf '%s\r\n' $(block uninstall-answers-file) >"$c/Deploy/keep-user-files.inf"
# 1: the folder stays for a file that is not the package's, as without an answer file.
check "uninstall with DeleteAll=0" "1 yes" "$(code "$(block uninstall-answers)") $(u8 <"$c/windows/temp/QuillonDemo-uninstall.log" | grep -E 'フォルダ削除 .*Quillon Demo\\ -> エラー (145|5) ' >/dev/null && echo yes)"
check "user file kept, rules no longer hold" "yes " "$([ -f "$app/メモ.TXT" ] && echo yes) $(detect | tr -d ' ')"
check "v2 again, preset deletes everything" "0 0 gone" "$(code "C:\\qs-fleet\\v2\\SETUP.EXE $silent") $(code "$(value QuietUninstallString)") $([ -e "$app/メモ.TXT" ] || echo gone)"
clean_demo_traces
checks_done "deployment recipes passed"
