#!/usr/bin/env bash
# make bench, the distributor's kit (native build): qcheck on a script of 100,000 copy
# entries, and qpack's compression against mscompress (ratio and speed) on the files a
# package holds (the demo's texts, program files, source text, generated text and noise).
# Prints figures; checks nothing beyond that every run did its work.
# usage: bench/kit_bench.sh BUILD [RUNS]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
build="$(cd "${1:-$root/build}" && pwd)"
runs="${2:-3}"
native="$build/native"
data="$build/bench-kit"
rm -rf "$data"
mkdir -p "$data/big" "$data/corpus"
trap '[ -z "${KEEP:-}" ] && rm -rf "$data"' EXIT

# Seconds of the fastest of RUNS runs of a command, and its range.
timed() {
  local t times=()
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -f %e -o "$data/time" "$@" >/dev/null 2>&1 || true
    times+=("$(tail -1 "$data/time")")
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.2f s (%.2f-%.2f)", a[int((NR+1)/2)], a[1], a[NR]}'
}

echo "== qcheck: a script of 100,000 [CopyFile] entries into 100 folders (native)"
python3 - "$data/big" <<'EOF'
import sys
d = sys.argv[1]
lines = ["[Title]", "UnSetupKey=Big", "[Support]", "DisplayVersion=1", "[MakeFolder]"]
lines += [f"Folder{n + 1}=(App)\\dir{n}" for n in range(100)]
lines += ["[CopyFile]"] + [f"File{i + 1}=(App)\\dir{i % 100}\\F{i % 50}.TXT" for i in range(100000)]
open(f"{d}/SETUP.INI", "w", newline="").write("\r\n".join(lines) + "\r\n")
for f in range(50): open(f"{d}/F{f}.TXT", "w").write("x")
open(f"{d}/SETUP.EXE", "w").write("MZ")
EOF
"$native/qcheck" "$data/big" >/dev/null # clean, or the figure means nothing
echo "median $(timed "$native/qcheck" "$data/big") (goal: under 2 s)," \
  "processor time $( { /usr/bin/time -f '%U s user, %S s system' "$native/qcheck" "$data/big" >/dev/null; } 2>&1)"
echo

echo "== qpack against mscompress, the same files, each compressed on its own"
cp "$root"/examples/demo/*.TXT "$root"/examples/demo/SAMPLE.DAT "$data/corpus/"
cp "$build/x64/src/SETUP.EXE" "$data/corpus/SETUP1.EXE"
cp "$build/x64/QDEMO.DLL" "$data/corpus/QDEMO.DLL"
cat "$root"/src/*/*.cpp >"$data/corpus/SOURCES.TXT"
python3 -c "
import random; random.seed(1)
w = ['install', 'folder', 'file', 'the', 'setup', 'registry', 'key', 'value', '\r\n']
open('$data/corpus/WORDS.TXT', 'w').write(' '.join(random.choice(w) for _ in range(400000)))"
head -c 2000000 /dev/urandom >"$data/corpus/NOISE.BIN"
(cd "$data/corpus" && { echo "[CopyFile]"; n=0; for f in *; do n=$((n + 1)); printf 'File%d=(App)\\%s\r\n' $n "$f"; done; } | iconv -f UTF-8 -t CP932 >"$data/SETUP.INI")
bytes=$(cat "$data/corpus"/* | wc -c)
rm -rf "$data/package" && mkdir "$data/package" && cp "$data/corpus"/* "$data/SETUP.INI" "$data/package/"
echo MZ >"$data/package/SETUP.EXE"
ours=$(timed bash -c "rm -rf '$data/packed' && '$native/qpack' --compress always '$data/package' '$data/packed'")
packed=$(cat "$data/packed"/*_ | wc -c)
theirs=$(timed bash -c "rm -rf '$data/ms' && mkdir '$data/ms' && cp '$data/corpus'/* '$data/ms/' && cd '$data/ms' && for f in *; do mscompress \"\$f\" && rm \"\$f\"; done")
ms=$(cat "$data/ms"/* | wc -c)
printf '%-12s %12s %12s %8s   %s\n' "" "in (bytes)" "out (bytes)" "ratio" "time (median, range)"
printf '%-12s %12d %12d %8.3f   %s\n' qpack "$bytes" "$packed" "$(echo "$packed / $bytes" | bc -l)" "$ours"
printf '%-12s %12d %12d %8.3f   %s\n' mscompress "$bytes" "$ms" "$(echo "$ms / $bytes" | bc -l)" "$theirs"
echo "per file:"
for f in "$data/corpus"/*; do
  name=$(basename "$f")
  printf '  %-14s %9d -> qpack %9d, mscompress %9d\n' "$name" "$(stat -c %s "$f")" \
    "$(stat -c %s "$data/packed/${name%?}_")" "$(stat -c %s "$data/ms/${name}_")"
done
