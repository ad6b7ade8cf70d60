; The Windows installer of Quib! Tools (NSIS 3). scripts/make-windows-installer.sh
; stages the files and builds it:
;
;   makensis -DVERSION=1.0.0 -DFILE_VERSION=1.0.0.0 -DSTAGE=folder -DOUTFILE=setup.exe quibtools.nsi
;
; STAGE holds the installed layout: the tool and its console twin, the
; virtual drive library, quibdrive and quibreg, help\ and real-drive\ (the
; tool again, beside the real-drive library). Everything goes into one
; folder under Program Files; the Start menu gets the two tools, the help
; and the uninstaller. The tool's registry, HKLM\SOFTWARE\QuibTools, is
; created with read and write access for Users, so that the tool run
; without administrator rights can save the Folder Setting
; (docs/windows.md, "Installing on Windows").

!ifndef VERSION | FILE_VERSION | STAGE | OUTFILE
  !error "give -DVERSION, -DFILE_VERSION, -DSTAGE and -DOUTFILE (scripts/make-windows-installer.sh does)"
!endif

Unicode true
; The programs are 64-bit; so is the installer, which then sees the 64-bit
; registry and Program Files without redirection.
Target amd64-unicode
RequestExecutionLevel admin
ManifestDPIAware true
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Quib! Tools"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QuibTools"
!define MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"
; The tool's whole registry on Windows (os/win32/registry.cpp): the
; driver's keys, Drivers\USB\..., are below it, and the tool makes them
; itself on first use.
!define ROOT_KEY "SOFTWARE\QuibTools"
; System and Administrators may do everything, Users read and write
; (KEY_READ | KEY_WRITE: values, and new sub-keys through
; KEY_CREATE_SUB_KEY; not deletion nor the security). "P" keeps SOFTWARE's
; inherited entries out; OICI hands the entries down to every sub-key.
!define ROOT_SDDL "D:P(A;OICI;KA;;;SY)(A;OICI;KA;;;BA)(A;OICI;KRKW;;;BU)"
; HKEY_LOCAL_MACHINE as a 64-bit handle: the 32-bit constant sign-extended,
; as the system's headers define it.
!define HKLM_HANDLE 0xFFFFFFFF80000002

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} Setup"
OutFile "${OUTFILE}"
; No "!" and no space in the folder's own name: it is typed in consoles
; (cmd's delayed expansion eats "!"), and matches the zip's folder and the
; Uninstall key. The menu shows the product's name.
InstallDir "$PROGRAMFILES64\QuibTools"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
Icon "${__FILEDIR__}/../../resources/quibtools.ico"
UninstallIcon "${__FILEDIR__}/../../resources/quibtools.ico"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey "LegalCopyright" "The Quib! Tools developers, MIT licence"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The installer writes HKLM and Program Files: without administrator rights
; (UAC off, an old account) it stops before changing anything.
!macro RequireAdministrator
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP "${PRODUCT} must be installed and uninstalled by an administrator." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

Function .onInit
  !insertmacro RequireAdministrator
  ; The shortcuts are for every user of the machine, as the program folder is.
  SetShellVarContext all
  ; The tool is 64-bit: its registry is in the 64-bit view.
  SetRegView 64
FunctionEnd

Function un.onInit
  !insertmacro RequireAdministrator
  SetShellVarContext all
  SetRegView 64
FunctionEnd

; Creates the tool's registry key, empty (the tool makes its keys and
; values itself; its defaults hold until a value is set), and gives it
; ROOT_SDDL's access list. SetSecurityInfo, unlike RegSetKeySecurity, also
; hands the list down to the sub-keys already there: a copy run as
; administrator before the installation made them with SOFTWARE's
; security, which lets Users only read. A failure is told, with the
; system's error number, and the installation goes on: the tool runs, only
; the saving of its settings is at stake.
Function GrantUsersTheRegistry
  ; $1 the security descriptor, $5 its access list, $2 the key, $0 each
  ; call's result, $3 the step.
  StrCpy $3 "made into a security descriptor"
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${ROOT_SDDL}", i 1, *p .r1, p 0) i .r0 ?e'
  Pop $4
  ${If} $0 == 0
    StrCpy $0 $4
    Goto failed
  ${EndIf}
  System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r6, *p .r5, *i .r7) i .r0 ?e'
  Pop $4
  ${If} $0 == 0
    StrCpy $0 $4
    System::Call 'kernel32::LocalFree(p r1)'
    Goto failed
  ${EndIf}
  ; KEY_READ | WRITE_DAC | KEY_WOW64_64KEY (0x20019 | 0x40000 | 0x100): reading
  ; lets SetSecurityInfo find the sub-keys.
  StrCpy $3 "created"
  System::Call 'advapi32::RegCreateKeyExW(p ${HKLM_HANDLE}, w "${ROOT_KEY}", i 0, p 0, i 0, i 0x60119, p 0, *p .r2, p 0) i .r0'
  ${If} $0 == 0
    ; SE_REGISTRY_KEY (4); DACL_SECURITY_INFORMATION (4) with
    ; PROTECTED_DACL_SECURITY_INFORMATION (0x80000000).
    StrCpy $3 "given its access list"
    System::Call 'advapi32::SetSecurityInfo(p r2, i 4, i 0x80000004, p 0, p 0, p r5, p 0) i .r0'
    System::Call 'advapi32::RegCloseKey(p r2)'
  ${EndIf}
  System::Call 'kernel32::LocalFree(p r1)'
  ${If} $0 != 0
    Goto failed
  ${EndIf}
  DetailPrint "Users may read and write HKLM\${ROOT_KEY}."
  Return
failed:
  DetailPrint "HKLM\${ROOT_KEY} could not be $3 (error $0)."
  MessageBox MB_ICONEXCLAMATION "The tool's registry key HKLM\${ROOT_KEY} could not be $3 (error $0). ${PRODUCT} is installed, but may not be able to save the Folder Setting." /SD IDOK
FunctionEnd

Section "${PRODUCT}"
  SectionIn RO

  SetOutPath "$INSTDIR"
  File "${STAGE}/quibtools.exe"
  File "${STAGE}/quibtools.com"
  File "${STAGE}/ZOVEVIV.DLL"
  File "${STAGE}/quibdrive.exe"
  File "${STAGE}/quibreg.exe"
  File "${STAGE}/LICENSE.txt"
  SetOutPath "$INSTDIR\help"
  File "${STAGE}/help/*.htc"
  File "${STAGE}/help/*.htp"
  File "${STAGE}/help/*.html"
  ; A second copy of the tool beside the real-drive library: it loads
  ; ZOVEVIV.DLL from its own folder, so this copy works on the real drive.
  SetOutPath "$INSTDIR\real-drive"
  File "${STAGE}/real-drive/quibtools.exe"
  File "${STAGE}/real-drive/quibtools.com"
  File "${STAGE}/real-drive/ZOVEVIV.DLL"

  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Each shortcut starts in its program's folder.
  CreateDirectory "${MENU_FOLDER}"
  SetOutPath "$INSTDIR"
  CreateShortcut "${MENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\quibtools.exe"
  SetOutPath "$INSTDIR\real-drive"
  CreateShortcut "${MENU_FOLDER}\${PRODUCT} (real drive).lnk" "$INSTDIR\real-drive\quibtools.exe"
  SetOutPath "$INSTDIR\help"
  CreateShortcut "${MENU_FOLDER}\${PRODUCT} Help.lnk" "$INSTDIR\help\QuibUSB.htc.html"
  SetOutPath "$INSTDIR"
  CreateShortcut "${MENU_FOLDER}\Uninstall.lnk" "$INSTDIR\uninstall.exe"

  Call GrantUsersTheRegistry

  ; Add/Remove Programs.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Quib! Tools developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quibtools.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\quibtools.exe"
  Delete "$INSTDIR\quibtools.com"
  Delete "$INSTDIR\ZOVEVIV.DLL"
  Delete "$INSTDIR\quibdrive.exe"
  Delete "$INSTDIR\quibreg.exe"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\help\*.htc"
  Delete "$INSTDIR\help\*.htp"
  Delete "$INSTDIR\help\*.html"
  RMDir "$INSTDIR\help"
  Delete "$INSTDIR\real-drive\quibtools.exe"
  Delete "$INSTDIR\real-drive\quibtools.com"
  Delete "$INSTDIR\real-drive\ZOVEVIV.DLL"
  RMDir "$INSTDIR\real-drive"
  Delete "$INSTDIR\uninstall.exe"

  Delete "${MENU_FOLDER}\${PRODUCT}.lnk"
  Delete "${MENU_FOLDER}\${PRODUCT} (real drive).lnk"
  Delete "${MENU_FOLDER}\${PRODUCT} Help.lnk"
  Delete "${MENU_FOLDER}\Uninstall.lnk"
  RMDir "${MENU_FOLDER}"

  ; The tool's registry goes with the tool, keys and values: nothing but
  ; the tool keeps anything there.
  DeleteRegKey HKLM "${ROOT_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ; Last, so that the folder's going means the uninstaller is done (the
  ; uninstaller runs from a copy in TEMP: whoever waits for it watches this).
  RMDir "$INSTDIR"
SectionEnd
