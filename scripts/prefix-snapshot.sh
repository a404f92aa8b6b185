# Sourced: snapshots of a Wine prefix's files and registry, to show what a run changed.
# Needs: run (scripts/wine-run.sh), c (the prefix's drive_c), snap (a scratch folder).

# Files of drive C (folders named qs-* left out: packages and scratch) and every value of
# HKLM and HKCU, one line each ("hive|[key]" and "hive|[key]|value line"), sorted.
snapshot() {
  (cd "$c" && find . -path './qs-*' -prune -o -print) | LC_ALL=C sort >"$snap/$1.files"
  : >"$snap/$1.reg"
  for hive in HKLM HKCU; do
    # Wine's own services may change keys while reg walks the hive (a wineserver started
    # anew sets its display devices up again), and reg then fails: walk it again.
    local tries=1
    until "$run" reg export "$hive" "C:\\qs-$hive.reg" /y >/dev/null 2>&1; do
      [ $((tries += 1)) -le 5 ] || { echo "snapshot: reg export $hive failed 5 times" >&2; return 1; }
    done
    iconv -f UTF-16 -t UTF-8 "$c/qs-$hive.reg" | tr -d '\r' | awk -v hive="$hive" '
      /^\[/ { key = $0; print hive "|" key; next }
      /\\$/ { sub(/\\$/, ""); cont = cont $0; next }
      { line = cont $0; cont = ""; if (line != "") print hive "|" key "|" line }' >>"$snap/$1.reg"
    rm -f "$c/qs-$hive.reg"
  done
  LC_ALL=C sort -o "$snap/$1.reg" "$snap/$1.reg"
}

# What changed from snapshot $1 to $2 ("+ " added, "- " gone), leaving out what also
# changed from $1 to the control snapshot $3 (Wine's own doing) and Wine's own settings
# under Software\Wine (the system beep, for one, leaves a key there), its display
# devices (a wineserver started anew, when the last program of the prefix has ended, sets
# its graphics driver up again: a new set under Video and in the device map, a new date
# in the display class)
# and the drives its mount manager notes under MountedDevices (the tests' own drive links,
# such as the medium in drive M:).
changes() { # before after control kind(files|reg)
  LC_ALL=C comm -3 "$snap/$1.$4" "$snap/$3.$4" | sed 's/^\t/+ /; t; s/^/- /' >"$snap/noise.$4"
  LC_ALL=C comm -3 "$snap/$1.$4" "$snap/$2.$4" | sed 's/^\t/+ /; t; s/^/- /' |
    grep -v -x -F -f "$snap/noise.$4" | grep -v -e '^[-+] HKCU|\[HKEY_CURRENT_USER\\Software\\Wine\\' \
      -e '^[-+] HKLM|\[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\' \
      -e '^[-+] HKLM|\[HKEY_LOCAL_MACHINE\\Hardware\\DEVICEMAP\\VIDEO\]' \
      -e '^[-+] HKLM|\[HKEY_LOCAL_MACHINE\\System\\MountedDevices\]' \
      -e '^[-+] HKLM|\[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}\\' || true
}
