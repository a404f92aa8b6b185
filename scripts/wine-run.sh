#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's prefix, creating the prefix first
# when needed. Used by CTest as the cross-compiling emulator, by the demo and by tests.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
source "$here/wine-env.sh"
[ -f "$WINEPREFIX/.qs-ready" ] || "$here/wine-prefix.sh"
exec "$QS_WINE" "$@"
