; Setup program of Velmora's Filters.
;   makensis -DBIN_DIR=<folder of the 32-bit programs> -DOUTFILE=<setup.exe> filters.nsi
; Copies the six converters and uninstallkv into one folder and writes exactly
; the registry items that uninstallkv removes: the installation folder as the
; default value of HKLM\Software\Velmora\Filters, and the uninstall entry
; KVFilters. It writes no uninstaller of its own: uninstallkv is the one.
; Both programs are 32-bit, so both see the same (32-bit) registry view.

!ifndef BIN_DIR | OUTFILE
  !error "define BIN_DIR and OUTFILE"
!endif

!define PRODUCT "Velmora's Filters"
!define PUBLISHER "Velmora"
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

; An earlier installation is updated where it is; /D= on the command line overrides both.
InstallDir "$PROGRAMFILES\${FOLDER}"
InstallDirRegKey HKLM "${INSTALLATION_KEY}" ""

DirText "Setup will install ${PRODUCT} in the folder below. Removing the filters deletes \
this folder with everything in it, so choose a new or empty folder, or the folder of an \
earlier installation."

Page directory
Page instfiles

; Removal deletes the whole installation folder, so the filters go only into a
; folder of their own: a new or empty one, or one holding an earlier
; installation. Sets $0 to "" when the folder will do.
Function CheckFolder
  StrCpy $0 ""
  IfFileExists "$INSTDIR\uninstallkv.exe" done
  ClearErrors
  FindFirst $1 $2 "$INSTDIR\*.*"
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
SectionEnd
