#!/usr/bin/env bash
# What Windows users download, under Wine in a fresh prefix: the installer
# run silently puts every file, the Start-menu shortcut, the "Installed apps"
# entry and the .ac3 "Open with" entry in place, the installed program opens a
# file named on its command line, and the silent uninstaller takes all of it
# away again but the settings file and the user's default program for .ac3
# files. The zip's program starts from a folder with a space in its name, and
# both executables carry the CMake version and the manifest.
#
#   run_package.sh SETUP_EXE ZIP VERSION HELPER_EXE WORK_DIR
#
# Uses the display it is given (DISPLAY). Every check prints "ok" or "FAIL".
set -u
SETUP="$1"
ZIP="$2"
VERSION="$3"
HELPER="$4"
WORK="$5"
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../../scripts/lib.sh"

FAILED=0
ok() { echo "ok   $*"; }
fail() { echo "FAIL $*"; FAILED=1; }
check() {  # description, command...
    local what="$1"; shift
    local out
    if out=$("$@" 2>&1); then ok "$what${out:+: $out}"; else fail "$what${out:+: $out}"; fi
}
trap stop_wine EXIT

need_packages unzip || exit 1
rm -rf "$WORK"
mkdir -p "$WORK/home" "$WORK/files"
# Shortcuts and associations stay inside Wine: no menu entries in a home folder.
export HOME="$WORK/home"
start_wine "$WORK/prefix"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

winpath() { winepath -w "$1" 2>/dev/null; }
helper() { wine "$HELPER" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
reg_value() {  # key value: prints the value's data, fails when absent
    wine reg query "$1" ${2:+/v "$2"} 2>/dev/null | tr -d '\r' | awk -v v="${2:-(Default)}" \
        '$1 == v { found = 1; $1 = ""; $2 = ""; sub(/^ +/, ""); print } END { exit !found }'
}
absent() { ! reg_value "$@" >/dev/null; }
# Starts exe with a stream file whose name has a space, checks the title
# names it, and ends it with Exit.
start_with_file() {  # label exe
    local file="$WORK/files/take one.ac3" title
    helper make-stream "$(winpath "$file")" 1 0 8
    wine "$2" "$(winpath "$file")" >/dev/null 2>&1 &
    local pid=$!
    if helper wait-window 30; then
        title=$(helper title)
        case "$title" in
        *"take one.ac3") ok "$1 starts and opens the file named on its command line: $title" ;;
        *) fail "$1 opens the file named on its command line: \"$title\"" ;;
        esac
        helper post 2053 >/dev/null
        helper wait-gone 20 || fail "$1 ends on Exit"
    else
        fail "$1 shows its window"
    fi
    wait "$pid" 2>/dev/null
}

CLASSES='HKCU\Software\Classes'
UNINSTALL='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\bitdek'
# Another program is the .ac3 files' default; it must stay so.
wine reg add "$CLASSES\\.ac3" /ve /d other.player /f >/dev/null 2>&1
local_appdata=$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')")
appdata=$(winepath -u "$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')")
INSTDIR="$local_appdata/Programs/bitdek"
SHORTCUT="$appdata/Microsoft/Windows/Start Menu/Programs/Orvel Digital Recorder.lnk"
INI="$WINEPREFIX/drive_c/windows/BITDEK.INI"

# ---------------------------------------------------------------- install
check "the installer runs silently" wine "$SETUP" /S
for f in bitdek.exe bitdek-cli.exe README.txt uninstall.exe; do
    check "installed: $f" test -f "$INSTDIR/$f"
done
check "the Start-menu shortcut" test -f "$SHORTCUT"
check "Installed apps: the name" reg_value "$UNINSTALL" DisplayName
check "Installed apps: the version is $VERSION" test "$(reg_value "$UNINSTALL" DisplayVersion)" = "$VERSION"
check "Installed apps: the uninstaller" reg_value "$UNINSTALL" UninstallString
check "Open with: listed for .ac3 files" reg_value "$CLASSES\\.ac3\\OpenWithProgids" bitdek.ac3
check "Open with: opens the file with the installed program" reg_value \
    "$CLASSES\\bitdek.ac3\\shell\\open\\command"
check "the .ac3 files' default program is still the other one" \
    test "$(reg_value "$CLASSES\\.ac3")" = other.player
start_with_file "the installed bitdek.exe" "$INSTDIR/bitdek.exe"
check "the program saved its settings" test -f "$INI"

# ---------------------------------------------------------------- uninstall
# The uninstaller runs on from a copy of itself: its end is waited for.
wine "$INSTDIR/uninstall.exe" /S
for _ in $(seq 1 100); do
    [ -e "$INSTDIR" ] || reg_value "$UNINSTALL" DisplayName >/dev/null || break
    sleep 0.2
done
check "uninstalled: the program's folder is gone" test ! -e "$INSTDIR"
check "uninstalled: the shortcut is gone" test ! -e "$SHORTCUT"
check "uninstalled: no Installed apps entry" absent "$UNINSTALL" DisplayName
check "uninstalled: no Open with entry" absent "$CLASSES\\.ac3\\OpenWithProgids" bitdek.ac3
check "uninstalled: no program class" absent "$CLASSES\\bitdek.ac3"
check "uninstalled: the .ac3 files' default program stays" \
    test "$(reg_value "$CLASSES\\.ac3")" = other.player
check "uninstalled: BITDEK.INI stays" test -f "$INI"

# ---------------------------------------------------------------- zip
unzip -q "$ZIP" -d "$WORK/from the zip"
ZIPPED="$WORK/from the zip/bitdek-$VERSION"
start_with_file "the zip's bitdek.exe, in a folder with a space" "$ZIPPED/bitdek.exe"
check "bitdek-cli --version says $VERSION" \
    test "$(wine "$ZIPPED/bitdek-cli.exe" --version 2>/dev/null | tr -d '\r')" = "bitdek-cli $VERSION"
# The resources as the toolchain's resource compiler reads them back.
numbers=$(echo "$VERSION.0.0.0" | cut -d. -f1-4 | sed 's/\./, /g')
for exe in bitdek.exe bitdek-cli.exe; do
    rc=$(x86_64-w64-mingw32-windres -i "$ZIPPED/$exe" -O rc 2>/dev/null)
    check "$exe: the version resource is $VERSION" bash -c 'for line in "${@:2}"; do
            grep -qxF "$line" <<<"$1" || { echo "no line: $line"; exit 1; }; done' _ "$rc" \
        " FILEVERSION $numbers" " PRODUCTVERSION $numbers" \
        "      VALUE \"FileVersion\", \"$VERSION\"" "      VALUE \"ProductVersion\", \"$VERSION\"" \
        "      VALUE \"ProductName\", \"Orvel Digital Recorder\"" \
        "      VALUE \"OriginalFilename\", \"$exe\""
    check "$exe: the manifest asks for no elevation and is DPI aware" bash -c \
        'grep -qF "level=\"\"asInvoker\"\"" <<<"$0" && grep -qF ">true</dpiAware>" <<<"$0"' "$rc"
done

[ "$FAILED" -eq 0 ] && echo "== package: all passed" || echo "== package: FAILED"
exit "$FAILED"
