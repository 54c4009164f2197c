; The Windows installer: for the current user, without administrator rights.
; scripts/package runs makensis with
;   -DVERSION=1.0 -DVERSION_NUMBERS=1.0.0.0 -DFILES=folder -DOUTFILE=setup.exe
; where folder holds bitdek.exe, bitdek-cli.exe and README.txt.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma
; The version resource names no copyright holder.
!pragma warning disable 9100

!include LogicLib.nsh
!include FileFunc.nsh

!define NAME "Orvel Digital Recorder"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\bitdek"
!define CLASSES "Software\Classes"
; Named in the .ac3 files' "Open with" list; the type's own default stays.
!define PROGID "bitdek.ac3"
!define SHORTCUT "$SMPROGRAMS\${NAME}.lnk"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\bitdek"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION_NUMBERS}"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${NAME} setup"
VIAddVersionKey "FileVersion" "${VERSION}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Deletes a key under HKCU only when nothing is left in it: no value, no
; default value, no subkey. Other programs may keep their entries there.
!macro DeleteKeyIfBare KEY
    ClearErrors
    EnumRegValue $0 HKCU "${KEY}" 0
    EnumRegKey $1 HKCU "${KEY}" 0
    ReadRegStr $2 HKCU "${KEY}" ""
    ${If} "$0$1$2" == ""
        DeleteRegKey HKCU "${KEY}"
    ${EndIf}
!macroend

Section
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File "${FILES}/bitdek.exe"
    File "${FILES}/bitdek-cli.exe"
    File "${FILES}/README.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "${SHORTCUT}" "$INSTDIR\bitdek.exe"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\bitdek.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

    ; "Open with" for .ac3 files, without becoming their default program.
    WriteRegStr HKCU "${CLASSES}\${PROGID}" "" "Orvel Digital File"
    WriteRegStr HKCU "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\bitdek.exe,0"
    WriteRegStr HKCU "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\bitdek.exe" "%1"'
    WriteRegStr HKCU "${CLASSES}\.ac3\OpenWithProgids" "${PROGID}" ""
    WriteRegStr HKCU "${CLASSES}\Applications\bitdek.exe" "FriendlyAppName" "${NAME}"
    WriteRegStr HKCU "${CLASSES}\Applications\bitdek.exe\SupportedTypes" ".ac3" ""
    WriteRegStr HKCU "${CLASSES}\Applications\bitdek.exe\shell\open\command" "" \
        '"$INSTDIR\bitdek.exe" "%1"'
    ; SHCNE_ASSOCCHANGED: Explorer reads the associations again.
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

; Removes what the installer added. BITDEK.INI (in the Windows folder or the
; user's application data) and the recordings are the user's and stay, and so
; does anything else put into the program's folder.
Section "Uninstall"
    SetShellVarContext current
    Delete "$INSTDIR\bitdek.exe"
    Delete "$INSTDIR\bitdek-cli.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "${SHORTCUT}"

    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    DeleteRegKey HKCU "${CLASSES}\${PROGID}"
    DeleteRegKey HKCU "${CLASSES}\Applications\bitdek.exe"
    DeleteRegValue HKCU "${CLASSES}\.ac3\OpenWithProgids" "${PROGID}"
    !insertmacro DeleteKeyIfBare "${CLASSES}\.ac3\OpenWithProgids"
    !insertmacro DeleteKeyIfBare "${CLASSES}\.ac3"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
