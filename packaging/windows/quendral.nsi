; The Windows installer: a per-user install into %LOCALAPPDATA%\Programs\Quendral
; (no administrator needed; Settings.ini stays beside the program, where the
; user may write), a Start-menu entry and the user's uninstall entry.
; scripts/build-installer.sh gives the defines:
;   VERSION          the program's version
;   FILES            the folder of the files to install (the zip's)
;   UNINSTALL_FILES  Delete and RMDir lines for exactly those files
;   OUTFILE          the installer to write
; Both the installer and the uninstaller run silently with /S. A silent
; uninstall ends a running copy of the installed program (it could not remove
; it otherwise) and keeps the user's Settings.ini unless /REMOVESETTINGS is given.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define PRODUCT "Quendral"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; Where each running copy keeps its lock file; its first line is the process id.
!define LOCKS "$LOCALAPPDATA\cache\quendral"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define MUI_ICON "${FILES}\quendral.ico"
!define MUI_UNICON "${FILES}\quendral.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\quendral.exe"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The installer speaks the system's language when it is one of these, else the first.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Polish"

LangString EndToReplace ${LANG_ENGLISH} "${PRODUCT} is running from this folder. End it, so that it can be replaced?"
LangString EndToReplace ${LANG_POLISH} "${PRODUCT} działa z tego folderu. Zakończyć go, aby można go było zastąpić?"
LangString EndToRemove ${LANG_ENGLISH} "${PRODUCT} is running. End it and go on removing it?"
LangString EndToRemove ${LANG_POLISH} "${PRODUCT} działa. Zakończyć go i kontynuować usuwanie?"
LangString StillRunning ${LANG_ENGLISH} "${PRODUCT} is still running: nothing more was changed."
LangString StillRunning ${LANG_POLISH} "${PRODUCT} nadal działa: niczego więcej nie zmieniono."
LangString RemoveSettings ${LANG_ENGLISH} "Remove your settings too (Settings.ini: the language and the list of watched files)?"
LangString RemoveSettings ${LANG_POLISH} "Usunąć także ustawienia (Settings.ini: język i listę obserwowanych plików)?"

; $R9: the process id of a copy running from this folder, or 0; $R8: the name
; of its lock file. The lock's holder is quendral-gui.exe, started by
; quendral.exe or directly (quendral.exe of an older version held it itself).
!macro RUNNING_COPY un
Function ${un}RunningCopy
    StrCpy $R9 0
    ClearErrors
    FindFirst $R0 $R1 "${LOCKS}\quendral-*.lock"
    ${DoWhile} $R1 != ""
        ; Shared for writing too: the running copy holds it open to write.
        System::Call 'kernel32::CreateFileW(w "${LOCKS}\$R1", i 0x80000000, i 7, p 0, i 3, i 0, p 0) p .R2'
        ${If} $R2 P<> -1
            FileRead $R2 $R3
            FileClose $R2
            IntOp $R3 $R3 + 0
            ; PROCESS_QUERY_LIMITED_INFORMATION
            System::Call "kernel32::OpenProcess(i 0x1000, i 0, i R3) p .R4"
            ${If} $R3 > 0
            ${AndIf} $R4 P<> 0
                System::Call "kernel32::QueryFullProcessImageNameW(p R4, i 0, w .R5, *i ${NSIS_MAX_STRLEN}) i .R6"
                ${If} $R6 <> 0
                    ${If} $R5 == "$INSTDIR\quendral-gui.exe"
                    ${OrIf} $R5 == "$INSTDIR\quendral.exe"
                        StrCpy $R9 $R3
                        StrCpy $R8 $R1
                    ${EndIf}
                ${EndIf}
            ${EndIf}
            ${If} $R4 P<> 0
                System::Call "kernel32::CloseHandle(p R4)"
            ${EndIf}
        ${EndIf}
        FindNext $R0 $R1
    ${Loop}
    FindClose $R0
FunctionEnd

; Ends the running copy once the user agrees (a silent run agrees); aborts otherwise.
Function ${un}EndRunningCopy
    Exch $0
    Call ${un}RunningCopy
    ${If} $R9 <> 0
        MessageBox MB_YESNO|MB_ICONQUESTION $0 /SD IDYES IDYES end
        Abort "$(StillRunning)"
    end:
        ; PROCESS_TERMINATE | SYNCHRONIZE
        System::Call "kernel32::OpenProcess(i 0x100001, i 0, i R9) p .R4"
        System::Call "kernel32::TerminateProcess(p R4, i 0)"
        System::Call "kernel32::WaitForSingleObject(p R4, i 10000)"
        System::Call "kernel32::CloseHandle(p R4)"
        ; Ended, it cannot remove its lock file itself.
        Delete "${LOCKS}\$R8"
        RMDir "${LOCKS}"
        ; quendral.exe, which waits for the copy it started, ends with it:
        ; until then its file cannot be replaced.
        StrCpy $R7 0
        ${Do}
            ClearErrors
            FileOpen $R6 "$INSTDIR\quendral.exe" a
            ${IfNot} ${Errors}
                FileClose $R6
                ${Break}
            ${EndIf}
            ${If} $R7 >= 40
                ${Break}
            ${EndIf}
            Sleep 250
            IntOp $R7 $R7 + 1
        ${Loop}
    ${EndIf}
    Pop $0
FunctionEnd
!macroend
!insertmacro RUNNING_COPY ""
!insertmacro RUNNING_COPY "un."

Section
    Push "$(EndToReplace)"
    Call EndRunningCopy
    SetOutPath "$INSTDIR"
    File /r "${FILES}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\quendral.exe" "" "$INSTDIR\quendral.ico"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PRODUCT} author"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quendral.ico"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
    ; The program removes its own start at logon and browser button.
    ExecWait '"$INSTDIR\quendral.exe" \uninstallme'
    Push "$(EndToRemove)"
    Call un.EndRunningCopy

    !include "${UNINSTALL_FILES}"
    ${If} ${FileExists} "$INSTDIR\Settings.ini"
        ClearErrors
        ${GetParameters} $0
        ${GetOptions} $0 "/REMOVESETTINGS" $1
        ${IfNot} ${Errors}
            Delete "$INSTDIR\Settings.ini"
        ${ElseIfNot} ${Silent}
            MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(RemoveSettings)" IDNO keep
            Delete "$INSTDIR\Settings.ini"
        keep:
        ${EndIf}
    ${EndIf}
    Delete "$INSTDIR\uninstall.exe"
    ; Only when empty: a file of the user's keeps the folder. It cannot go
    ; while it is a process's current folder: ours, or for a moment that of
    ; the copy just ended.
    SetOutPath "$TEMP"
    StrCpy $1 0
    ${Do}
        RMDir "$INSTDIR"
        ${IfNot} ${FileExists} "$INSTDIR\*.*"
        ${OrIf} $1 >= 8
            ${Break}
        ${EndIf}
        Sleep 250
        IntOp $1 $1 + 1
    ${Loop}
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
