; Installer for the handwriting input panel (built by tools/make-dist.sh with Debian's NSIS).
; makensis is given: -DVERSION=... -DSOURCE_DIR=<folder with the files> -DOUT_FILE=<setup.exe>
;
; Installed for the current user, without administrator rights: the recognition service runs in
; the user's session, started at once and at every log-on by the user's Run entry, and keeps
; itself running (it supervises the copy of itself that serves and starts it again if it dies;
; `--stop` ends both). A Windows service would run in session 0, where the message box it shows
; when port 80 is taken would reach nobody, and would need administrator rights to install for
; a program only this user runs; the Task Scheduler restarts a failed task after a minute at the
; soonest.
Unicode true
!include x64.nsh
Name "手写输入面板 ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\HandwritingPanel"
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define PRODUCT_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\HandwritingPanel"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "HandwritingService"
!define MENU "$SMPROGRAMS\手写输入面板"
!define SERVICE "$INSTDIR\HandwritingService.exe"

; Deletes the service's program file, which its processes may hold for a moment after `--stop`
; returned (they have let go of their mutexes but not yet ended): up to 5 s.
!macro DeleteService ID
  StrCpy $0 0
  delete_service_${ID}:
    Delete "${SERVICE}"
    IfFileExists "${SERVICE}" 0 service_deleted_${ID}
    IntOp $0 $0 + 1
    IntCmp $0 20 service_deleted_${ID}
    Sleep 250
    Goto delete_service_${ID}
  service_deleted_${ID}:
!macroend

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Panel"
  SetShellVarContext current
  ; A running service holds its program file; an earlier copy is stopped before it is replaced.
  IfFileExists "${SERVICE}" 0 no_earlier_service
    ExecWait '"${SERVICE}" --stop'
    !insertmacro DeleteService earlier
  no_earlier_service:
  SetOutPath "$INSTDIR"
  File "${SOURCE_DIR}\HandwritingPanel.exe"
  ; The x86_64 service, tested on every build machine; 32-bit Windows gets the i686 one.
  ${If} ${RunningX64}
    File "${SOURCE_DIR}\HandwritingService.exe"
  ${Else}
    File "${SOURCE_DIR}\x86\HandwritingService.exe"
  ${EndIf}
  File "${SOURCE_DIR}\recognition.model"
  File "${SOURCE_DIR}\README-Windows.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "${MENU}"
  CreateShortcut "${MENU}\手写输入面板.lnk" "$INSTDIR\HandwritingPanel.exe"
  CreateShortcut "${MENU}\启动识别服务.lnk" "${SERVICE}"
  CreateShortcut "${MENU}\停止识别服务.lnk" "${SERVICE}" "--stop"
  CreateShortcut "${MENU}\使用说明.lnk" "$INSTDIR\README-Windows.txt"
  CreateShortcut "${MENU}\卸载手写输入面板.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"${SERVICE}"'
  WriteRegStr HKCU "${PRODUCT_KEY}" "DisplayName" "手写输入面板"
  WriteRegStr HKCU "${PRODUCT_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${PRODUCT_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${PRODUCT_KEY}" "DisplayIcon" "$INSTDIR\HandwritingPanel.exe"
  WriteRegStr HKCU "${PRODUCT_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${PRODUCT_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${PRODUCT_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${PRODUCT_KEY}" "NoRepair" 1

  ; Started now, so that the panel works without a log-off; it tells the user itself (a
  ; message box) when it cannot take port 80.
  Exec '"${SERVICE}"'
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  ; Waits until the service has ended, so that its program file can be removed.
  ExecWait '"${SERVICE}" --stop'
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"

  Delete "$INSTDIR\HandwritingPanel.exe"
  !insertmacro DeleteService installed
  Delete "$INSTDIR\recognition.model"
  Delete "$INSTDIR\README-Windows.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  Delete "${MENU}\手写输入面板.lnk"
  Delete "${MENU}\启动识别服务.lnk"
  Delete "${MENU}\停止识别服务.lnk"
  Delete "${MENU}\使用说明.lnk"
  Delete "${MENU}\卸载手写输入面板.lnk"
  RMDir "${MENU}"

  ; The service's log.
  RMDir /r "$LOCALAPPDATA\HandwritingPanel"
  DeleteRegKey HKCU "${PRODUCT_KEY}"
SectionEnd
