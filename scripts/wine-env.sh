# Sourced by the Wine scripts: the environment every Wine run of this project uses.
# WINEPREFIX defaults to a private prefix inside the build tree.
_here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
QS_ROOT="$(dirname "$_here")"
export WINEPREFIX="${WINEPREFIX:-$QS_ROOT/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LC_ALL=ja_JP.UTF-8
export WINEARCH=win64
QS_WINE=/usr/lib/wine/wine64
QS_WINESERVER=/usr/lib/wine/wineserver
