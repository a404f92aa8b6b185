#!/usr/bin/env bash
# The demo package laid out on disks by qpack and installed from media that really
# change: drive M: shows DISK1 when SETUP.EXE starts and is re-pointed to the next disk's
# folder when the installer asks for it. The installation leaves the same files (names
# and bytes) and the same record as one from the package in one folder; qcheck calls the
# layout clean. Runs in the end-to-end test's prefix.
# usage: disks_test.sh SETUP.EXE QDEMO.DLL rundrive.exe NATIVE-BUILD
set -euo pipefail
setup=$(realpath "$1") component=$(realpath "$2") drive=$(realpath "$3") native=$(realpath "$4")
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/e2e/demo-e2e.sh"
source "$root/scripts/wine-env.sh"
work="$c/qs-kit-disks"
trap 'rm -rf "$work" "$WINEPREFIX/dosdevices/m:"' EXIT

# Names and bytes of the installed files, and the record.
installed() { (cd "$app" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum); }

clean_demo_traces
rm -rf "$work"
"$root/scripts/make-demo-package.sh" "$work/package" "$setup" "$component"
mkdir -p "$work/one"
mv "$work/package/disk1/"* "$work/package/disk2/"* "$work/one/"

# From one folder: the disk requested is there already.
out=$("$run" "$drive" install --start 'C:\qs-kit-disks\one\SETUP.EXE' --answer '関連付けの確認=6' 2>&1 | u8)
check "one folder: installed" "EXIT 0" "$(echo "$out" | grep '^EXIT')"
installed >"$work/one.sums"
cp "$app/UNSETUP.INI" "$work/one.ini"
uninstall_demo "$drive" >/dev/null

# The layout: as many disks as the package needs at the size, every one of them used. The
# size is half-way between what disk 1 must hold (qpack names it when it cannot) and the
# whole package on one disk, so it follows the size of SETUP.EXE.
fixed=$("$native/qpack" --compress always --disks 1 "$work/one" "$work/probe" 2>&1 | sed -n 's/.*files (\([0-9]*\) bytes).*/\1/p' || true)
"$native/qpack" --compress always "$work/one" "$work/whole" >/dev/null
whole=$(find "$work/whole" -type f -exec cat {} + | wc -c)
out=$("$native/qpack" --compress always --disks $(( (fixed + whole) / 2 )) "$work/one" "$work/layout")
echo "$out" | sed 's/^/  | /'
disks=$(ls -d "$work/layout"/DISK* | wc -l)
check "qpack made disks, the checker calls them clean" "2 disks, exit 0" \
  "$disks disks, exit $("$native/qcheck" "$work/layout" >/dev/null && echo 0 || echo $?)"

# From the layout: drive M: holds DISK1; each request re-points it to the disk asked for.
qs_insert_disk M "$work/layout/DISK1"
out=$("$run" "$drive" install --start 'M:\SETUP.EXE' --disk '2=C:\qs-kit-disks\layout\DISK2' \
  --answer '関連付けの確認=6' 2>&1 | u8)
echo "$out" | sed 's/^/  | /'
check "layout: installed" "EXIT 0" "$(echo "$out" | grep '^EXIT')"
check "layout: the disk was asked for" "BOX [ディスク交換] 2枚目のディスクに交換してください。" "$(echo "$out" | grep 'ディスク交換')"
check "layout: M: holds the last disk now" "$(realpath "$work/layout/DISK2")" "$(readlink -f "$WINEPREFIX/dosdevices/m:")"
check "layout: the same files, names and bytes" "" "$(diff "$work/one.sums" <(installed))"
check "layout: the same record" same "$(cmp -s "$app/UNSETUP.INI" "$work/one.ini" && echo same || echo differs)"
uninstall_demo "$drive" >/dev/null
clean_demo_traces

checks_done "the disk layout installs as the one folder does"
