#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's prefix, creating the prefix first
# when needed. Used by CTest as the cross-compiling emulator, by the demo and by tests.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
source "$here/wine-env.sh"
# --wow64 first: the program drives 32-bit programs; not run where they cannot run.
if [ "${1:-}" = --wow64 ]; then shift; qs_require_wow64; fi
[ -f "$WINEPREFIX/.qs-ready" ] || "$here/wine-prefix.sh"
exec "$QS_WINE" "$@"
