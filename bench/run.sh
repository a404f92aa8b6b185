#!/usr/bin/env bash
# make bench: the record timings, then the end-to-end benchmark of SETUP.EXE. The
# payloads (up to 1 GB at a time) are generated into BUILD/bench and removed afterwards.
# usage: bench/run.sh BUILD [RUNS [ONLY]]   (ONLY: parts of setup_bench, e.g. "a,b")
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
build="$(cd "${1:-$root/build}" && pwd)"
runs="${2:-5}"
only="${3:-}"
run="$root/scripts/wine-run.sh"
source "$root/scripts/wine-env.sh"
x64="$build/x64"
data="$build/bench"

winpath() { qs_winpath "$1"; }

need_gb=5
avail_gb=$(df -BG --output=avail "$build" | tail -1 | tr -dc 0-9)
if [ "$avail_gb" -lt "$need_gb" ]; then
  echo "bench: needs ${need_gb} GB free in $build, has ${avail_gb} GB" >&2
  exit 1
fi

rm -rf "$data"
mkdir -p "$data/szdd"
ln -s /proc/stat "$data/procstat" # the machine's busy time, read by setup_bench

# What the bench (a Windows program) asks of Linux: a sync of the file system before each
# timed run (a Windows program cannot ask for one), and the sources of a package (Wine
# searches the whole folder for every name it creates: 100,000 sources took 20 minutes,
# here seconds). The bench writes DATA/NAME.req and opens the pipe DATA/.tick, which
# wakes this loop; the request file goes when it is served.
mkfifo "$data/.tick"
serve() {
  while :; do
    : <"$data/.tick"
    if [ -f "$data/sources.req" ]; then
      read -r folder count size ext <"$data/sources.req" || true
      (cd "$data/$folder" && head -c $((count * size)) /dev/urandom |
        split -b "$size" -a 5 -d --additional-suffix=".$ext" - F)
      rm -f "$data/sources.req"
    fi
    if [ -f "$data/sync.req" ]; then
      sync
      rm -f "$data/sync.req"
    fi
  done
}
serve &
server=$!
touch "$data/syncer.on"
trap 'kill $server 2>/dev/null; rm -rf "$data"' EXIT

if [ -z "$only" ]; then
  echo "== record work (bench/RecordBench.cpp)"
  "$run" "$x64/bench/record_bench.exe"
  echo
fi

# The compressed payload: the 2,000 files of 50 KB of payload (a) as hexadecimal text,
# SZDD-compressed by mscompress (an independent writer), named F00000.BI_ and so on.
if [ -z "$only" ] || [[ ",$only," == *,szdd,* ]]; then (
  cd "$data/szdd"
  set +o pipefail # the last head ends the pipe early on purpose
  head -c 34000000 /dev/urandom | od -An -v -tx1 | head -c $((2000 * 51200)) > all.txt
  split -b 51200 -a 5 -d --additional-suffix=.BI all.txt F
  rm all.txt
  mscompress F*.BI
  rm F*.BI
) fi

# The NSIS packages of the payloads NSIS is timed on, compiled by makensis from the
# payload's files and a script that setup_bench writes.
mkdir -p "$data/nsis"
for key in a b c e; do
  if [ -n "$only" ] && [[ ",$only," != *,$key,* ]]; then continue; fi
  if ! command -v makensis >/dev/null; then
    echo "bench: makensis is missing (scripts/setup-deps.sh installs nsis); NSIS is not timed" >&2
    break
  fi
  "$run" "$x64/bench/setup_bench.exe" --nsis-package "$(winpath "$data")" "$key"
  (cd "$data/nsis-src" && makensis -V1 bench.nsi && mv "$key.exe" "$data/nsis/")
  rm -rf "$data/nsis-src"
done

echo "== SETUP.EXE end to end (bench/SetupBench.cpp)"
"$run" "$x64/bench/setup_bench.exe" "$(winpath "$data")" "$(winpath "$x64/src/SETUP.EXE")" \
  "$(winpath "$x64/bench/copyloop.exe")" "$(winpath "$x64/bench/bare_window.exe")" \
  "$(winpath "$x64/bench/bench_component.dll")" "$(winpath "$build/x86/src/SETUP.EXE")" "$runs" $only
