; Installer for the handwriting input panel (built by tools/make-dist.sh with Debian's NSIS).
; makensis is given: -DVERSION=... -DSOURCE_DIR=<folder with the files> -DOUT_FILE=<setup.exe>
Unicode true
Name "手写输入面板 ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES\HandwritingPanel"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Panel"
  SetOutPath "$INSTDIR"
  File "${SOURCE_DIR}\HandwritingPanel.exe"
  File "${SOURCE_DIR}\README-Windows.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateDirectory "$SMPROGRAMS\手写输入面板"
  CreateShortcut "$SMPROGRAMS\手写输入面板\手写输入面板.lnk" "$INSTDIR\HandwritingPanel.exe"
  CreateShortcut "$SMPROGRAMS\手写输入面板\卸载.lnk" "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\HandwritingPanel" "DisplayName" "手写输入面板"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\HandwritingPanel" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\HandwritingPanel" "UninstallString" '"$INSTDIR\Uninstall.exe"'
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\HandwritingPanel.exe"
  Delete "$INSTDIR\README-Windows.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\手写输入面板\手写输入面板.lnk"
  Delete "$SMPROGRAMS\手写输入面板\卸载.lnk"
  RMDir "$SMPROGRAMS\手写输入面板"
  DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\HandwritingPanel"
SectionEnd
