; The Windows installer: the 64-bit saver under Program Files with its data, the .scr in the
; system folder where Screen Saver Settings lists it, "InstallDir" where the saver reads it, and
; an uninstaller registered in Apps and Features that takes all of it away again.
;
; makensis -DSAVER=<path of the x86_64 .scr> -DDATA=<the data folder> -DOUTFILE=<setup .exe>
;          -DVERSION=<x.y> zarn-screensaver.nsi
; Silent use: setup /S; the uninstaller: "uninstall.exe" /S. Exit code 2: d3dx9_43.dll missing.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Zarn Screensaver"
!define SCR "Zarn Screensaver.scr"
!define SETTINGS_KEY "Software\Orvane\Zarn Screensaver"
!define VENDOR_KEY "Software\Orvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zarn Screensaver"
!define LOG_FOLDER "Zarn Screensaver"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; A 64-bit installer sees the 64-bit Program Files, System32 and registry without redirection.
InstallDir "$PROGRAMFILES64\${PRODUCT}"
Icon "${ICON}"
UninstallIcon "${ICON}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  ; D3DX 9 is not part of Windows 10 or 11; the DirectX End-User Runtime brings it.
  ${IfNot} ${FileExists} "$SYSDIR\d3dx9_43.dll"
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} needs Direct3D 9's helper library d3dx9_43.dll, which this computer does not have.$\r$\n$\r$\nInstall Microsoft's DirectX End-User Runtime (search for $\"DirectX End-User Runtime Web Installer$\" on microsoft.com), then run this setup again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

Section "Install"
  ; "File /r" with a bare folder name would gather every folder of that name below its parent.
  SetOutPath "$INSTDIR\data"
  File /r "${DATA}/*.*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetOutPath "$SYSDIR"
  File "/oname=${SCR}" "${SAVER}"

  WriteRegStr HKLM "${SETTINGS_KEY}" "InstallDir" "$INSTDIR"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Orvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\${SCR}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  ; Screen Saver Settings would otherwise keep pointing at a file that is gone.
  ReadRegStr $0 HKCU "Control Panel\Desktop" "SCRNSAVE.EXE"
  ${If} $0 == "$SYSDIR\${SCR}"
    DeleteRegValue HKCU "Control Panel\Desktop" "SCRNSAVE.EXE"
  ${EndIf}
  Delete "$SYSDIR\${SCR}"

  RMDir /r "$INSTDIR\data"
  Delete "$INSTDIR\screensaver_log.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  ; The user's own settings and log go too: nothing of the saver stays behind.
  Delete "$LOCALAPPDATA\${LOG_FOLDER}\screensaver_log.txt"
  RMDir "$LOCALAPPDATA\${LOG_FOLDER}"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "${VENDOR_KEY}"
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "${VENDOR_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
