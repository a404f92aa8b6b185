#!/usr/bin/env bash
# Makes the compressed test files with Debian's mscompress, an independent SZDD writer.
# mscompress stores no last character of the name (header byte 9 is 0); README.TX_ gets
# "T" patched into that byte, as the Microsoft tool writes it.
# usage: make_szdd_data.sh OUTDIR
set -euo pipefail
out=$1
rm -rf "$out.tmp"
mkdir -p "$out.tmp"
cd "$out.tmp"
for i in $(seq 1 200); do
  echo "Line $i of the readme: the quick brown fox jumps over the lazy dog. 表示ソフト能力"
done > readme.txt
head -c 40000 /dev/urandom > random.bin
head -c 8192 /dev/zero >> random.bin
mscompress readme.txt random.bin
mv readme.txt_ README.TX_
mv random.bin_ RANDOM.BI_
printf 'T' | dd of=README.TX_ bs=1 seek=9 conv=notrunc status=none
mv readme.txt README.TXT
mv random.bin RANDOM.BIN
rm -rf "$out"
mv "$out.tmp" "$out"
