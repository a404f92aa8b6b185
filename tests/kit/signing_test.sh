#!/usr/bin/env bash
# SETUP.EXE signed with Authenticode from Linux (osslsigncode, a test certificate made
# here by openssl) stays signed wherever an installation copies it: the copy in the
# work folder (taken while the wizard waits on its title page) and the uninstaller
# UNQUILLN.EXE in the Windows folder are byte-equal to the signed program and verify,
# because a run keeps everything it needs in files beside the program. Runs in the
# end-to-end test's prefix.
# usage: signing_test.sh SETUP.EXE QDEMO.DLL rundrive.exe
set -euo pipefail
setup=$(realpath "$1") component=$(realpath "$2") drive=$(realpath "$3")
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/e2e/demo-e2e.sh"
work="$c/qs-kit-signing"
watcher=
trap '[ -n "$watcher" ] && kill $watcher 2>/dev/null; rm -rf "$work"' EXIT

verified() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" 2>&1 | grep -q '^Signature verification: ok' && echo verified || echo "not verified"; }

clean_demo_traces
rm -rf "$work" "$c/users/$user/Temp/"QSTMP*
mkdir -p "$work/shots"
# A code-signing certificate of this test's own, and the signature.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quillon Test Signer" \
  -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
"$root/scripts/make-demo-package.sh" "$work/package" "$setup" "$component"
mv "$work/package/disk2/"* "$work/package/disk1/"
signed="$work/package/disk1/SETUP.EXE"
rm "$signed"
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -n "Quillon Setup" -in "$setup" -out "$signed" >/dev/null
check "the signed SETUP.EXE verifies" verified "$(verified "$signed")"
check "an unsigned one does not" "not verified" "$(verified "$setup")"

# The work folder's copy lives only during the run: taken while the title page waits.
(
  while [ ! -e "$work/shots/title.wait" ]; do sleep 0.05; done
  cp "$c/users/$user/Temp/QSTMP1/SETUPQ.EXE" "$work/captured.exe"
  while :; do rm -f "$work/shots/"*.wait; sleep 0.05; done
) &
watcher=$!
out=$("$run" "$drive" install --start 'C:\qs-kit-signing\package\disk1\SETUP.EXE' --shots 'C:\qs-kit-signing\shots' \
  --answer '関連付けの確認=6' 2>&1 | u8)
check "installed" "EXIT 0" "$(echo "$out" | grep '^EXIT')"
check "the work folder's copy is the signed program" same "$(cmp -s "$work/captured.exe" "$signed" && echo same || echo differs)"
check "and verifies" verified "$(verified "$work/captured.exe")"
check "UNQUILLN.EXE is the signed program" same "$(cmp -s "$c/windows/UNQUILLN.EXE" "$signed" && echo same || echo differs)"
check "and verifies" verified "$(verified "$c/windows/UNQUILLN.EXE")"
out=$(uninstall_demo "$drive")
check "the signed uninstaller removes the installation" "EXIT 0" "$(echo "$out" | grep '^EXIT')"
clean_demo_traces

checks_done "the signature holds on every copy"
