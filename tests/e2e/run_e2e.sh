#!/usr/bin/env bash
# End-to-end tests of bitdek.exe under Wine, on a display, window manager,
# virtual sound card and Wine prefix of their own.
#
#   run_e2e.sh BITDEK_EXE HELPER_EXE WORK_DIR
#
# Screenshots of the running program go to WORK_DIR/screenshots. Every check
# prints "ok" or "FAIL"; the exit status is 1 when any failed.
set -u
BITDEK="$1"
HELPER="$2"
WORK="$3"
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../../scripts/lib.sh"
. "$HERE/../../scripts/vsound.sh"

FAILED=0
APP_PID=""
WM_PID=""
CARD="$WORK/card"
FILES="$WORK/files"
SHOTS="$WORK/screenshots"

ok() { echo "ok   $*"; }
fail() { echo "FAIL $*"; FAILED=1; }
# expect_error SECONDS TEXT LABEL: the program's error box shows TEXT within
# SECONDS and is answered.
expect_error() {
    local text
    text=$(helper wait-box "Orvel Digital Recoder Error" "$1" 1)
    [ "$text" = "$2" ] && ok "$3 says \"$text\"" || fail "$3 says \"$text\""
}
check() {  # description, command...
    local what="$1"; shift
    local out
    if out=$("$@" 2>&1); then ok "$what${out:+: $out}"; else fail "$what${out:+: $out}"; fi
}

cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    stop_wine
    vsound_stop
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
    stop_display
}
trap cleanup EXIT

winpath() { echo "Z:${1//\//\\}"; }
helper() { wine "$HELPER" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
# A box has gone from the screen a moment before the program moves the focus,
# and a key press takes a moment to arrive: the focus is waited for.
wait_focus() {  # = or !=, control id: within 10 s; prints the focused id
    local _ focused
    for _ in $(seq 1 40); do
        focused=$(helper focus)
        [ "$focused" "$1" "$2" ] && { echo "$focused"; return 0; }
        sleep 0.25
    done
    echo "$focused"
    return 1
}

# Settings the program reads at start: output format, record layout, REQUIRETC
# and the top recent file, which the tests open with CMD_RECENT_FILE_1.
write_settings() {  # spdifmode prefrecformat requiretc file
    local ini="$WINEPREFIX/drive_c/windows/BITDEK.INI"
    printf '[User Preferences]\r\nSPDIFMODE=%s\r\nPREFRECFORMAT=%s\r\nERRCHECK=1\r\nREQUIRETC=%s\r\nREADONLY=0\r\n[Recent File List]\r\nFILE1=%s\r\n' \
        "$1" "$2" "$3" "$(winpath "$4")" >"$ini"
}

# Now and then a Wine process ends at once without starting: a program that
# ended without ever showing its window is started once more, and the log
# says so. One still running without a window fails.
start_app() {
    local attempt
    for attempt in 1 2; do
        wine "$BITDEK" >/dev/null 2>&1 &
        APP_PID=$!
        helper wait-window 30 && return 0
        kill -0 "$APP_PID" 2>/dev/null && break
        echo "note: bitdek.exe ended without showing its window (attempt $attempt)"
    done
    fail "the main window did not appear (process $(kill -0 "$APP_PID" 2>/dev/null &&
        echo running || echo ended))"
    return 1
}

# Exit through the program's own command and wait for the process to end.
# A helper that could not start posted nothing: it is run again.
exit_app() {
    helper post 2053 >/dev/null || helper post 2053 >/dev/null
    if helper wait-gone 20; then
        wait "$APP_PID" 2>/dev/null
    else
        fail "the program did not end on Exit: $(helper wait-state gone 0);" \
            "process $(kill -0 "$APP_PID" 2>/dev/null && echo running || echo ended);" \
            "windows: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | paste -sd '|')"
        kill "$APP_PID" 2>/dev/null
    fi
    APP_PID=""
}

main_xid() { xdotool search --onlyvisible --name '^Orvel Digital Recorder' 2>/dev/null | head -1; }

# Screenshot of every visible window of the program (main window and any
# dialog over it), cropped to them.
shot() {
    local name="$1" box
    sleep 0.5  # let the controls finish painting
    box=$(for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        xdotool getwindowgeometry --shell "$w" 2>/dev/null | tr '\n' ' '; echo
    done | awk '{for(i=1;i<=NF;i++){split($i,kv,"=");v[kv[1]]=kv[2]}
        if (v["WIDTH"]>60 && v["HEIGHT"]>40 && v["WIDTH"]<1280) {
            if (n==0||v["X"]<x0)x0=v["X"]; if (n==0||v["Y"]<y0)y0=v["Y"];
            if (n==0||v["X"]+v["WIDTH"]>x1)x1=v["X"]+v["WIDTH"]; if (n==0||v["Y"]+v["HEIGHT"]>y1)y1=v["Y"]+v["HEIGHT"]; n++}}
        END{if(n)printf "%dx%d+%d+%d", x1-x0, y1-y0, x0, y0}')
    if [ -n "$box" ] && import -window root -crop "$box" +repage "$SHOTS/$name.png" 2>/dev/null; then
        ok "screenshot $SHOTS/$name.png"
    else
        fail "screenshot $name"
    fi
}

# The visible controls of the main window (or of the box with caption $2) lie
# inside its client area and overlap no other, and no label's text needs more
# height than it has (a cut line). Group boxes (buttons of style 7) hold
# others and etched lines (statics of styles 16 to 18) run along the edges by
# design: they are left out.
check_layout() {  # label [caption]
    local out
    out=$(helper controls ${2:+"$2"} | awk '
        $1 == "client" { l = $2; t = $3; r = $4; b = $5; next }
        $2 == "Button" && $3 % 16 == 7 || $2 == "Static" && $3 % 32 >= 16 && $3 % 32 <= 18 { next }
        { n++; id[n] = $1; L[n] = $4; T[n] = $5; R[n] = $6; B[n] = $7
          if ($4 < l || $5 < t || $6 > r || $7 > b) { print $1 " sticks out"; bad = 1 }
          if ($2 == "Static" && $3 % 32 <= 2 && $8 > $7 - $5) { print $1 " has its text cut"; bad = 1 } }
        END { for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++)
                  if (L[i] < R[j] && L[j] < R[i] && T[i] < B[j] && T[j] < B[i]) {
                      print id[i] " overlaps " id[j]; bad = 1 }
              print n + 0 " controls"; exit bad || n == 0 }')
    local status=$?
    out=$(paste -sd ' ' <<<"$out")
    if [ "$status" -eq 0 ]; then
        ok "$1: every control lies inside the window, apart from the others, its text whole: $out"
    else
        fail "$1: every control lies inside the window, apart from the others, its text whole: $out"
    fi
}
# The stop button's picture follows the DPI: its black outline, 12 pixels wide
# as drawn, is scale times that on the screen.
check_picture() {  # scale label
    local l t r b width
    read -r l t r b <<<"$(helper controls | awk '$1 == 3011 { print $4, $5, $6, $7 }')"
    # Inside the button's edges, whose darkest line is black too.
    width=$(import -window root -crop "$((r - l - 6))x$((b - t - 6))+$((l + 3))+$((t + 3))" +repage \
        png:- 2>/dev/null | convert png:- -fill white +opaque black -trim -format %w info: 2>/dev/null)
    if [ "$width" = $((12 * $1)) ]; then
        ok "$2: the stop picture's outline is $width pixels wide"
    else
        fail "$2: the stop picture's outline is ${width:-?} pixels wide, not $((12 * $1))"
    fi
}

# ---------------------------------------------------------------- set-up
# The window frame's symbols and the dialogs' font, for the screenshots.
need_packages fonts-wine || echo "warning: fonts-wine missing; screenshots show stand-in fonts"
rm -rf "$CARD" "$FILES" "$SHOTS" "$WORK/home"
mkdir -p "$WORK" "$FILES" "$SHOTS" "$WORK/home" "$WORK/xdg"
chmod 700 "$WORK/xdg"
export HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/xdg"
unset DISPLAY
start_display || exit 1
openbox >/dev/null 2>&1 &
WM_PID=$!
vsound_start "$CARD" || exit 1
start_wine "$WORK/prefix"
wine_use_alsa
# Wine's own fonts: the frame's caption button symbols and "MS Sans Serif".
cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
# Windows draw their own frames, so screenshots show the program as it looks on Windows.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
echo "== e2e in $WORK (DISPLAY=$DISPLAY)"

FRAMES=80  # about 2.6 s of audio per file
A="$FILES/normal48.ac3"          # "Normal", 48 kHz frames
B="$FILES/timecode44.ac3"        # "Normal + Time Code", 44.1 kHz frames
helper make-stream "$(winpath "$A")" 1 0 $FRAMES
helper make-stream "$(winpath "$B")" 0 1 $FRAMES

# ---------------------------------------------------------------- playback
play_file() {  # file spdifmode rate format fscod label
    local file="$1" mode="$2" rate="$3" format="$4" fscod="$5" label="$6"
    rm -f "$CARD"/out-*
    write_settings "$mode" 0 1 "$file"
    start_app || return
    [ "$label" = first ] && shot no-file && check_layout "no file"
    helper post 2054 >/dev/null
    check "$(basename "$file"): opens" helper wait-state ready 10
    [ "$label" = first ] && shot ready && check_picture 1 "96 DPI"
    helper post 3012 >/dev/null
    check "$(basename "$file"): plays" helper wait-state playing 10
    [ "$label" = first ] && shot playing
    check "$(basename "$file"): plays to its end" helper wait-state ready 60
    exit_app
    check "$(basename "$file") in SPDIFMODE $mode: the card received exactly the silent buffers and every block" \
        helper check-output "$(winpath "$CARD/out-$rate.raw")" "$format" "$fscod" $FRAMES "$mode"
}
play_file "$A" 0 48000 1 0 first
cp "$CARD/out-48000.raw" "$FILES/pcm-normal48.raw" 2>/dev/null
play_file "$B" 2 44100 0 1 second
cp "$CARD/out-44100.raw" "$FILES/pcm-timecode44.raw" 2>/dev/null

# ---------------------------------------------------------------- recording
record_file() {  # input-pcm source-format fscod target
    local pcm="$1" format="$2" fscod="$3" target="$4"
    local want got
    want=$(helper stream-bytes "$format" "$fscod" $FRAMES)
    cp "$pcm" "$CARD/in.raw"
    rm -f "$target"
    write_settings 0 "$format" 1 "$target"
    start_app || return
    helper post 2054 >/dev/null
    helper wait-state ready 10 >/dev/null
    # Armed and recording within the input's leading silence.
    helper post 3013 >/dev/null
    helper post 3012 >/dev/null
    check "$(basename "$target"): capturing" helper wait-state capturing 10
    for _ in $(seq 1 200); do
        got=$(stat -c %s "$target" 2>/dev/null || echo 0)
        [ "$got" -ge "$want" ] && break
        sleep 0.1
    done
    helper post 3011 >/dev/null
    check "$(basename "$target"): stopped" helper wait-state ready 10
    exit_app
    check "$(basename "$target"): the recording is byte for byte the stream played into the input" \
        helper check-stream "$(winpath "$target")" "$format" "$fscod" $FRAMES
}
record_file "$FILES/pcm-normal48.raw" 1 0 "$FILES/rec-normal48.ac3"
record_file "$FILES/pcm-timecode44.raw" 0 1 "$FILES/rec-timecode44.ac3"

# ---------------------------------------------------------------- screens and keys
write_settings 0 1 1 "$A"
start_app
helper post 2054 >/dev/null
helper wait-state ready 10 >/dev/null
helper post 3023 >/dev/null   # to the end: recording there needs no question
helper post 3013 >/dev/null
check "armed" helper wait-state capturing 10
shot armed
helper post 3011 >/dev/null
helper wait-state ready 10 >/dev/null
# Each box hands the focus back to Open/Close (4100) when it goes; a Tab takes
# it elsewhere first.
tab_away() {
    xdotool windowactivate --sync "$(main_xid)" >/dev/null 2>&1
    xdotool key Tab
    wait_focus != 4100 >/dev/null || fail "Tab takes the focus off Open/Close"
}
tab_away
helper post 2100 >/dev/null
check "the preferences dialog opens" helper wait-box Preferences 10
shot preferences
helper wait-box Preferences 5 1 >/dev/null
check "the preferences dialog closes with OK" helper wait-no-box Preferences 10
check "the focus is back on Open/Close" wait_focus = 4100
tab_away
helper post 2201 >/dev/null
check "the about box opens" helper wait-box "About Orvel Digital Recorder" 10
shot about
helper wait-box "About Orvel Digital Recorder" 5 2 >/dev/null
check "the about box closes with Cancel (Escape)" helper wait-no-box "About Orvel Digital Recorder" 10
check "the focus is back on Open/Close" wait_focus = 4100

# Real key presses through the X server.
wid=$(main_xid)
xdotool windowactivate --sync "$wid" >/dev/null 2>&1
stops=""
focused=$(helper focus)
for _ in 1 2 3 4 5 6 7 8 9 10 11; do
    xdotool key Tab
    focused=$(wait_focus != "$focused")
    stops="$stops $focused"
done
# Reset, slider, the seven transport buttons (record only while writable) and Open/Close.
if echo "$stops" | grep -qw 3012 && echo "$stops" | grep -qw 4100 && echo "$stops" | grep -qw 1600; then
    ok "Tab walks the tab stops:$stops"
else
    fail "Tab walks the tab stops:$stops"
fi
# Focus on a transport button, then the file is closed under it: Ctrl+O still
# opens the open dialog.
for _ in 1 2 3 4 5 6 7 8 9 10 11; do
    [ "$focused" = 3012 ] && break
    xdotool key Tab
    focused=$(wait_focus != "$focused")
done
[ "$focused" = 3012 ] || fail "Tab reaches the play button (focus on $focused)"
helper post 2052 >/dev/null
helper wait-state nofile 10 >/dev/null
xdotool windowactivate --sync "$wid" >/dev/null 2>&1
xdotool key ctrl+o
if helper wait-box Open 10 >/dev/null; then
    ok "Ctrl+O opens the open dialog (focus was on the play button)"
    C="$FILES/typed.ac3"
    helper make-stream "$(winpath "$C")" 1 0 8
    # The keys go to the window that has the X focus: make it the dialog's.
    xdotool windowactivate --sync "$(xdotool search --onlyvisible --name '^Open$' | head -1)" \
        >/dev/null 2>&1
    xdotool type --delay 20 "$(winpath "$C")"
    xdotool key Return
    check "the typed file opens" helper wait-state ready 10
    # The buttons that make the state "ready" are enabled a moment before
    # the title is set: the title is waited for.
    for _ in $(seq 1 40); do
        title=$(helper title)
        case "$title" in *typed.ac3) break ;; esac
        sleep 0.25
    done
    case "$title" in
    *typed.ac3) ok "the title names the file" ;;
    *) fail "the title names the file: $title" ;;
    esac
else
    fail "Ctrl+O opens the open dialog"
fi
xdotool windowactivate --sync "$wid" >/dev/null 2>&1
xdotool key F1
if text=$(helper wait-box "Orvel Digital Recorder Help" 10); then
    [ "$text" = "Help not yet implemented!" ] && ok "F1 shows the help box" || fail "F1 help text: $text"
    xdotool key Return
    check "Return closes the help box" helper wait-no-box "Orvel Digital Recorder Help" 10
    check "the focus is back on Open/Close" wait_focus = 4100
else
    fail "F1 shows the help box"
fi
xdotool windowactivate --sync "$wid" >/dev/null 2>&1
xdotool key alt+x
if helper wait-gone 20; then
    ok "Alt+X ends the program"
    wait "$APP_PID" 2>/dev/null
    APP_PID=""
else
    fail "Alt+X ends the program"
    exit_app
fi
check "the settings were saved on exit, the typed file on top" grep -q 'FILE1=.*typed.ac3' \
    "$WINEPREFIX/drive_c/windows/BITDEK.INI"

# ---------------------------------------------------------------- chosen device
# A second card, registered with Wine by name: Play reaches it when it is
# chosen by the name Wine lists, and nothing reaches any card when the chosen
# name is one that no device has. Wine's first look at the device list in a
# process probes every ALSA device through the JACK clock, which takes seconds:
# the waits for the start of Play are long.
choose_device() {  # playdevice file
    local ini="$WINEPREFIX/drive_c/windows/BITDEK.INI"
    printf '[User Preferences]\r\nSPDIFMODE=0\r\nPREFRECFORMAT=1\r\nPLAYDEVICE=%s\r\n[Recent File List]\r\nFILE1=%s\r\n' \
        "$1" "$(winpath "$2")" >"$ini"
}
card_files() { ls "$CARD"/out-*.raw* "$CARD"/cardb-*.raw* 2>/dev/null | xargs -r -n1 basename | tr '\n' ' '; }
chosen_device_step() {
    local name text
    vsound_register_cardb
    name=$(helper out-devices | grep -x '.*cardb.*' | head -1)
    check "Wine lists the second card by name" test -n "$name"
    [ -n "$name" ] && ok "the second card is \"$name\""

    rm -f "$CARD"/out-* "$CARD"/cardb-*
    choose_device "$name" "$A"
    start_app || return
    helper post 2054 >/dev/null
    check "chosen card: opens" helper wait-state ready 10
    helper post 3012 >/dev/null
    check "chosen card: plays" helper wait-state playing 40
    check "chosen card: plays to its end" helper wait-state ready 60
    helper post 2100 >/dev/null
    helper wait-box Preferences 10 >/dev/null
    shot preferences-devices
    helper wait-box Preferences 5 1 >/dev/null
    helper wait-no-box Preferences 10 >/dev/null
    exit_app
    check "chosen card: it received exactly the silent buffers and every block" \
        helper check-output "$(winpath "$CARD/cardb-48000.raw")" 1 0 $FRAMES 0
    check "chosen card: nothing reached the default card" test -z "$(ls "$CARD"/out-* 2>/dev/null)"

    rm -f "$CARD"/out-* "$CARD"/cardb-*
    choose_device "Out: no such card" "$A"
    start_app || return
    helper post 2054 >/dev/null
    helper wait-state ready 10 >/dev/null
    helper post 3012 >/dev/null
    expect_error 40 "Cannot open sound card for playback." "missing card: Play"
    check "missing card: still ready after Play" helper wait-state ready 10
    helper post 2100 >/dev/null
    helper wait-box Preferences 10 >/dev/null
    shot preferences-missing-device
    helper wait-box Preferences 5 1 >/dev/null
    helper wait-no-box Preferences 10 >/dev/null
    exit_app
    check "missing card: nothing reached any card" test -z "$(card_files)"
    check "missing card: the choice is kept" grep -q 'PLAYDEVICE="Out: no such card"' \
        "$WINEPREFIX/drive_c/windows/BITDEK.INI"
}
chosen_device_step
vsound_unregister_cardb

# ---------------------------------------------------------------- 120 and 144 DPI
# The screen at 125 % and 150 %: the window is laid out in bigger dialog
# units, the button pictures drawn at the nearest whole multiple of their
# size, and nothing sticks out, overlaps or has its text cut.
for dpi in 120 144; do
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null 2>&1
    write_settings 0 1 1 "$A"
    start_app || continue
    shot no-file-${dpi}dpi
    check_layout "$dpi DPI, no file"
    helper post 2054 >/dev/null
    check "$dpi DPI: opens" helper wait-state ready 10
    check_picture $(((dpi + 48) / 96)) "$dpi DPI"
    helper post 3012 >/dev/null
    check "$dpi DPI: plays" helper wait-state playing 10
    shot playing-${dpi}dpi
    check_layout "$dpi DPI, playing"
    helper post 2100 >/dev/null
    helper wait-box Preferences 10 >/dev/null
    shot preferences-${dpi}dpi
    check_layout "$dpi DPI, preferences" Preferences
    helper wait-box Preferences 5 1 >/dev/null
    helper wait-no-box Preferences 10 >/dev/null
    helper post 2201 >/dev/null
    helper wait-box "About Orvel Digital Recorder" 10 >/dev/null
    shot about-${dpi}dpi
    check_layout "$dpi DPI, about box" "About Orvel Digital Recorder"
    helper wait-box "About Orvel Digital Recorder" 5 2 >/dev/null
    helper wait-no-box "About Orvel Digital Recorder" 10 >/dev/null
    exit_app
done
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1

# ---------------------------------------------------------------- no sound card
vsound_stop
write_settings 0 1 1 "$A"
start_app
helper post 2054 >/dev/null
helper wait-state ready 10 >/dev/null
helper post 3012 >/dev/null
expect_error 10 "Cannot open sound card for playback." "no card: Play"
check "no card: still ready after Play" helper wait-state ready 10
helper post 3023 >/dev/null
helper post 3013 >/dev/null
expect_error 10 "Cannot open sound card for record." "no card: Record"
check "no card: still ready after Record" helper wait-state ready 10
exit_app

[ "$FAILED" -eq 0 ] && echo "== e2e: all passed" || echo "== e2e: FAILED"
exit "$FAILED"
