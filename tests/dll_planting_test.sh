#!/usr/bin/env bash
# SETUP.EXE started from a folder full of planted DLLs (and with that folder as the
# current folder) must load none of them. Wine's trace ends each load with "native"
# (the file's own code was mapped) or "builtin" (Wine's own implementation, even where
# the name was matched in the program's folder): a planted DLL is loaded when a
# native load names the planted folder. A control program that loads dwmapi.dll by
# bare name without protection must show exactly that, proving the check can see it.
# usage: dll_planting_test.sh SETUP.EXE planted.dll naive_loader.exe wizdrive.exe objdump
set -euo pipefail
setup=$1 planted=$2 naive=$3 wizdrive=$4 objdump=$5
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/wine-env.sh"
if "$objdump" -f "$setup" | grep -q i386; then qs_require_wow64; fi
run="$root/scripts/wine-run.sh"
work=$(qs_scratch qs-planted)
trap 'rm -rf "$work"' EXIT

# Starts SETUP.EXE from $work with loader tracing, waits for its start-up to end (the
# folder holds no script: the fatal page), leaves, and prints the DLL loads of the
# SETUP.EXE process alone (Wine's own service processes trace too).
trace_setup() {
  (cd "$work" && WINEDEBUG=+pid,+loaddll "$run" "$work/SETUP.EXE" 2>"$work/trace.txt" >/dev/null) &
  local pid=$!
  if ! WINEDEBUG=-all "$run" "$wizdrive" waittext 229 "処理開始(&S)" 60000 ||
     ! WINEDEBUG=-all "$run" "$wizdrive" click 230 60000; then
    pkill -P "$pid" 2>/dev/null || true; kill "$pid" 2>/dev/null || true
    echo "FAIL: SETUP.EXE showed no window" >&2
    return 1
  fi
  wait "$pid" || true
  local setup_pid
  setup_pid=$(grep -m1 'Loaded L"[^"]*SETUP.EXE"' "$work/trace.txt" | cut -d: -f1)
  [ -n "$setup_pid" ] || { echo "FAIL: no trace of SETUP.EXE" >&2; return 1; }
  grep "^$setup_pid:" "$work/trace.txt" | grep 'Loaded L"[^"]*\.dll"' || true
}

cp "$setup" "$work/SETUP.EXE"
clean=$(trace_setup)
loaded=$(grep -o 'Loaded L"[^"]*"' <<<"$clean" | sed 's/.*\\\\//; s/"$//' | tr 'A-Z' 'a-z')
imported=$("$objdump" -p "$setup" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
names=$(printf '%s\n' $loaded $imported version.dll uxtheme.dll dwmapi.dll shfolder.dll \
        lz32.dll cryptbase.dll profapi.dll | sort -u)
[ -n "$names" ] || { echo "FAIL: no DLL names collected" >&2; exit 1; }
for n in $names; do cp "$planted" "$work/$n"; done
echo "planted: $(echo $names)"

if [ -z "$clean" ] || grep -q 'qs-planted' <<<"$clean"; then echo "FAIL: unexpected load from the work folder" >&2; exit 1; fi
attacked=$(trace_setup)
hits=$(grep 'Loaded L"' <<<"$attacked" | grep -i 'qs-planted' | grep ': native$' || true)
if [ -n "$hits" ]; then
  echo "FAIL: SETUP.EXE loaded planted DLLs:" >&2
  echo "$hits" >&2
  exit 1
fi
grep -q 'Loaded L"[^"]*version.dll"' <<<"$attacked" || { echo "FAIL: version.dll never loaded" >&2; exit 1; }

cp "$naive" "$work/naive_loader.exe"
control=$(cd "$work" && WINEDEBUG=+loaddll "$run" "$work/naive_loader.exe" dwmapi.dll 2>&1 >/dev/null || true)
if ! grep 'Loaded L"' <<<"$control" | grep -i 'qs-planted[^"]*dwmapi.dll' | grep -q ': native$'; then
  echo "FAIL: control program did not load the planted dwmapi.dll; the check sees nothing" >&2
  exit 1
fi
echo "1 passed, 0 failed"
