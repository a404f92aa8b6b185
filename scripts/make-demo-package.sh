#!/usr/bin/env bash
# Builds the demo package from examples/demo as a distributor would ship it on two
# disks: OUT/disk1 holds SETUP.EXE, the script and the files, two of them compressed
# with mscompress (an independent SZDD writer); OUT/disk2 holds the file the script
# asks the next disk for.
#   make-demo-package.sh OUT SETUP.EXE QDEMO.DLL
set -euo pipefail
out=$1 exe=$2 component=$3
root="$(cd "$(dirname "$0")/.." && pwd)"
src="$root/examples/demo"
rm -rf "$out"
mkdir -p "$out/disk1" "$out/disk2"
cp "$src/SETUP.INI" "$src/EULA.TXT" "$src/README.TXT" "$src/表示テスト.TXT" "$out/disk1/"
cp "$src/DISK2.TXT" "$out/disk2/"
cp "$exe" "$out/disk1/SETUP.EXE"
cp "$component" "$out/disk1/QDEMO.DLL"
# mscompress leaves the name's last character out of the header (byte 9); the Microsoft
# tool stores it there, and the installer names an expanded file after it.
compress() { # file, last character of its name
  local work
  work=$(mktemp -d)
  cp "$src/$1" "$work/$1"
  (cd "$work" && mscompress "$1")
  printf '%s' "$2" | dd of="$work/$1_" bs=1 seek=9 conv=notrunc status=none
  cp "$work/$1_" "$out/disk1/${1%?}_"
  rm -rf "$work"
}
compress SAMPLE.DAT T
compress HELP.TXT T
