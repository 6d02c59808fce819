; The Windows setup program: installs for the current user what the zip holds, makes the Start menu
; entries and registers the uninstaller in the system's list of programs. tools/windows/setup.sh
; builds it from the zip's staging folder and passes:
;   VERSION    the game's version, x.y.z
;   STAGE      the staging folder, installed whole
;   INSTALLED  the uninstaller's removals, generated from that same folder
;   LICENCE    the licence text
;   OUTFILE    the setup program to write
Unicode true
; The game is 64-bit, and wine runs 64-bit programs without its 32-bit half.
Target amd64-unicode
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KORVANTA"
!define PUBLISHER "The KORVANTA developers"

Name "KORVANTA"
OutFile "${OUTFILE}"
; Per user, so no administrator is asked for.
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\KORVANTA"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "KORVANTA ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "KORVANTA"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "KORVANTA ${VERSION} setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "2026 ${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_LANGDLL_WINDOWTITLE "Language / Idioma"
!define MUI_LANGDLL_INFO "Please choose a language. / Elija un idioma."
; Both languages whatever the system's code page, and the question asked again on a reinstall.
!define MUI_LANGDLL_ALLLANGUAGES
!define MUI_LANGDLL_ALWAYSSHOW
; Kept in the uninstall key, so the uninstaller speaks the same language and leaves nothing behind.
!define MUI_LANGDLL_REGISTRY_ROOT HKCU
!define MUI_LANGDLL_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "Language"

!insertmacro MUI_PAGE_LICENSE "${LICENCE}"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE FolderChosen
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(StartText)"
!define MUI_FINISHPAGE_RUN_FUNCTION StartGame
; The finish page's second box offers the desktop shortcut, unticked.
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(DesktopText)"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION DesktopShortcut
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro MUI_RESERVEFILE_LANGDLL

LangString StartText ${LANG_ENGLISH} "Start KORVANTA"
LangString StartText ${LANG_SPANISH} "Iniciar KORVANTA"
LangString DesktopText ${LANG_ENGLISH} "Put a shortcut to KORVANTA on the desktop"
LangString DesktopText ${LANG_SPANISH} "Poner un acceso directo a KORVANTA en el escritorio"
LangString CannotWrite ${LANG_ENGLISH} "KORVANTA cannot be installed in $INSTDIR: that folder cannot be written. Please choose another folder."
LangString CannotWrite ${LANG_SPANISH} "KORVANTA no se puede instalar en $INSTDIR: no se puede escribir en esa carpeta. Elija otra carpeta."
LangString KeptFolder ${LANG_ENGLISH} "KORVANTA has been removed. The folder $INSTDIR was kept: it holds files that were not installed with the game, such as a sound folder of your own."
LangString KeptFolder ${LANG_SPANISH} "KORVANTA se ha desinstalado. Se ha conservado la carpeta $INSTDIR: guarda archivos que no se instalaron con el juego, como una carpeta de sonidos propia."
LangString NothingLeft ${LANG_ENGLISH} "KORVANTA is not installed in $INSTDIR: there is nothing left to remove."
LangString NothingLeft ${LANG_SPANISH} "KORVANTA no está instalado en $INSTDIR: no queda nada que desinstalar."

Function .onInit
  !insertmacro MUI_LANGDLL_DISPLAY
  ; NSIS quietly swaps a /D= folder it finds unusable for the default one, and takes /D= off
  ; $CMDLINE. The player asked for that folder: it is read from the whole command line, tried,
  ; and refused.
  System::Call 'kernel32::GetCommandLineW() t .r0'
  StrLen $2 $0
  ${For} $1 0 $2
    StrCpy $3 $0 4 $1
    ${If} $3 == " /D="
      IntOp $1 $1 + 4
      StrCpy $INSTDIR $0 "" $1
      ${Break}
    ${EndIf}
  ${Next}
FunctionEnd

; Sets $0 to 1 when $INSTDIR can be made and written, to 0 when not. A folder made only to try it
; is removed again.
Function TryFolder
  StrCpy $0 0
  StrCpy $2 0
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $2 1
  ${EndIf}
  ClearErrors
  CreateDirectory "$INSTDIR"
  FileOpen $1 "$INSTDIR\korvanta-setup.tmp" w
  ${IfNot} ${Errors}
    FileClose $1
    Delete "$INSTDIR\korvanta-setup.tmp"
    StrCpy $0 1
  ${EndIf}
  ${If} $2 == 1
    RMDir "$INSTDIR"
  ${EndIf}
FunctionEnd

Function FolderChosen
  Call TryFolder
  ${If} $0 == 0
    MessageBox MB_ICONSTOP|MB_OK "$(CannotWrite)"
    Abort
  ${EndIf}
FunctionEnd

; Each entry starts the game in its pack's folder, where it reads its sounds, as the .bat files do.
!macro PackShortcut LINK PACK
  SetOutPath "$INSTDIR\${PACK}"
  CreateShortcut "${LINK}" "$INSTDIR\korvanta.exe" "" "$INSTDIR\korvanta.exe" 0
!macroend

Section "KORVANTA" SectionGame
  SectionIn RO
  ; A silent install never saw the folder page.
  Call TryFolder
  ${If} $0 == 0
    MessageBox MB_ICONSTOP|MB_OK "$(CannotWrite)" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}

  ; An earlier install, wherever it is, is removed by its own uninstaller, so nothing it held and
  ; this version does not lingers; a folder of the player's stays.
  ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 != ""
  ${AndIf} ${FileExists} "$1\uninstall.exe"
    ExecWait '"$1\uninstall.exe" /S _?=$1'
    Delete "$1\uninstall.exe"
    RMDir "$1"
  ${EndIf}

  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\KORVANTA"
  !insertmacro PackShortcut "$SMPROGRAMS\KORVANTA\KORVANTA.lnk" sounds
  !if /FileExists "${STAGE}/sounds-es/*"
    !insertmacro PackShortcut "$SMPROGRAMS\KORVANTA\KORVANTA (español).lnk" sounds-es
  !endif
  ; Scripts ask for the desktop shortcut with /DESKTOP.
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/DESKTOP" $2
  ${IfNot} ${Errors}
    Call DesktopShortcut
  ${EndIf}

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "KORVANTA"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korvanta.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SectionGame} $1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $1
  ; The uninstaller can speak the chosen language even after a silent install.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Language" $LANGUAGE
SectionEnd

Function DesktopShortcut
  !insertmacro PackShortcut "$DESKTOP\KORVANTA.lnk" sounds
  ; Removed by the uninstaller only if it was made here.
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "DesktopShortcut" 1
FunctionEnd

; In the chosen language's pack.
Function StartGame
  ${If} $LANGUAGE == ${LANG_SPANISH}
  ${AndIf} ${FileExists} "$INSTDIR\sounds-es\*.*"
    SetOutPath "$INSTDIR\sounds-es"
  ${Else}
    SetOutPath "$INSTDIR\sounds"
  ${EndIf}
  Exec '"$INSTDIR\korvanta.exe"'
FunctionEnd

Function un.onInit
  ; With nothing left, the language chosen went with the key: the system's own is spoken, unasked.
  ClearErrors
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} ${Errors}
  ${AndIfNot} ${FileExists} "$INSTDIR\korvanta.exe"
    MessageBox MB_ICONINFORMATION|MB_OK "$(NothingLeft)" /SD IDOK
    SetErrorLevel 3
    Quit
  ${EndIf}
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Section "Uninstall"
  ; Exactly the files the installer wrote, then their folders where they are empty.
  !include "${INSTALLED}"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\KORVANTA\KORVANTA.lnk"
  Delete "$SMPROGRAMS\KORVANTA\KORVANTA (español).lnk"
  RMDir "$SMPROGRAMS\KORVANTA"
  ReadRegDWORD $0 HKCU "${UNINSTALL_KEY}" "DesktopShortcut"
  ${If} $0 == 1
    Delete "$DESKTOP\KORVANTA.lnk"
  ${EndIf}
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  RMDir "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR\*.*"
    DetailPrint "$(KeptFolder)"
    MessageBox MB_ICONINFORMATION|MB_OK "$(KeptFolder)" /SD IDOK
  ${EndIf}
SectionEnd
