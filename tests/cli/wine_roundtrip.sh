#!/usr/bin/env bash
# The Windows build of bitdek-cli under Wine: info, verify, convert, wrap and
# unwrap on an ffmpeg-made stream, checked against ffmpeg's bursts.
#   wine_roundtrip.sh path/to/bitdek-cli.exe path/to/scripts/wine-run
set -u
EXE=$(realpath "$1")
WINE_RUN=$(realpath "$2")
. "$(dirname "$0")/lib.sh"
need_ffmpeg
command -v wine >/dev/null || { echo "SKIPPED: wine is not installed"; exit 77; }
make_work_dir
cli() { "$WINE_RUN" "$EXE" "$@"; }

for shape in "48000 448k" "44100 192k"; do
    read -r rate bitrate <<<"$shape"
    name="$rate Hz $bitrate under Wine"
    make_ac3 src.ac3 "$rate" "$bitrate" 2
    make_spdif src.ac3 theirs.spdif
    frames=$(frame_bytes src.ac3 | wc -l)

    info=$(cli info src.ac3 --json | tr -d '\r')
    check "$name: info" bash -c 'grep -q "\"layout\": \"Normal\"," <<<"$0" &&
        grep -q "\"frames\": '"$frames"'," <<<"$0"' "$info"
    cli verify src.ac3 >/dev/null
    check "$name: verify is clean" [ $? -eq 0 ]
    cli wrap src.ac3 ours.wav --force
    tail -c +45 ours.wav >ours.raw
    check "$name: wrap equals ffmpeg's bursts after the lead-in and WAV header" \
        same_after_lead_in ours.raw theirs.spdif
    cli unwrap theirs.spdif rec.ac3 --layout pc --force &&
        cli convert rec.ac3 back.ac3 --layout normal --force
    check "$name: unwrap to PC Format and convert back give the source" cmp -s back.ac3 src.ac3
    cli wrap src.ac3 - --output 16-bit-channel-1 | cli unwrap - piped.ac3 --force
    check "$name: wrap to and unwrap from pipes" cmp -s piped.ac3 src.ac3
done

# Checks in child processes: names with backslashes, one at the end of a
# folder's name too, reach their child whole, and each child's exit status
# comes back.
cli verify src.ac3 "Z:$(pwd | tr / '\\')\\src.ac3" 'Z:\tmp\' --jobs 2 2>err.txt | tr -d '\r' >out.txt
check "verify --jobs 2 under Wine, Windows paths among the names" \
    bash -c '[ '"${PIPESTATUS[0]}"' -eq 2 ] && grep -q "^3 files: 2 clean, 0 with findings, 1 unreadable" out.txt &&
             grep -q "^bitdek-cli: Z:\\\\tmp\\\\: not a file" err.txt'

# A folder path longer than the store takes is refused as such, by every
# command that writes into it.
deep=$(printf 'd%.0s' {1..120})/$(printf 'e%.0s' {1..120})
mkdir -p "$deep"
for args in "convert src.ac3 $deep/c.ac3 --layout pc" "wrap src.ac3 $deep/w.wav" \
    "unwrap theirs.spdif $deep/u.ac3"; do
    # shellcheck disable=SC2086
    cli $args 2>err.txt
    check "${args%% *} into a folder of a long path: exit 2, said so" \
        bash -c '[ '$?' -eq 2 ] && grep -q "the path is longer than the store takes" err.txt'
done

# Ctrl-C twice (Wine passes SIGINT on to the console handler) while the
# finished take is copied to a reader that waits, and while a capture waits
# for its input: the run ends with 130, and its own thread removes the
# temporary file, which Windows lets nobody remove while the copy or the
# store holds it open.
win_temp=${WINEPREFIX:-$HOME/.wine}/drive_c/users
make_ac3 ctrl.ac3 48000 448k 5
make_spdif ctrl.ac3 ctrl.spdif
for in in "$WORK/ctrl.spdif" -; do
    (if [ "$in" = - ]; then { head -c 600000 ctrl.spdif; sleep 4; cat ctrl.spdif; }; fi |
        cli unwrap "$in" - | { sleep 5; cat >/dev/null; }; echo "${PIPESTATUS[1]}" >status.txt) &
    for ((i = 0; i < 50; i++)); do
        [ -n "$(find "$win_temp" -name '.bitdek-*.part' 2>/dev/null)" ] && break
        sleep 0.1
    done
    pid=
    for p in /proc/[0-9]*; do
        tr '\0' ' ' <"$p/cmdline" | grep -qF "bitdek-cli.exe unwrap $in " && pid=${p#/proc/}
    done 2>/dev/null
    [ "$in" = - ] && sleep 1  # the input has stalled
    kill -INT "${pid:-0}" && sleep 0.5 && kill -INT "$pid"
    wait
    check "Ctrl-C twice in an unwrap of $in to a reader that waits: exit 130, no temporary file left" \
        bash -c '[ "$(cat status.txt)" -eq 130 ] && [ -z "$(find "$0" -name ".bitdek-*.part")" ]' "$win_temp"
    find "$win_temp" -name '.bitdek-*.part' -delete
done

[ "$FAILED" -eq 0 ] && echo "all Wine checks passed"
exit "$FAILED"
