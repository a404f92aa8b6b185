#!/usr/bin/env bash
# Installs the demo package (examples/demo, built as two disks) with SETUP.EXE in a Wine
# prefix of its own that draws real windows, then removes it again through the
# uninstaller that the installation registered. With a display the user clicks through
# both. Without one they run on a virtual screen driven by rundrive, a screenshot of
# each page is saved in build/demo-shots/, and the script prints where everything went
# and what is left after the removal.
#   demo.sh SETUP.EXE QDEMO.DLL RUNDRIVE.EXE
set -euo pipefail
exe=$(realpath "$1")
component=$(realpath "$2")
driver=$(realpath "$3")
root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="$root/build/wineprefix-demo"
export QS_GRAPHICS=x11
"$root/scripts/wine-prefix.sh"
run="$root/scripts/wine-run.sh"
c="$WINEPREFIX/drive_c"
"$root/scripts/make-demo-package.sh" "$c/qs-demo" "$exe" "$component"
# A folder with the program but no script, for the fatal page.
mkdir -p "$c/qs-demo/noscript"
cp "$exe" "$c/qs-demo/noscript/SETUP.EXE"

# The package runs from a drive of its own, as from a CD: drive M: holds disk 1 now, and
# changing the disk re-points the drive at disk 2.
source "$root/scripts/wine-env.sh"
qs_insert_disk M "$c/qs-demo/disk1"

if [ -n "${DISPLAY:-}" ]; then
  echo "The demo package is on drive M: ($c/qs-demo/disk1). When disk 2 is asked for, change"
  echo "the disk:  ln -sfn '$c/qs-demo/disk2' '$WINEPREFIX/dosdevices/m:'  and press OK."
  exec "$run" 'M:\SETUP.EXE'
fi

shots="$root/build/demo-shots"
rm -rf "$shots"
mkdir -p "$shots" "$c/qs-shots"
snap=$(mktemp -d "${TMPDIR:-/tmp}/qs-demo.XXXXXX")
trap 'rm -rf "$snap"' EXIT
source "$root/scripts/prefix-snapshot.sh"
rm -f "$c/windows/UNQUILLN.EXE" "$c/windows/QUSET98.INI"

xvfb-run -a -s '-screen 0 1024x768x24' bash -s -- "$run" "$driver" "$shots" "$c" "$snap" "$root" <<'STEPS'
set -euo pipefail
run=$1 driver=$2 shots=$3 c=$4 snap=$5 root=$6
source "$root/scripts/prefix-snapshot.sh"
u8() { iconv -f CP932 -t UTF-8 | tr -d '\r'; }
# Runs rundrive and takes a screenshot at each point it stops at: point names map to
# the file names given as "point=file" arguments; other points pass without a picture.
drive() { # names... -- rundrive arguments...
  local -A names=()
  while [ "$1" != -- ]; do names[${1%%=*}]=${1#*=}; shift; done
  shift
  rm -f "$c"/qs-shots/*.wait
  "$run" "$driver" "$@" --shots 'C:\qs-shots' >"$snap/drive.out" 2>&1 & local pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    for marker in "$c"/qs-shots/*.wait; do
      [ -e "$marker" ] || continue
      local point
      point=$(basename "$marker" .wait)
      if [ -n "${names[$point]:-}" ]; then
        sleep 0.7
        xwd -root -silent | convert xwd:- "$shots/${names[$point]}.png"
        echo "  screenshot $shots/${names[$point]}.png"
      fi
      rm -f "$marker"
    done
    sleep 0.1
  done
  wait "$pid" || true
  u8 <"$snap/drive.out" | sed 's/^/  | /'
}

echo "== The control run (a folder without a script: the fatal page)"
snapshot before
drive fatal=0-fatal-page -- uninstall --start 'C:\qs-demo\noscript\SETUP.EXE' --timeout 60000
snapshot control

echo "== Installation"
drive title=1-title licence=2-licence readme=3-readme message-page=4-message-page copying=5-copying \
  progress-done=6-install-done completion=7-install-completion -- \
  install --start 'M:\SETUP.EXE' --disk '2=C:\qs-demo\disk2' --answer '関連付けの確認=6'
snapshot installed

app="$c/Program Files/Quillon Demo"
echo "== What the installation put in place"
echo "-- files and folders added:"
changes before installed control files | sed -n 's/^+ \./    C:/p'
echo "-- registry values added or changed:"
changes before installed control reg | sed -n 's/^+ /    /p' | grep '|.*|' | head -40
echo "-- shortcuts (read with lnkinfo):"
find "$c/users" -name '*.lnk' -newer "$c/qs-demo/disk1/SETUP.INI" | while read -r link; do
  echo "    ${link#"$c"/} -> $(lnkinfo -c windows-932 "$link" 2>/dev/null | sed -n 's/^\tLocal path[[:space:]]*: //p')" \
       "(in $(lnkinfo -c windows-932 "$link" 2>/dev/null | sed -n 's/^\tWorking directory[[:space:]]*: //p'))"
done
echo "-- the uninstall record $app/UNSETUP.INI:"
u8 <"$app/UNSETUP.INI" | sed 's/^/    /'

echo "== Uninstallation, started as the installed-programs entry says"
uninstall=$("$run" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QuillonDemo' /v UninstallString 2>/dev/null |
  u8 | sed -n 's/.*REG_EXPAND_SZ *//p')
echo "  UninstallString: $uninstall"
drive uninstall-panel=8-uninstall-panel deletion=8b-deletion completion=9-uninstall-completion -- \
  uninstall --start "$uninstall" --deletion Yes
snapshot after
echo "== Left after the removal, compared with before the installation"
changes before after control files | sed 's/^/    /'
changes before after control reg | sed 's/^/    /'
echo "  (an uninstallation keeps its own copy UNQUILLN.EXE, the program-ID register QUSET98.INI"
echo "   and the shared-file register's key, which reading a count creates)"

# The same windows on a screen of 192 DPI (200 %): the prefix's DPI setting, which every
# program reads when it starts.
echo "== At 192 DPI"
"$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1
trap '"$run" reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1' EXIT
ln -sfn "$c/qs-demo/disk1" "$(dirname "$c")/dosdevices/m:"
drive title=192dpi-1-title message-page=192dpi-4-message-page copying=192dpi-5-copying -- \
  install --start 'M:\SETUP.EXE' --disk '2=C:\qs-demo\disk2' --answer '関連付けの確認=6'
drive uninstall-panel=192dpi-8-uninstall-panel deletion=192dpi-8b-deletion -- \
  uninstall --start "$uninstall" --deletion Yes
STEPS

# The pictures README shows (docs/images): the walk-through, one frame per page, the
# progress window mid-copy and the uninstaller, cropped to the window and its
# surroundings; the title page at 96 and 192 DPI as the whole screen, halved.
images="$root/docs/images"
mkdir -p "$images"
crop=(-gravity center -crop 600x400+0+0 +repage)
frames=()
for page in 1-title 2-licence 3-readme 4-message-page 5-copying 6-install-done 7-install-completion \
            8-uninstall-panel 8b-deletion 9-uninstall-completion; do
  [ -f "$shots/$page.png" ] || continue
  frames+=("$shots/$page.png")
done
convert -delay 200 "${frames[@]}" "${crop[@]}" -colors 128 -layers Optimize -loop 0 "$images/walkthrough.gif"
for page in 1-title 4-message-page 5-copying 8-uninstall-panel; do
  convert "$shots/$page.png" "${crop[@]}" -colors 128 "$images/page-$page.png"
done
convert "$shots/1-title.png" -resize 50% -colors 128 "$images/dpi-96.png"
convert "$shots/192dpi-1-title.png" -resize 50% -colors 128 "$images/dpi-192.png"
echo "README's pictures: $images (walkthrough.gif, page-*.png, dpi-96.png, dpi-192.png)"

echo "No display: SETUP.EXE ran on a virtual screen; the screenshots are in $shots"
