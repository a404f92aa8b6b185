#!/usr/bin/env bash
# Faults of the machine during a run, on a drive that really is small or read-only: a
# size-limited file system (tmpfs) mounted for the test and given to the prefix as drive
# R:. The disk fills up in the middle of a copy; later the same drive is read-only. The
# run reports what failed, the exit code says so, and an earlier record is never lost.
# Needs the right to mount (root in the build container); without it the test is skipped
# (not run, exit 77) and says why, except in CI (QS_CI), where that is a failure.
# usage: faults_test.sh SETUP.EXE rundrive.exe
set -euo pipefail
setup=$(realpath "$1") drive=$(realpath "$2")
root="$(cd "$(dirname "$0")/../.." && pwd)"
export WINEPREFIX="$root/build/wineprefix-e2e"
source "$root/scripts/wine-env.sh" && source "$root/tests/check.sh"
"$root/scripts/wine-prefix.sh"
run="$root/scripts/wine-run.sh"
c="$WINEPREFIX/drive_c"
mnt="$root/build/qs-small-drive"
mkdir -p "$mnt"
mount -t tmpfs -o size=2m tmpfs "$mnt" 2>/dev/null ||
  qs_not_run "this machine does not allow mounting a small file system (needs root)"
pkg="$c/qs-faults"
cleanup() {
  rm -f "$WINEPREFIX/dosdevices/r:"
  umount "$mnt" 2>/dev/null || true
  rm -rf "$pkg"
  "$run" reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QuillonFaults' /f >/dev/null 2>&1 || true
}
trap cleanup EXIT
ln -sfn "$mnt" "$WINEPREFIX/dosdevices/r:"


rm -rf "$pkg"
mkdir -p "$pkg"
cp "$setup" "$pkg/SETUP.EXE"
for f in BIG1 BIG2 BIG3; do head -c 700000 /dev/urandom >"$pkg/$f.BIN"; done
# A missing first source turns the free-space check off, so the disk fills up mid-copy.
printf '%s\r\n' '[Title]' 'Setup=障害テスト' 'UnSetupKey=QuillonFaults' '[CopyFile]' 'File1=(App)\NOTHERE.TXT' \
  'File2=(App)\BIG1.BIN' 'File3=(App)\BIG2.BIN' 'File4=(App)\BIG3.BIN' | iconv -f UTF-8 -t CP932 >"$pkg/SETUP.INI"

install() { # log name -> exit line
  "$run" "$drive" watch --start "C:\\qs-faults\\SETUP.EXE /VERYSILENT /SUPPRESSMSGBOXES /DIR=R:\\App /LOG=\"C:\\qs-faults\\$1.log\"" \
    2>&1 | u8 | grep '^EXIT'
}

# The disk fills up during the third copy.
check "full disk: partly failed" "EXIT 1" "$(install full)"
log=$(u8 <"$pkg/full.log")
check "full disk: the copy that did not fit" 1 \
  "$(echo "$log" | grep -c 'コピー C:\\qs-faults\\BIG3.BIN -> R:\\App\\BIG3.BIN -> エラー 112 ')"
check "full disk: the files that fitted" "same same" \
  "$(for f in BIG1 BIG2; do cmp -s "$mnt/App/$f.BIN" "$pkg/$f.BIN" && echo same || echo differs; done | tr '\n' ' ' | sed 's/ $//')"
# A half-written file under the installed name would later pass for the installed one.
check "full disk: no half file left under the name" no "$([ -e "$mnt/App/BIG3.BIN" ] && echo yes || echo no)"

# With room again the installation completes and leaves its record.
rm -f "$mnt/App/BIG2.BIN" "$mnt/App/BIG3.BIN"
printf '%s\r\n' '[Title]' 'Setup=障害テスト' 'UnSetupKey=QuillonFaults' '[CopyFile]' 'File1=(App)\BIG1.BIN' \
  | iconv -f UTF-8 -t CP932 >"$pkg/SETUP.INI"
check "room again: complete" "EXIT 0" "$(install room)"
earlier=$(md5sum <"$mnt/App/UNSETUP.INI")

# Full again: a newer version of a file cannot replace the installed one, which stays as
# it was; the new record cannot be written, and the earlier one stays whole.
installed=$(md5sum <"$mnt/App/BIG1.BIN")
head -c 2000000 /dev/zero >"$mnt/filler" 2>/dev/null || true
head -c 700000 /dev/urandom >"$pkg/BIG1.BIN"
printf '%s\r\n' '[Title]' 'Setup=障害テスト' 'UnSetupKey=QuillonFaults' '[CopyFile]' 'File1=(App)\NOTHERE.TXT' \
  'File2=(App)\BIG1.BIN,/W' 'File3=(App)\BIG2.BIN' | iconv -f UTF-8 -t CP932 >"$pkg/SETUP.INI"
check "full again: partly failed" "EXIT 1" "$(install fullagain)"
check "full again: the installed file that could not be replaced is whole" "$installed" "$(md5sum <"$mnt/App/BIG1.BIN")"
check "full again: its replacement failed for want of space" 1 \
  "$(u8 <"$pkg/fullagain.log" | grep -c 'コピー C:\\qs-faults\\BIG1.BIN -> R:\\App\\BIG1.BIN -> エラー 112 ')"
check "full again: the earlier record is untouched" "$earlier" "$(md5sum <"$mnt/App/UNSETUP.INI")"
check "full again: no fallback file" "" "$(ls "$mnt/App" | grep -i '^UNTMP' || true)"
check "full again: the record could not be written" 1 "$(u8 <"$pkg/fullagain.log" | grep -c 'アンインストール情報 -> 作成できませんでした')"
rm -f "$mnt/filler"

# Read-only: nothing can be written; the run says so and the record stays as it was.
mount -o remount,ro "$mnt"
check "read-only: partly failed" "EXIT 1" "$(install readonly)"
check "read-only: the earlier record is untouched" "$earlier" "$(md5sum <"$mnt/App/UNSETUP.INI")"
check "read-only: the copy failed with the system's text" 1 \
  "$(u8 <"$pkg/readonly.log" | grep -c 'コピー C:\\qs-faults\\BIG2.BIN -> R:\\App\\BIG2.BIN -> エラー ')"

checks_done "faults of the disk handled"
