# Sourced by the tests that install the demo package in the e2e prefix: removes what an
# earlier round left (one that failed half-way, or the uninstaller copy and the register
# every round keeps), so that it cannot hide this round's doing. Needs c (drive_c),
# user, app (the installation folder) and run (scripts/wine-run.sh).
clean_demo_traces() {
  rm -rf "$app" "$c/users/$user/Desktop/表示テスト.lnk" \
    "$c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Quillon デモ" \
    "$c/windows/UNQUILLN.EXE" "$c/windows/QUSET98.INI" "$c/users/$user/Temp/"QuillonSetup-*.log
  for key in 'HKCU\Software\Quillon' 'HKLM\SOFTWARE\Quillon' 'HKCR\.qdemo' 'HKCR\qdemo_auto_file' \
             'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QuillonDemo'; do
    "$run" reg delete "$key" /f >/dev/null 2>&1 || true
  done
  "$run" reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs' \
    /v 'C:\Program Files\Quillon Demo\QDEMO.DLL' /f >/dev/null 2>&1 || true
}
