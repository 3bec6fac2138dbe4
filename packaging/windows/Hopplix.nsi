; The Windows installer, HopplixSetup-<version>.exe: per user, no administrator rights, into the
; user's local programs folder, so the updater may write the program folder. makensis gets the
; defines below from CMake (packaging/windows/CMakeLists.txt):
;   VERSION       the release as the launcher shows it, e.g. 1,0
;   VERSION_DOTS  the same with a dot, e.g. 1.0
;   VERSION_QUAD  four numbers for the version resource, e.g. 1.0.0.0
;   PROGRAM       Hopplix.exe as built
;   ICON          the program's icon
;   LEVELS_IN     a script fragment installing the bundled levels into Level\
;   LEVELS_OUT    its counterpart removing exactly those files
;   OUTFILE       where the installer goes
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel user

!define APP "Hopplix"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
; A folder chosen earlier (the uninstall entry knows it) is used again.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1031 "ProductName" "${APP}"
VIAddVersionKey /LANG=1031 "FileDescription" "${APP} Setup"
VIAddVersionKey /LANG=1031 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "LegalCopyright" "Hopplix developers"

!include "MUI2.nsh"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\${APP}.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "German"

Function .onInit
  ; The shortcut and the uninstall entry belong to this user, not to all users.
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Hopplix"
  SetOutPath "$INSTDIR"
  File "/oname=${APP}.exe" "${PROGRAM}"
  !include "${LEVELS_IN}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\${APP}.exe" "" "$INSTDIR\${APP}.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${APP}.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes what this installer and the updater put there, file by file, and a folder only once it
; is empty: levels and files the player made stay, with their folders.
Section "Uninstall"
  Delete "$SMPROGRAMS\${APP}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  Delete "$INSTDIR\${APP}.exe"
  !include "${LEVELS_OUT}"
  ; The updater's working files, should an update have stopped halfway.
  Delete "$INSTDIR\${APP}.dxe"
  Delete "$INSTDIR\update.cmd"
  Delete "$INSTDIR\Version.txt"
  Delete "$INSTDIR\updatedata.txt"
  Delete "$INSTDIR\.hopplix-swap"
  Delete "$INSTDIR\.hopplix-swap.lock"
  RMDir /r "$INSTDIR\.hopplix-staging"
  RMDir /r "$INSTDIR\.hopplix-backup"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR\Level"
  RMDir "$INSTDIR"
SectionEnd
