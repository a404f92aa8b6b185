# Sourced by the Wine scripts: the environment every Wine run of this project uses.
# WINEPREFIX defaults to a private prefix inside the build tree.
_here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
QS_ROOT="$(dirname "$_here")"
export WINEPREFIX="${WINEPREFIX:-$QS_ROOT/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono/Gecko prompts; no .desktop files or icons made from the prefix's shortcuts;
# a crash ends the process with its code instead of waiting in the debugger.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d}"
export LC_ALL=ja_JP.UTF-8
export WINEARCH=win64
QS_WINE=/usr/lib/wine/wine64
QS_WINESERVER=/usr/lib/wine/wineserver
