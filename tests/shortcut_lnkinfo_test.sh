#!/usr/bin/env bash
# Shortcuts made by CreateShortcut through the shell link object (tests/tools/makelink)
# are read back with lnkinfo (liblnk-utils), a parser that shares nothing with Wine or
# with us: target, working folder and arguments must be what was asked for.
# usage: shortcut_lnkinfo_test.sh makelink.exe
set -euo pipefail
makelink=$1
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/wine-env.sh" && source "$root/tests/check.sh"
run="$root/scripts/wine-run.sh"
work=$(qs_scratch qs-lnk)
trap 'rm -rf "$work"' EXIT
win=$(qs_winpath "$work")   # the same folder as Windows sees it

# makelink target linkname workfolder arguments -> the answered path (UTF-8)
make() { "$run" "$makelink" "$@" 2>/dev/null | iconv -f CP932 | tr -d '\r'; }
# One field of lnkinfo's "Link information" block, "" when the link does not carry it.
field() { lnkinfo -c windows-932 "$1" 2>/dev/null | sed -n "s/^\t$2[[:space:]]*: //p"; }

echo x >"$work/表示.exe"
mkdir "$work/wd"

# A link in a group folder that does not exist yet; Japanese names with the 0x5C trail
# byte (表) in the target, the link name and the folder.
answer=$(make "$win\\表示.exe" "$win\\表グループ\\表リンク" "$win\\wd" '-a "b c"')
link="$work/表グループ/表リンク.lnk"
check "answer names the .lnk file" "$win\\表グループ\\表リンク.lnk" "$answer"
check "group folder and link file created" yes "$([ -f "$link" ] && echo yes || echo no)"
check "target" "$win\\表示.exe" "$(field "$link" 'Local path')"
check "working folder" "$win\\wd\\" "$(field "$link" 'Working directory')"
check "arguments" '-a "b c"' "$(field "$link" 'Command line arguments')"

# ".LNK" already there: no second extension. Empty arguments stay unset; an empty
# working folder becomes the target's folder.
answer=$(make "$win\\表示.exe" "$win\\plain.LNK" "" "")
check "no doubled extension" "$win\\plain.LNK" "$answer"
check "only plain.LNK made" "plain.LNK" "$(cd "$work" && ls -- *.LNK *.lnk 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"
check "empty working folder -> target folder" "$win\\" "$(field "$work/plain.LNK" 'Working directory')"
check "empty arguments unset" "" "$(lnkinfo "$work/plain.LNK" 2>/dev/null | grep -i 'arguments' || true)"

# A working folder that does not exist is replaced by the target's folder.
make "$win\\表示.exe" "$win\\missingwd" "$win\\nowhere" "" >/dev/null
check "missing working folder -> target folder" "$win\\" "$(field "$work/missingwd.lnk" 'Working directory')"

checks_done "all shortcut checks passed"
