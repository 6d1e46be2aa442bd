; The Windows installer: for every user of the machine, into Program Files, with a Start menu
; entry and an uninstaller listed among the installed programs. /S installs and uninstalls
; silently. scripts/package windows builds it with these defines:
;   VERSION    the program's version, e.g. 0.1
;   VERSION4   the same in four numbers, e.g. 0.1.0.0
;   PUBLISHER  who publishes it
;   STAGE      the folder holding the files to install
;   ICON       the program's icon file
;   OUTFILE    the installer to write
Unicode true
; The program is 64-bit; so is the installer, which then sees the 64-bit Program Files and
; registry as they are.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh

!define PRODUCT "Tavren NetStat"
!define PROGRAM "tavren-netstat.exe"
!define COMPANION "tavren-netstat-cli.exe"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
; Written by the program only when the user turns "Keep History" on; the user's own data.
!define HISTORY_FOLDER "$LOCALAPPDATA\tavren-netstat"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; Installing again, or a newer version, goes where the first install went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright the ${PUBLISHER}. GNU GPL 3 or later."

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
; The only choice in uninstalling is the history: without one the page is skipped.
!define MUI_PAGE_CUSTOMFUNCTION_PRE un.skipChoiceWithoutHistory
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_COMPONENTSPAGE_TEXT_TOP "Your connection history stays on this computer unless you tick it below."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; A running program cannot be replaced or removed: ask to close it first, or in silent mode
; stop with an error, rather than leave half of it behind.
!macro waitUntilProgramClosed un
Function ${un}waitUntilProgramClosed
    ${Do}
        ${IfNot} ${FileExists} "$INSTDIR\${PROGRAM}"
            Return
        ${EndIf}
        ClearErrors
        FileOpen $0 "$INSTDIR\${PROGRAM}" a
        ${IfNot} ${Errors}
            FileClose $0
            Return
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
            "${PRODUCT} is running. Close it (Exit, or Exit in its notification-area menu), then choose Retry." \
            /SD IDCANCEL IDRETRY retry
        SetErrorLevel 2
        Quit
        retry:
    ${Loop}
FunctionEnd
!macroend
!insertmacro waitUntilProgramClosed ""
!insertmacro waitUntilProgramClosed "un."

Function .onInit
    SetRegView 64
FunctionEnd

Section "${PRODUCT}" ProgramFiles
    SectionIn RO
    Call waitUntilProgramClosed
    SetOutPath "$INSTDIR"
    File "${STAGE}\${PROGRAM}"
    File "${STAGE}\${COMPANION}"
    File "${STAGE}\LICENSE.txt"
    File "${STAGE}\README.txt"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    SetShellVarContext all
    CreateShortCut "${SHORTCUT}" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0 SW_SHOWNORMAL "" \
        "Lists the computer's TCP connections and the programs that own them"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ; In KiB: the files above, as the compiler counted them, and the uninstaller.
    SectionGetSize ${ProgramFiles} $0
    FileOpen $1 "$INSTDIR\${UNINSTALLER}" r
    FileSeek $1 0 END $2
    FileClose $1
    IntOp $2 $2 / 1024
    IntOp $0 $0 + $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Exactly what the installer wrote. The folder goes only when nothing else is left in it.
Section "un.${PRODUCT}" UninstallProgram
    SectionIn RO
    Call un.waitUntilProgramClosed
    SetShellVarContext all
    Delete "${SHORTCUT}"
    Delete "$INSTDIR\${PROGRAM}"
    Delete "$INSTDIR\${COMPANION}"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; Off unless the user ticks it; a silent uninstall never removes it.
Section /o "un.Connection history (%LOCALAPPDATA%\tavren-netstat)" ConnectionHistory
    SetShellVarContext current
    Delete "${HISTORY_FOLDER}\history.sqlite"
    Delete "${HISTORY_FOLDER}\history.sqlite-wal"
    Delete "${HISTORY_FOLDER}\history.sqlite-shm"
    Delete "${HISTORY_FOLDER}\history.sqlite-journal"
    ; Copies that could not be read as a history were moved aside, never deleted: they are
    ; history too.
    Delete "${HISTORY_FOLDER}\history.sqlite.broken-*"
    RMDir "${HISTORY_FOLDER}"
SectionEnd

; After the sections, whose numbers they use.
Function un.onInit
    SetRegView 64
    SetShellVarContext current
    ${IfNot} ${FileExists} "${HISTORY_FOLDER}\history.sqlite"
        ; A section without a name is not shown.
        SectionSetText ${ConnectionHistory} ""
    ${EndIf}
FunctionEnd

Function un.skipChoiceWithoutHistory
    SectionGetText ${ConnectionHistory} $0
    ${If} $0 == ""
        Abort
    ${EndIf}
FunctionEnd
