; The Windows installer of Pixavon: pixavon.dll, pixavon.exe (when built), the
; window pixavon-window.exe (when built) with its entry in the Start menu, the
; catalogues, README and licence, under Program Files; the install folder on
; PATH if the person keeps that box ticked; the development files (header,
; import libraries, CMake package, reference, sample) if the person ticks
; that box, or installs with /DEV; an entry in Apps & features; and an
; uninstaller that removes exactly what was installed.
;
; makensis /DSTAGE=folder /DDEV_STAGE=folder /DDEV_FILES=dev-files.nsh /DVERSION=x.y.z
;          /DOUTFILE=setup.exe [/DHAVE_EXE] [/DHAVE_WINDOW] pixavon.nsi
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

!ifndef STAGE | VERSION | OUTFILE | DEV_STAGE | DEV_FILES
  !error "STAGE, DEV_STAGE, DEV_FILES, VERSION and OUTFILE must be defined"
!endif
!include "${DEV_FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pixavon"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

Name "Pixavon"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Pixavon"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Pixavon"
VIAddVersionKey /LANG=1033 "CompanyName" "Pixavon"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Pixavon setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "The Pixavon authors"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
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
LangString SectionPath ${LANG_ENGLISH} "Add Pixavon to PATH (run pixavon from any command prompt)"
LangString SectionPath ${LANG_JAPANESE} "Pixavon を PATH に追加する（どのコマンド プロンプトからでも pixavon を実行できます）"
LangString SectionPath ${LANG_SIMPCHINESE} "将 Pixavon 添加到 PATH（可在任何命令提示符中运行 pixavon）"
LangString SectionPath ${LANG_TRADCHINESE} "將 Pixavon 加入 PATH（可在任何命令提示字元中執行 pixavon）"
LangString SectionDev ${LANG_ENGLISH} "Development files (to build programs that use pixavon.dll)"
LangString SectionDev ${LANG_JAPANESE} "開発用ファイル（pixavon.dll を使うプログラムの作成用）"
LangString SectionDev ${LANG_SIMPCHINESE} "开发文件（用于编写使用 pixavon.dll 的程序）"
LangString SectionDev ${LANG_TRADCHINESE} "開發檔案（用於編寫使用 pixavon.dll 的程式）"
LangString PathTooLong ${LANG_ENGLISH} "PATH is too long to change safely: add $INSTDIR to it yourself."
LangString PathTooLong ${LANG_JAPANESE} "PATH が長すぎるため安全に変更できません。$INSTDIR をご自分で PATH に追加してください。"
LangString PathTooLong ${LANG_SIMPCHINESE} "PATH 太长，无法安全修改：请自行将 $INSTDIR 添加到 PATH。"
LangString PathTooLong ${LANG_TRADCHINESE} "PATH 太長，無法安全修改：請自行將 $INSTDIR 加入 PATH。"
LangString UnPathTooLong ${LANG_ENGLISH} "PATH is too long to change safely: remove $INSTDIR from it yourself."
LangString UnPathTooLong ${LANG_JAPANESE} "PATH が長すぎるため安全に変更できません。$INSTDIR をご自分で PATH から削除してください。"
LangString UnPathTooLong ${LANG_SIMPCHINESE} "PATH 太长，无法安全修改：请自行从 PATH 中删除 $INSTDIR。"
LangString UnPathTooLong ${LANG_TRADCHINESE} "PATH 太長，無法安全修改：請自行從 PATH 中刪除 $INSTDIR。"

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

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/DEV" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionDev}
  ${EndIf}
FunctionEnd

Section "Uninstall"
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
  Delete "$INSTDIR\pixavon.dll"
  Delete "$INSTDIR\pixavon.exe"
  Delete "$INSTDIR\pixavon-window.exe"
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
SectionEnd
