#!/usr/bin/env bash
# TWinReboot::Reboot(EWX_REBOOT) for real, in a throwaway Wine prefix: Wine answers
# ExitWindowsEx by running wineboot, which ends the session of every process in the
# prefix (the test prefix and its running tests must not be that prefix). The probe
# records Reboot's answer and the session-end messages its window receives.
# usage: reboot_test.sh rebootprobe.exe
set -euo pipefail
probe=$1
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/wine-env.sh" && source "$root/tests/check.sh"
work=$(qs_scratch qs-reboot)
export WINEPREFIX="$work/prefix"
cleanup() { "$QS_WINESERVER" -k 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

"$root/scripts/wine-prefix.sh"
record="$work/record.txt"
timeout 120 "$QS_WINE" "$probe" "$(qs_winpath "$record")" || true
cat "$record" 2>/dev/null || true

for want in "reboot=1" "queryendsession" "endsession=1"; do
  check "$want recorded" yes "$(grep -qx "$want" "$record" 2>/dev/null && echo yes || echo no)"
done
checks_done "the restart ended the session"
