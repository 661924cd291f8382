; The Windows installer of Pixavon: pixavon.dll, pixavon.exe (when built), the
; window pixavon-window.exe (when built) with its entry in the Start menu, the
; catalogues, README and licence, under Program Files; the install folder on
; PATH if the person keeps that box ticked; the development files (header,
; import libraries, CMake package, reference, sample) if the person ticks
; that box, or installs with /DEV; an entry in Apps & features; and an
; uninstaller that removes exactly what was installed, and the window's
; settings. Both wait for a running Pixavon to be closed: Windows keeps a
; running program's files. In the person's language (English, Japanese,
; Simplified or Traditional Chinese), with Pixavon's icon, a welcome page and
; a finish page that offers to start the window.
;
; makensis /DSTAGE=folder /DDEV_STAGE=folder /DDEV_FILES=dev-files.nsh /DVERSION=x.y.z
;          /DICON=pixavon.ico /DWIZARD=pixavon-wizard.bmp /DCOPYRIGHT=text /DOUTFILE=setup.exe [/DHAVE_EXE] [/DHAVE_WINDOW] pixavon.nsi
; (scripts/package-windows.sh stages the folders, lists the development
; files in dev-files.nsh and runs this.)

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "WinMessages.nsh"

!ifndef STAGE | VERSION | OUTFILE | DEV_STAGE | DEV_FILES | ICON | WIZARD | COPYRIGHT
  !error "STAGE, DEV_STAGE, DEV_FILES, VERSION, ICON, WIZARD, COPYRIGHT and OUTFILE must be defined"
!endif
!include "${DEV_FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pixavon"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
; The window's settings, each user's own.
!define SETTINGS_KEY "Software\Pixavon"

Name "Pixavon"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Pixavon"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Pixavon ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Pixavon"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "Pixavon"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Pixavon setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COPYRIGHT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_SHOW ComponentsShow
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!ifdef HAVE_WINDOW
  !define MUI_FINISHPAGE_RUN
  !define MUI_FINISHPAGE_RUN_FUNCTION StartWindow
!endif
!insertmacro MUI_PAGE_FINISH
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE un.ConfirmLeave
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "TradChinese"

LangString SectionProgram ${LANG_ENGLISH} "Pixavon"
LangString SectionProgram ${LANG_JAPANESE} "Pixavon"
LangString SectionProgram ${LANG_SIMPCHINESE} "Pixavon"
LangString SectionProgram ${LANG_TRADCHINESE} "Pixavon"
LangString DescriptionProgram ${LANG_ENGLISH} "The Pixavon window, the pixavon command and the camera's library, pixavon.dll."
LangString DescriptionProgram ${LANG_JAPANESE} "Pixavon のウィンドウ、pixavon コマンド、カメラ用ライブラリ pixavon.dll です。"
LangString DescriptionProgram ${LANG_SIMPCHINESE} "Pixavon 窗口、pixavon 命令和相机库 pixavon.dll。"
LangString DescriptionProgram ${LANG_TRADCHINESE} "Pixavon 視窗、pixavon 命令和相機程式庫 pixavon.dll。"
LangString SectionPath ${LANG_ENGLISH} "Add to PATH"
LangString SectionPath ${LANG_JAPANESE} "PATH に追加"
LangString SectionPath ${LANG_SIMPCHINESE} "添加到 PATH"
LangString SectionPath ${LANG_TRADCHINESE} "加入 PATH"
LangString DescriptionPath ${LANG_ENGLISH} "Run pixavon from any Command Prompt or PowerShell window."
LangString DescriptionPath ${LANG_JAPANESE} "どのコマンド プロンプトや PowerShell からでも pixavon を実行できるようにします。"
LangString DescriptionPath ${LANG_SIMPCHINESE} "可在任何命令提示符或 PowerShell 窗口中运行 pixavon。"
LangString DescriptionPath ${LANG_TRADCHINESE} "可在任何命令提示字元或 PowerShell 視窗中執行 pixavon。"
LangString SectionDev ${LANG_ENGLISH} "Development files"
LangString SectionDev ${LANG_JAPANESE} "開発用ファイル"
LangString SectionDev ${LANG_SIMPCHINESE} "开发文件"
LangString SectionDev ${LANG_TRADCHINESE} "開發檔案"
LangString DescriptionDev ${LANG_ENGLISH} "The header, import libraries for MinGW and Visual C++, the CMake package, the reference and a sample: to build programs that use pixavon.dll."
LangString DescriptionDev ${LANG_JAPANESE} "pixavon.dll を使うプログラムを作るためのヘッダー、MinGW と Visual C++ 用のインポート ライブラリ、CMake パッケージ、リファレンス、サンプルです。"
LangString DescriptionDev ${LANG_SIMPCHINESE} "头文件、MinGW 和 Visual C++ 的导入库、CMake 包、参考文档和示例，用于编写使用 pixavon.dll 的程序。"
LangString DescriptionDev ${LANG_TRADCHINESE} "標頭檔、MinGW 與 Visual C++ 的匯入程式庫、CMake 套件、參考文件和範例，用於編寫使用 pixavon.dll 的程式。"
LangString PixavonRunning ${LANG_ENGLISH} "Pixavon is running. Close the Pixavon window and any pixavon command that is running, then choose Retry."
LangString PixavonRunning ${LANG_JAPANESE} "Pixavon が実行中です。Pixavon のウィンドウと実行中の pixavon コマンドを閉じてから、[再試行] を選んでください。"
LangString PixavonRunning ${LANG_SIMPCHINESE} "Pixavon 正在运行。请关闭 Pixavon 窗口和正在运行的 pixavon 命令，然后选择“重试”。"
LangString PixavonRunning ${LANG_TRADCHINESE} "Pixavon 正在執行。請關閉 Pixavon 視窗和正在執行的 pixavon 命令，然後選擇「重試」。"
LangString NotRemoved ${LANG_ENGLISH} "Some of Pixavon's files could not be removed. Close Pixavon, then uninstall it again."
LangString NotRemoved ${LANG_JAPANESE} "Pixavon のファイルの一部を削除できませんでした。Pixavon を閉じてから、もう一度アンインストールしてください。"
LangString NotRemoved ${LANG_SIMPCHINESE} "无法删除 Pixavon 的部分文件。请关闭 Pixavon，然后再次卸载。"
LangString NotRemoved ${LANG_TRADCHINESE} "無法刪除 Pixavon 的部分檔案。請關閉 Pixavon，然後再次解除安裝。"
LangString PathTooLong ${LANG_ENGLISH} "PATH is too long to change safely: add $INSTDIR to it yourself."
LangString PathTooLong ${LANG_JAPANESE} "PATH が長すぎるため安全に変更できません。$INSTDIR をご自分で PATH に追加してください。"
LangString PathTooLong ${LANG_SIMPCHINESE} "PATH 太长，无法安全修改：请自行将 $INSTDIR 添加到 PATH。"
LangString PathTooLong ${LANG_TRADCHINESE} "PATH 太長，無法安全修改：請自行將 $INSTDIR 加入 PATH。"
LangString UnPathTooLong ${LANG_ENGLISH} "PATH is too long to change safely: remove $INSTDIR from it yourself."
LangString UnPathTooLong ${LANG_JAPANESE} "PATH が長すぎるため安全に変更できません。$INSTDIR をご自分で PATH から削除してください。"
LangString UnPathTooLong ${LANG_SIMPCHINESE} "PATH 太长，无法安全修改：请自行从 PATH 中删除 $INSTDIR。"
LangString UnPathTooLong ${LANG_TRADCHINESE} "PATH 太長，無法安全修改：請自行從 PATH 中刪除 $INSTDIR。"

; Whether Pixavon runs from $INSTDIR: Windows lets no one write to a running
; program or a loaded library, so the one that cannot be opened for writing
; is in use (the window, a pixavon command, or a program with pixavon.dll
; loaded). Asks the person to close it, again until it is closed or they
; cancel; a silent run cancels. On return $0 is 1 if Pixavon still runs.
!macro CLOSE_PIXAVON prefix
Function ${prefix}FileInUse  ; $1: the file; sets $0 to 1 if it is in use
  ${If} ${FileExists} "$1"
    ClearErrors
    FileOpen $2 "$1" a
    ${If} ${Errors}
      StrCpy $0 1
    ${Else}
      FileClose $2
    ${EndIf}
  ${EndIf}
FunctionEnd
Function ${prefix}ClosePixavon
  Push $1
  Push $2
  ${Do}
    StrCpy $0 0
    StrCpy $1 "$INSTDIR\pixavon-window.exe"
    Call ${prefix}FileInUse
    StrCpy $1 "$INSTDIR\pixavon.exe"
    Call ${prefix}FileInUse
    StrCpy $1 "$INSTDIR\pixavon.dll"
    Call ${prefix}FileInUse
    ${IfThen} $0 == 0 ${|} ${Break} ${|}
    ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(PixavonRunning)" /SD IDCANCEL IDCANCEL`
      ${Break}
    ${EndIf}
  ${Loop}
  Pop $2
  Pop $1
FunctionEnd
!macroend
!insertmacro CLOSE_PIXAVON ""
!insertmacro CLOSE_PIXAVON "un."

; PATH's entries are split at ';'. $R0: PATH; on return $R1: PATH without
; the entries equal to $INSTDIR (the others, empty ones too, as they were) and
; $R2: how many there were. Case as Windows compares paths.
!macro PATH_WITHOUT_INSTDIR prefix
Function ${prefix}PathWithoutInstdir
  StrCpy $R1 ""
  StrCpy $R2 0
  StrCpy $R3 ""  ; the entry being read
  StrCpy $R4 0   ; where in PATH
  StrCpy $R5 0   ; 1 once an entry has been kept
  ${Do}
    StrCpy $R6 $R0 1 $R4
    ${If} $R6 == ";"
    ${OrIf} $R6 == ""
      ${If} $R3 == $INSTDIR
      ${OrIf} $R3 == "$INSTDIR\"
        IntOp $R2 $R2 + 1
      ${ElseIf} $R5 == 0
        StrCpy $R1 $R3
        StrCpy $R5 1
      ${Else}
        StrCpy $R1 "$R1;$R3"
      ${EndIf}
      StrCpy $R3 ""
      ${IfThen} $R6 == "" ${|} ${Break} ${|}
    ${Else}
      StrCpy $R3 "$R3$R6"
    ${EndIf}
    IntOp $R4 $R4 + 1
  ${Loop}
FunctionEnd
!macroend
!insertmacro PATH_WITHOUT_INSTDIR ""
!insertmacro PATH_WITHOUT_INSTDIR "un."

Section "$(SectionProgram)" SectionProgram
  SectionIn RO
  ; An upgrade: the files of the Pixavon installed here are replaced.
  Call ClosePixavon
  ${If} $0 == 1
    SetErrorLevel 2
    Abort
  ${EndIf}
  ; The Start menu entry is every user's, as the program is.
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${STAGE}\pixavon.dll"
!ifdef HAVE_EXE
  File "${STAGE}\pixavon.exe"
!endif
!ifdef HAVE_WINDOW
  File "${STAGE}\pixavon-window.exe"
  CreateShortCut "$SMPROGRAMS\Pixavon.lnk" "$INSTDIR\pixavon-window.exe" "" "$INSTDIR\pixavon-window.exe" 0
!endif
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  !macro CATALOGUE lang
    SetOutPath "$INSTDIR\share\locale\${lang}\LC_MESSAGES"
    File "${STAGE}\share\locale\${lang}\LC_MESSAGES\pixavon.mo"
!ifdef HAVE_WINDOW
    File "${STAGE}\share\locale\${lang}\LC_MESSAGES\pixavon-window.mo"
!endif
  !macroend
  !insertmacro CATALOGUE ja
  !insertmacro CATALOGUE zh_CN
  !insertmacro CATALOGUE zh_TW
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Pixavon"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Pixavon"
!ifdef HAVE_WINDOW
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\pixavon-window.exe$\",0"
!else ifdef HAVE_EXE
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\pixavon.exe$\",0"
!else
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\uninstall.exe$\",0"
!endif
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /S"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "$(SectionPath)" SectionPath
  ClearErrors
  ReadRegStr $R0 HKLM "${ENVIRONMENT_KEY}" "Path"
  Call PathWithoutInstdir
  ; Already on PATH (put there by the person): left as it is, and not ours to
  ; remove later.
  ${If} $R2 == 0
    StrLen $0 "$R0;$INSTDIR"
    ; NSIS strings are bounded: a PATH near the bound may have been cut when
    ; read, and writing it back would lose entries.
    ${If} ${Errors}
    ${OrIf} $0 >= ${NSIS_MAX_STRLEN}
      MessageBox MB_OK|MB_ICONEXCLAMATION "$(PathTooLong)" /SD IDOK
    ${Else}
      ${If} $R0 == ""
        WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$INSTDIR"
      ${Else}
        WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$R0;$INSTDIR"
      ${EndIf}
      WriteRegDWORD HKLM "${UNINSTALL_KEY}" "AddedToPath" 1
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${EndIf}
  ${EndIf}
SectionEnd

; Not ticked unless asked for: /DEV ticks it, also for a silent install.
Section /o "$(SectionDev)" SectionDev
  !insertmacro DEV_INSTALL
  SetOutPath "$INSTDIR"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionProgram} "$(DescriptionProgram)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionPath} "$(DescriptionPath)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionDev} "$(DescriptionDev)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/DEV" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionDev}
  ${EndIf}
FunctionEnd

; The description box tells of the first component until the mouse points
; at another.
Function ComponentsShow
  SendMessage $mui.ComponentsPage.DescriptionText ${WM_SETTEXT} 0 "STR:$(DescriptionProgram)"
  EnableWindow $mui.ComponentsPage.DescriptionText 1
FunctionEnd

; Over a Pixavon that runs, the person closes it before the files are copied.
Function DirectoryLeave
  Call ClosePixavon
  ${IfThen} $0 == 1 ${|} Abort ${|}
FunctionEnd

!ifdef HAVE_WINDOW
; The window as the person who installs, not with the installer's rights:
; started by the shell, which runs as they do.
Function StartWindow
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\pixavon-window.exe"'
FunctionEnd
!endif

Function un.ConfirmLeave
  Call un.ClosePixavon
  ${IfThen} $0 == 1 ${|} Abort ${|}
FunctionEnd

Section "Uninstall"
  ; A Pixavon still running keeps its files: nothing is removed then, and
  ; Pixavon stays installed and listed.
  Call un.ClosePixavon
  ${If} $0 == 1
    SetErrorLevel 2
    Abort
  ${EndIf}
  ClearErrors
  Delete "$INSTDIR\pixavon-window.exe"
  Delete "$INSTDIR\pixavon.exe"
  Delete "$INSTDIR\pixavon.dll"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(NotRemoved)" /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "AddedToPath"
  ${If} $0 == 1
    ClearErrors
    ReadRegStr $R0 HKLM "${ENVIRONMENT_KEY}" "Path"
    StrLen $1 $R0
    ${If} ${Errors}
    ${OrIf} $1 >= ${NSIS_MAX_STRLEN}
      MessageBox MB_OK|MB_ICONEXCLAMATION "$(UnPathTooLong)" /SD IDOK
    ${Else}
      Call un.PathWithoutInstdir
      ${If} $R2 > 0
        WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$R1"
        SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
      ${EndIf}
    ${EndIf}
  ${EndIf}

  ; Exactly what was installed: a file the person put in the folder stays,
  ; and so does the folder then.
  SetShellVarContext all
  Delete "$SMPROGRAMS\Pixavon.lnk"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  !insertmacro DEV_UNINSTALL
  !macro UN_CATALOGUE lang
    Delete "$INSTDIR\share\locale\${lang}\LC_MESSAGES\pixavon.mo"
    Delete "$INSTDIR\share\locale\${lang}\LC_MESSAGES\pixavon-window.mo"
    RMDir "$INSTDIR\share\locale\${lang}\LC_MESSAGES"
    RMDir "$INSTDIR\share\locale\${lang}"
  !macroend
  !insertmacro UN_CATALOGUE ja
  !insertmacro UN_CATALOGUE zh_CN
  !insertmacro UN_CATALOGUE zh_TW
  RMDir "$INSTDIR\share\locale"
  RMDir "$INSTDIR\share"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The window's settings of the person who uninstalls, and their state
  ; folder if it is empty (a note left there tells of a restore cut short,
  ; which they still need to know of).
  SetShellVarContext current
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  RMDir "$LOCALAPPDATA\Pixavon"
SectionEnd
