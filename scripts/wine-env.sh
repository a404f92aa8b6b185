# Sourced by the Wine scripts: the environment every Wine run of this project uses.
# WINEPREFIX defaults to a private prefix inside the build tree.
_here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd -P)"
QS_ROOT="$(dirname "$_here")"
export WINEPREFIX="${WINEPREFIX:-$QS_ROOT/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono/Gecko prompts; no menu entries or icons under the Linux home for shortcuts
# made in the prefix; a crash ends the process with its code instead of waiting in the
# debugger.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d}"
export LC_ALL=ja_JP.UTF-8
export WINEARCH=win64
QS_WINE=/usr/lib/wine/wine64
QS_WINESERVER=/usr/lib/wine/wineserver

# Our prefixes have no Z: (Wine's drive for the whole Linux root): programs reach the
# checkout, with its build trees and scratch folders, as drive P: and nothing else of
# the Linux file system. tests/CMakeLists.txt (qs_windows_path) maps paths the same way.
QS_DRIVE=P
# Scratch folders of the shell-driven tests; inside the checkout, so on drive P:.
QS_SCRATCH="$QS_ROOT/build/scratch"

# qs_winpath LINUX-PATH: the path as programs in the prefix see it (P:\...).
qs_winpath() {
  local p
  p=$(realpath -m -- "$1")
  case "$p/" in
    "$QS_ROOT"/*) p=${p#"$QS_ROOT"} ;;
    *) echo "qs_winpath: $1 is outside $QS_ROOT, which is all the prefix can see" >&2; return 1 ;;
  esac
  p=${p//\//\\}
  printf '%s:%s\n' "$QS_DRIVE" "${p:-\\}"
}

# qs_scratch NAME: makes a fresh scratch folder for a shell test and prints its path.
qs_scratch() {
  mkdir -p "$QS_SCRATCH"
  mktemp -d "$QS_SCRATCH/$1.XXXXXX"
}

# Disks that really change. A drive letter of the prefix is a link in its dosdevices
# folder; re-pointing the link changes what the next open on that drive finds, as
# putting another disk in the drive does.
# qs_insert_disk LETTER FOLDER: the drive holds FOLDER from now on.
qs_insert_disk() {
  ln -sfn "$(realpath "$2")" "$WINEPREFIX/dosdevices/${1,,}:"
}
# qs_disk_changer MARKERS LETTER FOLDER...: runs until killed (start it with &); each
# time a program asks for disk N by creating MARKERS/diskN.wait (tests/tools/rundrive
# --media MARKERS, at the installer's "N枚目のディスクに交換してください。"), inserts the
# Nth FOLDER into drive LETTER and deletes the marker, which lets the program go on.
qs_disk_changer() {
  local markers=$1 letter=$2 marker n
  shift 2
  while :; do
    for marker in "$markers"/disk*.wait; do
      [ -e "$marker" ] || continue
      n=${marker##*/disk}
      n=${n%.wait}
      qs_insert_disk "$letter" "${!n}"
      rm -f "$marker"
    done
    sleep 0.05
  done
}
