#!/usr/bin/env bash
# Runs SETUP.EXE on the sample package in a Wine prefix of its own that draws real
# windows. With a display the user clicks through it. Without one it runs on a virtual
# screen, steps through the pages by itself and saves a screenshot of each page.
#   demo.sh SETUP.EXE WIZDRIVE.EXE
set -euo pipefail
exe=$(realpath "$1")
driver=$(realpath "$2")
root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="$root/build/wineprefix-demo"
export QS_GRAPHICS=x11
source "$root/scripts/wine-env.sh"
"$root/scripts/wine-prefix.sh"

package="$root/build/demo-package"
rm -rf "$package"
cp -r "$root/examples/demo" "$package"
cp "$exe" "$package/SETUP.EXE"

if [ -n "${DISPLAY:-}" ]; then
  exec "$root/scripts/wine-run.sh" "$package/SETUP.EXE"
fi

shots="$root/build/demo-shots"
rm -rf "$shots"
mkdir -p "$shots"

# An uninstall record as an installation leaves it, for the uninstaller's panel.
record="$root/build/demo-installed"
rm -rf "$record"
mkdir -p "$record"
printf '%s\r\n' '[Title]' 'UnSetup=Quillon デモ' '[SetupFolder]' "Folder=$(qs_winpath "$record")\\" \
  '[UnSetupOption]' 'CheckBox=1,0,1,0' 'CheckBox3=*.log' | iconv -f UTF-8 -t CP932 > "$record/UNSETUP.INI"
# A folder with the program but no script, for the fatal page.
fatal="$root/build/demo-noscript"
rm -rf "$fatal"
mkdir -p "$fatal"
cp "$exe" "$fatal/SETUP.EXE"

xvfb-run -a -s '-screen 0 1024x768x24' bash -s -- "$root/scripts/wine-run.sh" "$driver" "$package" \
  "$(qs_winpath "$record")" "$fatal" "$shots" <<'STEPS'
set -u
run=$1 drive=$2 package=$3 record=$4 fatal=$5 shots=$6
# Control IDs of the wizard window.
EVENT=229 END=230 EULA_BOX=207
d() { "$run" "$drive" "$@"; }
shot() { sleep 1; xwd -root -silent | convert xwd:- "$shots/$1.png"; echo "  $shots/$1.png"; }
# Leaves with the end button; "ask" when the program asks before it closes.
leave() {
  d click $END 60000
  if [ "${2:-}" = ask ]; then d answer "終了確認" 6 60000; fi
  wait "$1" 2>/dev/null || true
}

"$run" "$package/SETUP.EXE" & pid=$!
d waittext $EVENT "インストール続行(&C)" 60000 && shot 1-title
d click $EVENT 60000
d waittext $EVENT "同意する(&A)" 60000 && shot 2-licence
d click $EULA_BOX 60000
sleep 0.5
d click $EVENT 60000
d waittext $EVENT "インストール続行(&C)" 60000 && shot 3-readme
d click $EVENT 60000
d waittext $EVENT "インストール開始(&S)" 60000 && shot 4-message-page
leave $pid ask

"$run" "$package/SETUP.EXE" "$record\\UNSETUP.INI" & pid=$!
d waittext $EVENT "アンインストール開始(&S)" 60000 && shot 5-uninstaller-panel
leave $pid ask

"$run" "$fatal/SETUP.EXE" & pid=$!
d waittext $EVENT "処理開始(&S)" 60000 && shot 6-fatal-page
leave $pid
STEPS
echo "No display: SETUP.EXE ran on a virtual screen; screenshots of each page are in $shots"
