; Setup program of Velmora's Filters.
;   makensis -DBIN_DIR=<folder of the 32-bit programs> -DPLUGIN_DIR=<folder of FolderCheck.dll>
;            -DVERSION=<x.y.z> -DPRODUCT=<name> -DPUBLISHER=<company> -DOUTFILE=<setup.exe> filters.nsi
; Copies the six converters and uninstallkv into one folder and writes the
; registry items that uninstallkv removes: the installation folder as the
; default value of HKLM\Software\Velmora\Filters, and the uninstall entry
; KVFilters (whose other values go with the key). It writes no uninstaller of
; its own: uninstallkv is the one. Both programs are 32-bit, so both see the
; same (32-bit) registry view.

; The version and the names come from the build, which gives every program the same.
!ifndef BIN_DIR | PLUGIN_DIR | VERSION | PRODUCT | PUBLISHER | OUTFILE
  !error "define BIN_DIR, PLUGIN_DIR, VERSION, PRODUCT, PUBLISHER and OUTFILE"
!endif

!define FOLDER "Velmora Filters"
!define INSTALLATION_KEY "Software\Velmora\Filters"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KVFilters"

Unicode true
SetCompressor /SOLID lzma
Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT}"
RequestExecutionLevel admin
ShowInstDetails show
!addplugindir /x86-unicode "${PLUGIN_DIR}"
!include "FileFunc.nsh"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey "InternalName" "velmora-filters-setup"
VIAddVersionKey "OriginalFilename" "velmora-filters-setup.exe"

; An earlier installation is updated where it is; /D= on the command line overrides both.
InstallDir "$PROGRAMFILES\${FOLDER}"
InstallDirRegKey HKLM "${INSTALLATION_KEY}" ""

DirText "Setup will install ${PRODUCT} in the folder below. Removing the filters deletes \
this folder with everything in it, so choose a new or empty folder, or the folder of an \
earlier installation."

Page directory
Page instfiles

; Removal deletes the whole installation folder, so the filters go only into a
; folder of their own: one the uninstaller will agree to delete (asked through
; its own rule), new or empty or holding an earlier installation, and not a
; second folder while another is still installed. Sets $0 to "" when the
; folder will do, and $3 to the folder as the set owns it.
Function CheckFolder
  StrCpy $0 ""
  ReadRegStr $1 HKLM "${INSTALLATION_KEY}" ""
  FolderCheck::check "$INSTDIR" "$1"
  Pop $2
  Pop $3
  StrCmp $2 "ok" rule_kept
  StrCpy $0 "${PRODUCT} is still installed in $1. Remove it first, or install again into that folder."
  StrCmp $2 "elsewhere" done
  StrCpy $0 "$INSTDIR cannot hold ${PRODUCT}. Removing the filters deletes their folder, so they go only \
into a folder of their own given as a full path, such as $PROGRAMFILES\${FOLDER}: not a system folder, \
nor a folder that holds one."
  Goto done
  rule_kept:
  IfFileExists "$3\uninstallkv.exe" done
  ClearErrors
  FindFirst $1 $2 "$3\*.*"
  IfErrors done
  entry:
    StrCmp $2 "" close
    StrCmp $2 "." next
    StrCmp $2 ".." next
    StrCpy $0 "$INSTDIR already holds other files. Removing ${PRODUCT} deletes their folder, so \
choose a new or empty folder."
    Goto close
  next:
    FindNext $1 $2
    Goto entry
  close:
    FindClose $1
  done:
FunctionEnd

Function .onInit
  ; Setup writes below Program Files and HKLM: without administrator rights it
  ; would fail half way, so it refuses at once.
  UserInfo::GetAccountType
  Pop $0
  StrCmp $0 "Admin" +3
  MessageBox MB_ICONSTOP "Setup of ${PRODUCT} needs administrator rights. Run it again as an administrator." /SD IDOK
  Abort
  ; A /D= folder that setup itself cannot take (a relative path) would be
  ; replaced by the default one: it is checked as given instead.
  System::Call 'kernel32::GetCommandLineW() t .r1'
  ClearErrors
  ${GetOptions} "$1" "/D=" $1
  IfErrors +2
  StrCpy $INSTDIR $1
  ; The directory page checks the folder as it is typed; a silent install only here.
  IfSilent 0 done
  Call CheckFolder
  StrCmp $0 "" done
  MessageBox MB_ICONSTOP "$0" /SD IDOK
  Abort
  done:
FunctionEnd

Function .onVerifyInstDir
  Call CheckFolder
  StrCmp $0 "" +2
  Abort
FunctionEnd

Section
  ; The folder as the uninstaller will read it back from the registry.
  Call CheckFolder
  StrCmp $0 "" +3
  MessageBox MB_ICONSTOP "$0" /SD IDOK
  Abort
  StrCpy $INSTDIR $3

  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "${BIN_DIR}/Bmpload.exe"
  File "${BIN_DIR}/Gifload.exe"
  File "${BIN_DIR}/Pcxload.exe"
  File "${BIN_DIR}/Pngload.exe"
  File "${BIN_DIR}/Folioload.exe"
  File "${BIN_DIR}/Markload.exe"
  File "${BIN_DIR}/uninstallkv.exe"

  WriteRegStr HKLM "${INSTALLATION_KEY}" "" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Contact" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstallkv.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstallkv.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\uninstallkv.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd
