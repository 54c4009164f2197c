# Shared by the bitdek-cli test scripts: a work folder, checks that report by
# name, ffmpeg-made AC-3 streams and frame positions.

# Where the playback engine's PCM starts after its three silent lead-in buffers.
LEAD_IN_BYTES=$((3 * 49152))
FAILED=0

need_ffmpeg() {
    if ! command -v ffmpeg >/dev/null || ! command -v ffprobe >/dev/null; then
        echo "SKIPPED: ffmpeg is not installed (scripts/test installs it)"
        exit 77
    fi
}

make_work_dir() {
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/bitdek-cli-test.XXXXXX")
    trap 'rm -rf "$WORK"' EXIT
    cd "$WORK" || exit 1
}

# check "what" command...: runs the command, reports ok or FAIL.
check() {
    local what="$1"
    shift
    if "$@"; then
        echo "ok   $what"
    else
        echo "FAIL $what"
        FAILED=1
    fi
}

# make_ac3 OUT RATE BITRATE [SECONDS]: a stereo tone through ffmpeg's AC-3 encoder.
make_ac3() {
    ffmpeg -v error -nostdin -y -f lavfi -i "sine=frequency=997:sample_rate=$2:duration=${4:-3}" \
        -af aformat=channel_layouts=stereo -c:a ac3 -b:a "$3" "$1"
}

# ffmpeg's IEC 61937 bursts for an AC-3 file, raw little-endian samples.
make_spdif() {
    ffmpeg -v error -nostdin -y -i "$1" -c copy -f spdif "$2"
}

# same_after_lead_in OURS THEIRS: our PCM after the lead-in holds theirs byte
# for byte, and nothing but silence after it.
same_after_lead_in() {
    local n
    n=$(stat -c %s "$2")
    cmp -s <(tail -c +$((LEAD_IN_BYTES + 1)) "$1" | head -c "$n") "$2" &&
        [ "$(tail -c +$((LEAD_IN_BYTES + n + 1)) "$1" | tr -d '\0' | wc -c)" -eq 0 ]
}

# frame_bytes FILE: "offset size" of every AC-3 frame, from the frame sizes
# ffmpeg's parser finds.
frame_bytes() {
    ffprobe -v error -show_entries packet=size -of csv=p=0 "$1" |
        awk '{print pos, $1; pos += $1}' pos=0
}

# flip_bit FILE OFFSET: inverts bit 2 of the byte at OFFSET.
flip_bit() {
    local byte
    byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
    printf "$(printf '\\%03o' $((byte ^ 4)))" |
        dd of="$1" bs=1 seek="$2" count=1 conv=notrunc status=none
}

# shorten_burst FILE K WORDS: the Pd of burst K (from 0; ffmpeg starts one
# every 1536 sample pairs) announces WORDS words fewer than the burst carries
# (more when WORDS is negative).
shorten_burst() {
    local at=$(($2 * 6144 + 6)) pd
    pd=$(($(od -An -tu2 -j "$at" -N2 "$1" | tr -d ' ') - 16 * $3))
    printf "$(printf '\\%03o\\%03o' $((pd & 255)) $((pd >> 8)))" |
        dd of="$1" bs=1 seek="$at" count=2 conv=notrunc status=none
}

# wait_for_size FILE: waits up to ten seconds for FILE (a glob) to hold a byte.
wait_for_size() {
    local i
    for ((i = 0; i < 100; i++)); do
        # shellcheck disable=SC2086
        [ -n "$(find $1 -size +0c 2>/dev/null)" ] && return 0
        sleep 0.1
    done
    return 1
}

# whole_prefix FILE STREAM RECORD_BYTES: FILE is the first whole records of STREAM.
whole_prefix() {
    local n
    n=$(stat -c %s "$1")
    [ "$n" -gt 0 ] && [ $((n % $3)) -eq 0 ] && cmp -s "$1" <(head -c "$n" "$2")
}
