; One setup program for both deliverables: mercanota (the shopping-list program with its sounds, help and
; catalogue) and lumetta32 (the file manager's context-menu handler with its help), registered so that the
; file manager offers the handler for every file.
;
; Built by the win64 build (installer/CMakeLists.txt):
;   makensis -INPUTCHARSET UTF8 -DBIN_DIR=<build>/bin -DMODULE_DIR=<stripped modules>
;            -DFILE_LIST=<generated .nsh> -DOUT_FILE=<setup.exe> setup.nsi
; FILE_LIST names what the build output holds beside the two modules (wave files, help files), so the
; setup program ships whatever of them the build made.
;
; Run with /S for a silent installation; /D=FOLDER (last, unquoted) chooses the folder.

Unicode true
Target amd64-unicode
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!ifndef BIN_DIR
  !error "BIN_DIR (the build output) must be defined: -DBIN_DIR=..."
!endif
!ifndef MODULE_DIR
  !error "MODULE_DIR (mercanota.exe and lumetta32.dll as shipped) must be defined: -DMODULE_DIR=..."
!endif
!ifndef FILE_LIST
  !error "FILE_LIST (the .nsh that FileList.cmake writes) must be defined: -DFILE_LIST=..."
!endif
!ifndef OUT_FILE
  !error "OUT_FILE must be defined: -DOUT_FILE=..."
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include "${FILE_LIST}"

!define PRODUCT "Mercanota e Lumetta32"
!define CLSID "{672386AE-5F5E-4D0E-94CC-446F33F0D831}"
; Written under HKLM\Software\Classes rather than HKCR: HKCR writes land in the user's own classes when a
; per-user key exists, and this registration is for everyone on the machine.
!define CLASSES "Software\Classes"
!define HANDLER_KEY "${CLASSES}\*\shellex\ContextMenuHandlers\Lumetta32"
!define APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define MERCANOTA_DIR "$INSTDIR\Mercanota"
!define LUMETTA_DIR "$INSTDIR\Lumetta32"
!define MENU_DIR "$SMPROGRAMS\${PRODUCT}"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; A second installation goes where the first one went, so it finds the catalogue it must keep.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "${MERCANOTA_DIR}\mercanota.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "PortugueseBR"
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Section "-mercanota"
  SetOutPath "${MERCANOTA_DIR}"
  File "${MODULE_DIR}/mercanota.exe"
  !insertmacro MERCANOTA_FILES
  ; The catalogue is the user's data from the first day on: a demonstration one only where there is none.
  ${IfNot} ${FileExists} "${MERCANOTA_DIR}\Registro.mdb"
    File "${BIN_DIR}/Registro.mdb"
  ${EndIf}
  ; mercanota keeps its catalogue, its journal and atualiza.dat beside itself, so the users who run it
  ; must be able to write there; Program Files alone lets only administrators do so. (Users, by SID, so
  ; that the name's language does not matter.)
  nsExec::Exec '"$SYSDIR\icacls.exe" "${MERCANOTA_DIR}" /grant *S-1-5-32-545:(OI)(CI)M'
  Pop $0

  CreateDirectory "${MENU_DIR}"
  CreateShortcut "${MENU_DIR}\Mercanota.lnk" "${MERCANOTA_DIR}\mercanota.exe"
  !ifdef MERCANOTA_HELP
    CreateShortcut "${MENU_DIR}\Ajuda do Mercanota.lnk" "$WINDIR\winhlp32.exe" '"${MERCANOTA_DIR}\${MERCANOTA_HELP}"'
  !endif
SectionEnd

Section "-lumetta32"
  SetOutPath "${LUMETTA_DIR}"
  ; A file manager that has shown a menu keeps the module loaded, and a loaded module cannot be
  ; overwritten; it can be renamed, though, and the renamed copy goes at the next restart.
  ${If} ${FileExists} "${LUMETTA_DIR}\lumetta32.dll"
    Delete "${LUMETTA_DIR}\lumetta32.dll"
    ${If} ${FileExists} "${LUMETTA_DIR}\lumetta32.dll"
      GetTempFileName $0 "${LUMETTA_DIR}"
      Delete $0
      Rename "${LUMETTA_DIR}\lumetta32.dll" $0
      Delete /REBOOTOK $0
    ${EndIf}
  ${EndIf}
  File "${MODULE_DIR}/lumetta32.dll"
  !insertmacro LUMETTA_FILES

  WriteRegStr HKLM "${CLASSES}\CLSID\${CLSID}" "" "Lumetta32"
  WriteRegStr HKLM "${CLASSES}\CLSID\${CLSID}\InprocServer32" "" "${LUMETTA_DIR}\lumetta32.dll"
  WriteRegStr HKLM "${CLASSES}\CLSID\${CLSID}\InprocServer32" "ThreadingModel" "Apartment"
  WriteRegStr HKLM "${HANDLER_KEY}" "" "${CLSID}"
  ; Where the administrator allows only approved handlers, the file manager looks here.
  WriteRegStr HKLM "${APPROVED_KEY}" "${CLSID}" "Lumetta32"

  !ifdef LUMETTA_HELP
    CreateDirectory "${MENU_DIR}"
    CreateShortcut "${MENU_DIR}\Lumetta32 Help.lnk" "$WINDIR\winhlp32.exe" '"${LUMETTA_DIR}\${LUMETTA_HELP}"'
  !endif
  ; The module opens this one itself when Windows speaks Portuguese; the menu offers it to everyone.
  !ifdef LUMETTA_HELP_PTB
    CreateDirectory "${MENU_DIR}"
    CreateShortcut "${MENU_DIR}\Ajuda do Lumetta32.lnk" "$WINDIR\winhlp32.exe" '"${LUMETTA_DIR}\${LUMETTA_HELP_PTB}"'
  !endif
SectionEnd

Section "-uninstaller"
  ; Also the working folder of the shortcut made here.
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${MENU_DIR}\Desinstalar.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "${MERCANOTA_DIR}\mercanota.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; Unregistered first, so that no new menu loads the module while its file goes. The class is removed
  ; only while it still names this installation's module: another installation may have taken it over.
  ReadRegStr $0 HKLM "${CLASSES}\CLSID\${CLSID}\InprocServer32" ""
  ${If} $0 == "${LUMETTA_DIR}\lumetta32.dll"
    DeleteRegKey HKLM "${CLASSES}\CLSID\${CLSID}"
    DeleteRegKey HKLM "${HANDLER_KEY}"
    DeleteRegValue HKLM "${APPROVED_KEY}" "${CLSID}"
  ${EndIf}

  ; Exactly what was installed: the catalogue, its journal and atualiza.dat are the user's and stay,
  ; and so does the folder that holds them.
  Delete "${MERCANOTA_DIR}\mercanota.exe"
  !insertmacro MERCANOTA_FILES_REMOVE
  Delete /REBOOTOK "${LUMETTA_DIR}\lumetta32.dll"
  !insertmacro LUMETTA_FILES_REMOVE
  ; The help viewer leaves its index beside a help file it has opened.
  Delete "${MERCANOTA_DIR}\MercanotaK.GID"
  Delete "${LUMETTA_DIR}\lumetta32.GID"
  Delete "${LUMETTA_DIR}\lumetta32-ptb.GID"
  ; Something that has just let go of the module (a file manager, a virus scanner) can hold its folder a
  ; moment longer: a few tries before the folder is left for the next restart.
  StrCpy $1 0
  ${Do}
    RMDir "${LUMETTA_DIR}"
    ${IfNot} ${FileExists} "${LUMETTA_DIR}\*.*"
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
    ${If} $1 >= 10
      RMDir /REBOOTOK "${LUMETTA_DIR}"
      ${Break}
    ${EndIf}
    Sleep 200
  ${Loop}
  RMDir "${MERCANOTA_DIR}"

  Delete "${MENU_DIR}\Mercanota.lnk"
  Delete "${MENU_DIR}\Ajuda do Mercanota.lnk"
  Delete "${MENU_DIR}\Lumetta32 Help.lnk"
  Delete "${MENU_DIR}\Ajuda do Lumetta32.lnk"
  Delete "${MENU_DIR}\Desinstalar.lnk"
  RMDir "${MENU_DIR}"

  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
