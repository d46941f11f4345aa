; The Windows installer of Veltrax, compiled by scripts/package.sh with makensis:
;
;   makensis -DVERSION=1.0.0 -DSTAGE=<folder> -DOUTFILE=<setup.exe> Veltrax.nsi
;
; STAGE holds the Windows files in the layout of the zip (VST2/Veltrax.dll,
; CLAP/Veltrax.clap, VST3/Veltrax.vst3/..., README.txt, LICENSE.txt).
;
; What goes where (64-bit folders and registry view):
;   VST3   %COMMONPROGRAMFILES%\VST3\Veltrax.vst3
;   CLAP   %COMMONPROGRAMFILES%\CLAP\Veltrax.clap
;   VST 2  Veltrax.dll into a folder of the user's choice, by default
;          %PROGRAMFILES%\VSTPlugins (/D= sets it)
;   README.txt, LICENSE.txt and the uninstaller in %PROGRAMFILES%\Quillmarsh\Veltrax
; The uninstaller's registry key records what was installed, and which
; folders the installation made, so the uninstaller removes exactly that and
; leaves alone whatever the user added. The Veltrax.vst3 folder is Veltrax's
; own: it goes as a whole, with whatever an earlier version put in it.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include MUI2.nsh
!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Veltrax"
!define DOC_FOLDER "$PROGRAMFILES64\Quillmarsh\Veltrax"
!define CLAP_FOLDER "$COMMONFILES64\CLAP"
!define VST3_FOLDER "$COMMONFILES64\VST3"

Name "Veltrax ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "Quillmarsh Veltrax ${VERSION}"
InstallDir "$PROGRAMFILES64\VSTPlugins"
; A later installation offers the VST 2 folder of the one before.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "Vst2Folder"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Veltrax"
VIAddVersionKey /LANG=1033 "CompanyName" "Quillmarsh"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright 2026 Quillmarsh"
VIAddVersionKey /LANG=1033 "FileDescription" "Veltrax ${VERSION} installer"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
; The VST 2 folder has a page of its own, shown only when VST 2 is chosen.
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipVst2FolderPage
!define MUI_PAGE_HEADER_TEXT "VST 2 plug-in folder"
!define MUI_PAGE_HEADER_SUBTEXT "Choose the folder your host scans for VST 2 plug-ins."
!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup puts Veltrax.dll, the VST 2 plug-in, into this folder. Choose the folder that your host scans for VST 2 plug-ins (its plug-in settings name it), then click Install."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "VST 2 plug-in folder"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; --- folders made by the installation -----------------------------------------

; Creates FOLDER with any missing parents and, when something was missing,
; records the outermost folder it made under the registry value NAME.
!macro MakeFolder FOLDER NAME
  StrCpy $R0 "${FOLDER}"
  StrCpy $R1 ""
  ${Do}
    ${If} $R0 == ""
    ${OrIf} ${FileExists} "$R0\*.*"
      ${Break}
    ${EndIf}
    StrCpy $R1 $R0
    !insertmacro ParentFolder $R0
  ${Loop}
  ${If} $R1 != ""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "${NAME}" $R1
  ${EndIf}
  CreateDirectory "${FOLDER}"
!macroend

; Removes FOLDER and its parents up to the one recorded under NAME, each only
; when empty: a file the user put there keeps its folder.
!macro RemoveFolder FOLDER NAME
  ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "${NAME}"
  ${If} $R1 != ""
    StrCpy $R0 "${FOLDER}"
    ${Do}
      RMDir $R0
      ${If} $R0 == $R1
      ${OrIf} $R0 == ""
        ${Break}
      ${EndIf}
      !insertmacro ParentFolder $R0
    ${Loop}
  ${EndIf}
!macroend

; VAR becomes its parent folder ("" above a drive's root).
!macro ParentFolder VAR
  StrLen $R2 ${VAR}
  ${Do}
    IntOp $R2 $R2 - 1
    ${If} $R2 < 1
      StrCpy ${VAR} ""
      ${Break}
    ${EndIf}
    StrCpy $R3 ${VAR} 1 $R2
    ${If} $R3 == "\"
      StrCpy ${VAR} ${VAR} $R2
      ${Break}
    ${EndIf}
  ${Loop}
  ; A drive ("C:") is never made.
  StrCpy $R3 ${VAR} "" -1
  ${If} $R3 == ":"
    StrCpy ${VAR} ""
  ${EndIf}
!macroend

; Removes what the registry key says an installation put in place, its
; documents and uninstaller in DOCS included. Used by the uninstaller, and by
; the installer before it installs again, so that a format left out this time
; or a VST 2 folder chosen anew leaves no old copy behind.
!macro RemoveInstalled DOCS
  ReadRegStr $R4 HKLM "${UNINSTALL_KEY}" "Vst2Folder"
  ${If} $R4 != ""
    Delete "$R4\Veltrax.dll"
    !insertmacro RemoveFolder $R4 "Vst2FolderMade"
  ${EndIf}
  ReadRegDWORD $R4 HKLM "${UNINSTALL_KEY}" "Clap"
  ${If} $R4 == 1
    Delete "${CLAP_FOLDER}\Veltrax.clap"
    !insertmacro RemoveFolder "${CLAP_FOLDER}" "ClapFolderMade"
  ${EndIf}
  ReadRegDWORD $R4 HKLM "${UNINSTALL_KEY}" "Vst3"
  ${If} $R4 == 1
    RMDir /r "${VST3_FOLDER}\Veltrax.vst3"
    !insertmacro RemoveFolder "${VST3_FOLDER}" "Vst3FolderMade"
  ${EndIf}
  ${If} "${DOCS}" != ""
    Delete "${DOCS}\README.txt"
    Delete "${DOCS}\LICENSE.txt"
    Delete "${DOCS}\Uninstall.exe"
    !insertmacro RemoveFolder "${DOCS}" "DocFolderMade"
  ${EndIf}
!macroend

; --- installer ----------------------------------------------------------------

Function .onInit
  SetRegView 64
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP "Installing Veltrax needs administrator rights." /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
FunctionEnd

Section "-Remove an earlier installation"
  ReadRegStr $R5 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  !insertmacro RemoveInstalled $R5
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section "VST3 plug-in (Common Files\VST3)" SecVst3
  !insertmacro MakeFolder "${VST3_FOLDER}" "Vst3FolderMade"
  SetOutPath "${VST3_FOLDER}\Veltrax.vst3"
  File /r "${STAGE}/VST3/Veltrax.vst3/*"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "Vst3" 1
SectionEnd

Section "CLAP plug-in (Common Files\CLAP)" SecClap
  !insertmacro MakeFolder "${CLAP_FOLDER}" "ClapFolderMade"
  SetOutPath "${CLAP_FOLDER}"
  File "${STAGE}/CLAP/Veltrax.clap"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "Clap" 1
SectionEnd

Section "VST 2 plug-in (a folder of your choice)" SecVst2
  !insertmacro MakeFolder "$INSTDIR" "Vst2FolderMade"
  SetOutPath "$INSTDIR"
  File "${STAGE}/VST2/Veltrax.dll"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Vst2Folder" "$INSTDIR"
SectionEnd

; After the sections, whose numbers it reads.
Function SkipVst2FolderPage
  ${IfNot} ${SectionIsSelected} ${SecVst2}
    Abort
  ${EndIf}
FunctionEnd

Section "-Documents and uninstaller" SecDocs
  !insertmacro MakeFolder "${DOC_FOLDER}" "DocFolderMade"
  SetOutPath "${DOC_FOLDER}"
  File "${STAGE}/README.txt"
  File "${STAGE}/LICENSE.txt"
  WriteUninstaller "${DOC_FOLDER}\Uninstall.exe"

  ; "Apps and Features"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Veltrax"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quillmarsh"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "${DOC_FOLDER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"${DOC_FOLDER}\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"${DOC_FOLDER}\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; In KiB: the sections chosen, these documents and the uninstaller.
  SectionGetSize ${SecDocs} $0
  IntOp $0 $0 + 100
  ${If} ${SectionIsSelected} ${SecVst3}
    SectionGetSize ${SecVst3} $1
    IntOp $0 $0 + $1
  ${EndIf}
  ${If} ${SectionIsSelected} ${SecClap}
    SectionGetSize ${SecClap} $1
    IntOp $0 $0 + $1
  ${EndIf}
  ${If} ${SectionIsSelected} ${SecVst2}
    SectionGetSize ${SecVst2} $1
    IntOp $0 $0 + $1
  ${EndIf}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; --- uninstaller --------------------------------------------------------------

Function un.onInit
  SetRegView 64
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP "Removing Veltrax needs administrator rights." /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
FunctionEnd

Section "Uninstall"
  !insertmacro RemoveInstalled "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
