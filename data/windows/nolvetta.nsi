; The Windows installer. Built by cmake/WindowsPackage.cmake, which defines
; VERSION, VERSION_QUAD, STAGE (the folder of the files to install), ICON and
; OUTFILE. Silent with /S; /AllUsers or /CurrentUser choose where it goes.
Unicode true
Target amd64-unicode  ; a 64-bit program, so a 64-bit installer: Program Files, no registry redirection
SetCompressor /SOLID lzma
ManifestDPIAware true

!define NAME "Nolvetta"
!define PUBLISHER "The Nolvetta developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Nolvetta"
; While this file is beside it, the program keeps its lists in %APPDATA%\Nolvetta.
!define MARKER "nolvetta.installed"

Name "${NAME}"
OutFile "${OUTFILE}"
BrandingText "${NAME} ${VERSION}"

; An administrator chooses between every user (Program Files) and themselves
; (their own programs folder); anyone else installs for themselves. A later
; run, and the uninstaller, find the earlier choice in the Uninstall key.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${NAME}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INIT_TEXT_ADMINREQUIRED "${NAME} のインストールには管理者の権限が必要です。"
!define MULTIUSER_INIT_TEXT_POWERREQUIRED "${NAME} のインストールには管理者の権限が必要です。"
!define MULTIUSER_INIT_TEXT_ALLUSERSNOTPOSSIBLE "このユーザーには、すべてのユーザーのために ${NAME} をインストールする権限がありません。"
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
; Offered, not ticked; a silent install shows no page and starts nothing.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "${NAME} を起動する(&R)"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

VIProductVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductName" "${NAME}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileDescription" "${NAME} ${VERSION} のインストーラー"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"

Function .onInit
    !insertmacro MULTIUSER_INIT
FunctionEnd

; Started by the desktop's shell, as the user who is logged in: the installer
; may run as an administrator, and a program it started would be too, which
; refuses the text dropped from the user's own mail program.
Function StartProgram
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\nolvetta.exe"'
FunctionEnd

Function un.onInit
    !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section
    SetOutPath "$INSTDIR"
    File "${STAGE}/nolvetta.exe"
    File "${STAGE}/README.txt"
    File "${STAGE}/LICENSE.txt"
    FileOpen $0 "$INSTDIR\${MARKER}" w
    FileWrite $0 "Nolvetta keeps its lists in %APPDATA%\Nolvetta while this file is here.$\r$\n"
    FileClose $0
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\nolvetta.exe"

    ; The system's list of programs: HKLM for every user, HKCU for one. The
    ; uninstaller is told which, whoever starts it.
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\nolvetta.exe"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" \
        "$\"$INSTDIR\uninstall.exe$\" /$MultiUser.InstallMode"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
        "$\"$INSTDIR\uninstall.exe$\" /$MultiUser.InstallMode /S"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "https://nolvetta.org"
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Only what was installed goes. The lists are in %APPDATA%\Nolvetta, never
; touched here; any other file in the folder keeps the folder.
Section "Uninstall"
    ; A running program cannot be deleted: stop before anything is half gone.
    Delete "$INSTDIR\nolvetta.exe"
    ${If} ${FileExists} "$INSTDIR\nolvetta.exe"
        MessageBox MB_OK|MB_ICONSTOP "${NAME} が動いているため、削除できません。${NAME} を終了してから、もう一度お試しください。" /SD IDOK
        Abort
    ${EndIf}
    Delete "$SMPROGRAMS\${NAME}.lnk"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\${MARKER}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
