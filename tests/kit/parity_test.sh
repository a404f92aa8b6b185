#!/usr/bin/env bash
# The checker built for Windows (run under Wine) and built natively give the same report,
# byte for byte, and the same exit code: on the all-warnings package with its record, on
# the demo package and on scripts that read differently, in both languages, as text in
# UTF-8 and in CP932, and as JSON.
# usage: parity_test.sh qcheck.exe NATIVE-qcheck
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/wine-env.sh"
windows=$(realpath "$1") native=$(realpath "$2")
[ -x "$native" ] || { echo "FAIL: no native qcheck at $2 (make build-native)" >&2; exit 1; }
work=$(qs_scratch parity)
trap 'rm -rf "$work"' EXIT

# The packages: the test package (its compressed file made by mscompress), the demo.
cp -r "$root/tests/kit/packages/all-warnings" "$work/all"
mv "$work/all/UNSETUP.INI" "$work/UNSETUP.INI"
(cd "$work/all" && mscompress NOCHAR.TXT && mv NOCHAR.TXT_ NOCHAR.TX_ && rm NOCHAR.TXT)
echo MZ >"$work/stand-in.exe"
"$root/scripts/make-demo-package.sh" "$work/demo" "$work/stand-in.exe" "$work/stand-in.exe"
mkdir -p "$work/bytes"
printf '[Title]\r\nSetup=\xe3\x83\x87\xe3\x83\xa2\r\nX=a\x81\nY=\x85\x40\r[Support]\r\n' >"$work/bytes/SETUP.INI"

failed=0
compare() { # description, options, package folder[, record]
  local out_w out_n rc_w=0 rc_n=0 record_w=() record_n=()
  if [ -n "${4:-}" ]; then record_w=(--record "$(qs_winpath "$4")"); record_n=(--record "$4"); fi
  out_w=$("$root/scripts/wine-run.sh" "$windows" $2 "${record_w[@]}" "$(qs_winpath "$3")" | od -An -tx1 -v) || rc_w=$?
  out_n=$("$native" $2 "${record_n[@]}" "$3" | od -An -tx1 -v) || rc_n=$?
  if [ "$out_w" == "$out_n" ] && [ $rc_w == $rc_n ]; then
    echo "ok: $1 (exit $rc_n, $(echo "$out_n" | wc -w) bytes)"
  else
    echo "FAIL: $1: exit $rc_w under Wine, $rc_n natively" >&2
    diff <(echo "$out_w" | xxd -r -p | iconv -f CP932 -t UTF-8 -c) <(echo "$out_n" | xxd -r -p | iconv -f CP932 -t UTF-8 -c) >&2 || true
    failed=1
  fi
}
for lang in en ja; do
  compare "all warnings and the record, $lang, UTF-8" "--lang $lang --encoding utf-8" "$work/all" "$work/UNSETUP.INI"
  compare "all warnings, $lang, CP932" "--lang $lang --encoding cp932" "$work/all"
  compare "all warnings, $lang, JSON" "--lang $lang --json" "$work/all" "$work/UNSETUP.INI"
  compare "demo, $lang" "--lang $lang --encoding utf-8" "$work/demo"
  compare "bytes, $lang" "--lang $lang --encoding cp932" "$work/bytes"
done
[ $failed -eq 0 ] && echo "native and Windows checkers agree"
exit $failed
