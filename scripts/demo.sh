#!/usr/bin/env bash
# Runs SETUP.EXE on the sample package in a Wine prefix of its own that draws real
# windows: on the current display, or, without one, on a virtual display whose
# screenshot is saved as build/demo.png.
set -euo pipefail
exe=$(realpath "$1")
root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="$root/build/wineprefix-demo"
export QS_GRAPHICS=x11
"$root/scripts/wine-prefix.sh"

package="$root/build/demo-package"
rm -rf "$package"
cp -r "$root/examples/demo" "$package"
cp "$exe" "$package/SETUP.EXE"

if [ -n "${DISPLAY:-}" ]; then
  exec "$root/scripts/wine-run.sh" "$package/SETUP.EXE"
fi

shot="$root/build/demo.png"
xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
  "$1" "$2" & pid=$!
  sleep "${QS_DEMO_SECONDS:-8}"
  xwd -root -silent | convert xwd:- "$3"
  kill $pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
' _ "$root/scripts/wine-run.sh" "$package/SETUP.EXE" "$shot"
echo "No display: SETUP.EXE ran on a virtual screen; screenshot saved to $shot"
