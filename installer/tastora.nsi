; The Tastora installer (NSIS 3, Modern UI 2), built by scripts/package.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.3.N -DSTAGE=<folder with tastora.exe and data>
;            -DICON=<tastora.ico> -DOUTFILE=<setup.exe> installer/tastora.nsi
; -DCOURSE_FILES=<course-files.nsh>: the uninstaller's list of the course files.
; -DCOURSE_READONLY=<course-readonly.nsh>: the course files in data\ and data\text\, kept
; read-only for the Users group of an installation for all users.
;
; The program finds data\ in its working folder and writes the learners' profiles there
; (data\users.ini, data\lista.txt, review lessons data\text\<name>.txt), so:
;   - by default it is installed for the current user under the local application data
;     folder, where data\ is writable without administrator rights;
;   - installed for all users (Program Files, administrators only), the Users group may
;     write the profiles in data\ and data\text\; the course files stay read-only;
;   - the shortcuts start it in its own folder;
;   - an update replaces the course files only, and the uninstaller asks before it
;     removes the profiles.
;
; Command line: /S (silent), /D=<folder> (last), /AllUsers, /CurrentUser (default),
; /NoDesktop (no desktop shortcut). Uninstaller: /S, /RemoveProfiles (silent removal of
; the profiles too; a silent uninstall keeps them otherwise).
; Exit codes: 0 done, 1 cancelled, 2 not installed (message shown: folder not writable,
; Tastora running, no rights for all users).

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true
ManifestSupportedOS all

!ifndef VERSION | STAGE | ICON | OUTFILE | COURSE_FILES | COURSE_READONLY
  !error "VERSION, STAGE, ICON, OUTFILE, COURSE_FILES and COURSE_READONLY must be defined (see scripts/package.sh)"
!endif

!define PRODUCT "Tastora"
!define PUBLISHER "Tastora Project"
!define EXE "tastora.exe"
!define TEACHER_EXE "tastora-teacher.exe"
!define TEACHER_LINK "Tastora — журнал класса"
!define UNINSTALLER "uninstall.exe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tastora"
!define SETTINGS_KEY "Software\Tastora"
!define CONTROL "SWFLASH.OCX"
!define CONTROL_CLSID "{D27CDB6E-AE6D-11CF-96B8-444553540000}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
SetDateSave on

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "OriginalFilename" "tastora-${VERSION}-setup.exe"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include StrFunc.nsh
${StrStr}

Var AllUsers        ; 1: installed for all users
Var CanAllUsers     ; 1: the account may install for all users
Var DirFromCommandLine
Var ModeAllRadio
Var ModeUserRadio

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
Page custom ModePageShow ModePageLeave
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION RunTastora
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; Russian only, as the program: no language question first.
!insertmacro MUI_LANGUAGE "Russian"

LangString ModeTitle ${LANG_RUSSIAN} "Для кого установить Tastora"
LangString ModeSubtitle ${LANG_RUSSIAN} "Профили учеников хранятся в папке программы."
LangString ModeUser ${LANG_RUSSIAN} "Только для меня (рекомендуется; права администратора не нужны)"
LangString ModeAll ${LANG_RUSSIAN} "Для всех пользователей компьютера (общие профили учеников)"
LangString ModeAllNeedsAdmin ${LANG_RUSSIAN} "Чтобы установить программу для всех пользователей, запустите установку от имени администратора."
LangString NoAdmin ${LANG_RUSSIAN} "Для установки для всех пользователей нужны права администратора. Tastora не установлена."
LangString SecProgram ${LANG_RUSSIAN} "Tastora"
LangString SecDesktop ${LANG_RUSSIAN} "Ярлык на рабочем столе"
LangString DescProgram ${LANG_RUSSIAN} "Программа, курс из шестнадцати уроков и ярлык в меню «Пуск»."
LangString DescDesktop ${LANG_RUSSIAN} "Ярлык Tastora на рабочем столе."
LangString NotWritable ${LANG_RUSSIAN} "Папку$\r$\n$0$\r$\nнельзя создать или в неё нельзя записывать.$\r$\n$\r$\nВыберите другую папку или запустите установку от имени администратора. Установленная программа не изменена."
LangString Running ${LANG_RUSSIAN} "Tastora сейчас запущена из папки$\r$\n$INSTDIR$\r$\n$\r$\nЗакройте программу и повторите попытку. Установленная программа не изменена."
LangString UnRunning ${LANG_RUSSIAN} "Tastora сейчас запущена. Закройте программу и повторите удаление."
LangString AskProfiles ${LANG_RUSSIAN} "Удалить также профили учеников (их уровни, результаты и упражнения для повторения)?$\r$\n$\r$\nНажмите «Нет», чтобы сохранить их для следующей установки Tastora."

; ---------------------------------------------------------------------------------------
; Installation mode and folder

Function SetMode ; $0 = 1 for all users
  StrCpy $AllUsers $0
  ${If} $AllUsers == 1
    SetShellVarContext all
    ReadRegStr $1 HKLM "${UNINST_KEY}" "InstallLocation"
    StrCpy $2 "$PROGRAMFILES\${PRODUCT}"
  ${Else}
    SetShellVarContext current
    ReadRegStr $1 HKCU "${UNINST_KEY}" "InstallLocation"
    StrCpy $2 "$LOCALAPPDATA\Programs\${PRODUCT}"
  ${EndIf}
  ${If} $DirFromCommandLine == ""
    ${If} $1 != ""
      StrCpy $INSTDIR $1   ; an update goes where the older version is
    ${Else}
      StrCpy $INSTDIR $2
    ${EndIf}
  ${EndIf}
FunctionEnd

Function .onInit
  StrCpy $DirFromCommandLine $INSTDIR   ; /D= (there is no InstallDir)
  ; NSIS drops a /D= folder that it finds unusable (a file in its path, no such drive)
  ; and would install into the default one: the folder given is refused instead.
  ${If} $INSTDIR == ""
    System::Call 'kernel32::GetCommandLineW() t .r1'
    ${StrStr} $0 $1 "/D="
    ${If} $0 != ""
      StrCpy $0 $0 "" 3
      MessageBox MB_OK|MB_ICONEXCLAMATION "$(NotWritable)" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}

  UserInfo::GetAccountType
  Pop $0
  StrCpy $CanAllUsers 0
  ${If} $0 == "Admin"
    StrCpy $CanAllUsers 1
  ${EndIf}

  ${GetParameters} $R0
  StrCpy $0 0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $1
  ${IfNot} ${Errors}
    ${If} $CanAllUsers != 1
      MessageBox MB_OK|MB_ICONSTOP "$(NoAdmin)" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    StrCpy $0 1
  ${EndIf}
  Call SetMode

  Call ApplyDesktopOption
FunctionEnd

Function ModePageShow
  !insertmacro MUI_HEADER_TEXT "$(ModeTitle)" "$(ModeSubtitle)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 10u 100% 12u "$(ModeUser)"
  Pop $ModeUserRadio
  ${NSD_CreateRadioButton} 0 30u 100% 12u "$(ModeAll)"
  Pop $ModeAllRadio
  ${If} $AllUsers == 1
    ${NSD_Check} $ModeAllRadio
  ${Else}
    ${NSD_Check} $ModeUserRadio
  ${EndIf}
  ${If} $CanAllUsers != 1
    EnableWindow $ModeAllRadio 0
    ${NSD_CreateLabel} 12u 46u 95% 24u "$(ModeAllNeedsAdmin)"
    Pop $0
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $ModeAllRadio $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
  Call SetMode
FunctionEnd

; $1 = 1 when the folder $0 can be written to (it is created if need be), else 0.
Function CheckWritable
  StrCpy $1 0
  StrCpy $3 0
  ${IfNot} ${FileExists} "$0\*.*"
    StrCpy $3 1   ; made for the check: removed again
  ${EndIf}
  ClearErrors
  CreateDirectory $0
  IfErrors done
  FileOpen $2 "$0\tastora-setup-check.tmp" w
  IfErrors done
  FileClose $2
  Delete "$0\tastora-setup-check.tmp"
  StrCpy $1 1
done:
  ${If} $3 == 1
    RMDir $0
  ${EndIf}
FunctionEnd

; $R9 = 1 when the installation in $INSTDIR may be written; otherwise 0, and the message
; has been shown. Nothing has been written before.
Function CheckTarget
  StrCpy $R9 0
  ; A running program's file cannot be opened for writing.
  ${If} ${FileExists} "$INSTDIR\${EXE}"
    ClearErrors
    FileOpen $1 "$INSTDIR\${EXE}" a
    IfErrors 0 +3
      MessageBox MB_OK|MB_ICONEXCLAMATION "$(Running)" /SD IDOK
      Return
    FileClose $1
  ${EndIf}
  StrCpy $0 $INSTDIR
  Call CheckWritable
  ${If} $1 == 1
  ${AndIf} ${FileExists} "$INSTDIR\data\*.*"
    StrCpy $0 "$INSTDIR\data"
    Call CheckWritable
  ${EndIf}
  ${If} $1 != 1
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(NotWritable)" /SD IDOK
    Return
  ${EndIf}
  StrCpy $R9 1
FunctionEnd

Function DirectoryLeave
  Call CheckTarget
  ${If} $R9 != 1
    Abort   ; stays on the folder page
  ${EndIf}
FunctionEnd

Function RunTastora
  SetOutPath $INSTDIR
  Exec '"$INSTDIR\${EXE}"'
FunctionEnd

; ---------------------------------------------------------------------------------------
; Installation

Section "$(SecProgram)" SecProgram
  SectionIn RO
  Call CheckTarget
  ${If} $R9 != 1
    SetErrorLevel 2
    Quit
  ${EndIf}

  SetOutPath $INSTDIR
  File "${STAGE}\${EXE}"
  ; The Flash control beside the program: found there without any registration.
  File "${STAGE}\${CONTROL}"
  ; The teacher's class journal.
  File "${STAGE}\${TEACHER_EXE}"
  ; Course files only: the profiles are not part of the package and are left as they are.
  File /r "${STAGE}\data"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ${If} $AllUsers == 1
    Call GrantUsersData
  ${EndIf}

  ; The shortcuts start the program in its folder (the working folder is $OUTDIR).
  SetOutPath $INSTDIR
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0
  CreateShortcut "$SMPROGRAMS\${TEACHER_LINK}.lnk" "$INSTDIR\${TEACHER_EXE}" "" "$INSTDIR\${TEACHER_EXE}" 0

  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section "$(SecDesktop)" SecDesktop
  SetOutPath $INSTDIR
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0
SectionEnd

Function ApplyDesktopOption
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/NoDesktop" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecDesktop} 0
  ${EndIf}
FunctionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "$(DescProgram)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "$(DescDesktop)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; Installed for all users, every learner writes the profiles: data\users.ini, data\lista.txt,
; the lock data\tastora.lock and the review lessons data\text\<name>.txt, each replaced
; through a temporary file beside it. So the Users group (S-1-5-32-545, named in the system's
; language) may create files in data\ and data\text\, and change the files that are created
; there (a right that files directly inside those two folders inherit). Nothing else: the
; course files of those folders are kept from inheriting it (their rights stay what Program
; Files gives, read and run), the other folders (pictures, movies) get none, so that no
; learner can replace what plays in every other learner's program. What an older version
; granted on the whole of data\ is taken back first (review files keep their right by
; inheriting it again). icacls from Vista on; cacls on XP, which adds the right to the two
; folders for the files created later and leaves the files there alone.
!define USERS_SID "*S-1-5-32-545"

!macro KeepReadOnly FILE
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR\${FILE}" /inheritance:d /Q'
  Pop $0
!macroend

Function GrantUsersData
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR\data" /inheritance:e /T /Q'
  Pop $0
  ${If} $0 == 0
    nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR\data" /remove:g ${USERS_SID} /T /Q'
    Pop $0
    !include "${COURSE_READONLY}"
    nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR\data" /grant ${USERS_SID}:(WD) ${USERS_SID}:(OI)(IO)(NP)M /Q'
    Pop $0
    nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR\data\text" /grant ${USERS_SID}:(WD) ${USERS_SID}:(OI)(IO)(NP)M /Q'
    Pop $0
    Return
  ${EndIf}
  System::Call 'advapi32::ConvertStringSidToSidW(w "S-1-5-32-545", *p .r1) i .r0'
  ${If} $0 == 0
    Return
  ${EndIf}
  System::Call 'advapi32::LookupAccountSidW(p 0, p r1, w .r2, *i ${NSIS_MAX_STRLEN}, w .r3, *i ${NSIS_MAX_STRLEN}, *i .r4) i .r0'
  System::Call 'kernel32::LocalFree(p r1)'
  ${If} $0 != 0
    nsExec::ExecToLog '"$SYSDIR\cacls.exe" "$INSTDIR\data" /E /T /R "$2"'
    Pop $0
    nsExec::ExecToLog '"$SYSDIR\cacls.exe" "$INSTDIR\data" /E /G "$2":C'
    Pop $0
    nsExec::ExecToLog '"$SYSDIR\cacls.exe" "$INSTDIR\data\text" /E /G "$2":C'
    Pop $0
  ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------------------
; Uninstallation

Function un.onInit
  ; Installed for all users when the machine-wide entry points here.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

; A registration of the control beside the program (made by hand with regsvr32, per user or
; for the machine) would point to a missing file once it is removed: it goes first.
!macro UnregisterControlIn ROOT ARGS
  ReadRegStr $1 ${ROOT} "Software\Classes\CLSID\${CONTROL_CLSID}\InprocServer32" ""
  ${If} $1 != ""
  ${AndIf} ${FileExists} "$INSTDIR\${CONTROL}"
    GetFullPathName /SHORT $2 "$INSTDIR\${CONTROL}"
    ${If} $1 == "$INSTDIR\${CONTROL}"
    ${OrIf} $1 == $2
      ExecWait '"$SYSDIR\regsvr32.exe" /s /u ${ARGS} "$INSTDIR\${CONTROL}"'
      ReadRegStr $1 ${ROOT} "Software\Classes\CLSID\${CONTROL_CLSID}\InprocServer32" ""
      ${If} $1 == "$INSTDIR\${CONTROL}"
      ${OrIf} $1 == $2
        DeleteRegKey ${ROOT} "Software\Classes\CLSID\${CONTROL_CLSID}"
      ${EndIf}
    ${EndIf}
  ${EndIf}
!macroend

Function un.UnregisterControl
  !insertmacro UnregisterControlIn HKCU "/n /i:user"
  !insertmacro UnregisterControlIn HKLM ""
FunctionEnd

Section "Uninstall"
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} ${FileExists} "$INSTDIR\${EXE}"
    ClearErrors
    FileOpen $1 "$INSTDIR\${EXE}" a
    IfErrors 0 +4
      MessageBox MB_OK|MB_ICONEXCLAMATION "$(UnRunning)" /SD IDOK
      SetErrorLevel 2
      Quit
    FileClose $1
  ${EndIf}

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  Delete "$INSTDIR\${EXE}"
  Delete "$SMPROGRAMS\${TEACHER_LINK}.lnk"
  Delete "$INSTDIR\${TEACHER_EXE}"
  Call un.UnregisterControl
  Delete "$INSTDIR\${CONTROL}"
  ; The copy that the program made in this user's application data folder where the system
  ; directory was not writable (nothing is registered for it).
  SetShellVarContext current
  Delete "$LOCALAPPDATA\${PRODUCT}\${CONTROL}"
  Delete "$LOCALAPPDATA\${PRODUCT}\Tastora.Control.manifest"
  RMDir "$LOCALAPPDATA\${PRODUCT}"
  Delete "$APPDATA\${PRODUCT}\${CONTROL}"
  Delete "$APPDATA\${PRODUCT}\Tastora.Control.manifest"
  RMDir "$APPDATA\${PRODUCT}"
  ${If} $0 == $INSTDIR
    SetShellVarContext all
  ${EndIf}
  ; The course files and their folders; whatever else is left in data\ are profiles.
  !include "${COURSE_FILES}"
  ; What the program itself leaves in data\: the lock of its data files and the temporary
  ; file of a replacement that a crash interrupted. Neither is a learner's.
  Delete "$INSTDIR\data\tastora.lock"
  Delete "$INSTDIR\data\*.tmp~"
  Delete "$INSTDIR\data\text\*.tmp~"
  RMDir "$INSTDIR\data"

  ${If} ${FileExists} "$INSTDIR\data\*.*"
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/RemoveProfiles" $1
    ${If} ${Errors}
      MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(AskProfiles)" /SD IDNO IDNO keep
    ${EndIf}
    RMDir /r "$INSTDIR\data"
  keep:
  ${EndIf}

  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINST_KEY}"
  DeleteRegValue HKCU "${SETTINGS_KEY}" "Installer Language"
  DeleteRegKey /ifempty HKCU "${SETTINGS_KEY}"
SectionEnd
