; SPDX-License-Identifier: MIT
; The Windows installer, built by makensis (packaging/windows/make-packages
; passes the defines below). It installs for the whole machine into
; Program Files (the 64-bit one: both programs are 64-bit), registers the
; uninstaller with Add/Remove Programs, and puts the documents in a docs
; folder beside the programs. Silent runs: setup.exe /S, and
; uninstall.exe /S (add _?=<folder> to wait for it).
;
; Defines: VERSION (1.1.0), VERSION_QUAD (1.1.0.0), STAGE (the folder holding
; vexlan.exe, vexlan-job.exe and docs\), OUTFILE (the installer to write).

!macro REQUIRE NAME
  !ifndef ${NAME}
    !error "make-packages passes -D${NAME}=..."
  !endif
!macroend
!insertmacro REQUIRE VERSION
!insertmacro REQUIRE VERSION_QUAD
!insertmacro REQUIRE STAGE
!insertmacro REQUIRE OUTFILE

; A 64-bit installer for 64-bit programs: it needs no 32-bit layer (WoW64,
; which Wine here lacks) and sees the 64-bit Program Files and registry.
Target amd64-unicode
SetCompressor /SOLID lzma
!include MUI2.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vexlan"

Name "Vexlan ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Vexlan"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=0 "ProductName" "Vexlan"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "Vexlan ${VERSION} setup"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (c) 2026 The Vexlan developers (MIT licence)"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}\docs\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Vexlan"
  SetOutPath "$INSTDIR"
  File "${STAGE}\vexlan.exe"
  File "${STAGE}\vexlan-job.exe"
  SetOutPath "$INSTDIR\docs"
  File /r "${STAGE}\docs\*.*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vexlan ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Vexlan developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vexlan.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\vexlan.exe"
  Delete "$INSTDIR\vexlan-job.exe"
  RMDir /r "$INSTDIR\docs"
  Delete "$INSTDIR\uninstall.exe"
  ; Only an empty folder goes: files a user put there stay.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
