#!/usr/bin/env bash
# bitdek-cli against ffmpeg as an independent implementation of the bursts:
# streams from ffmpeg's AC-3 encoder at 48, 44.1 and 32 kHz and several data
# rates; ffmpeg's IEC 61937 muxer and demuxer are the reference.
#   ffmpeg_interop.sh path/to/bitdek-cli
set -u
CLI=$(realpath "$1")
. "$(dirname "$0")/lib.sh"
need_ffmpeg
make_work_dir

for shape in "48000 448k" "48000 640k" "48000 64k" "44100 192k" "44100 640k" "32000 96k" \
    "32000 640k"; do
    read -r rate bitrate <<<"$shape"
    name="$rate Hz $bitrate"
    rm -f ./*.ac3 ./*.raw ./*.spdif ./*.wav
    make_ac3 src.ac3 "$rate" "$bitrate" || { echo "FAIL $name: ffmpeg made no stream"; exit 1; }
    make_spdif src.ac3 theirs.spdif

    "$CLI" wrap src.ac3 ours.raw --output 32-bit --force
    check "$name: wrap equals ffmpeg's bursts after the lead-in" same_after_lead_in ours.raw theirs.spdif
    check "$name: ffmpeg's demuxer takes our bursts back to the source" \
        bash -c 'ffmpeg -v error -nostdin -y -f spdif -i ours.raw -c copy -f ac3 back.ac3 &&
                 cmp -s back.ac3 src.ac3'

    "$CLI" unwrap theirs.spdif rec.ac3 --force
    check "$name: unwrap of ffmpeg's bursts gives the source back" cmp -s rec.ac3 src.ac3
    ffmpeg -v error -nostdin -y -f s16le -ar "$rate" -ac 2 -i theirs.spdif -c:a pcm_s16le theirs.wav
    "$CLI" unwrap theirs.wav rec-wav.ac3 --force
    check "$name: the same through ffmpeg's WAV file" cmp -s rec-wav.ac3 src.ac3
    ffmpeg -v error -nostdin -y -f s16le -ar "$rate" -ac 2 -i theirs.spdif -c:a pcm_s16le \
        -rf64 always theirs-rf64.wav
    "$CLI" unwrap theirs-rf64.wav rec-rf64.ac3 --force
    check "$name: the same through ffmpeg's RF64 file" cmp -s rec-rf64.ac3 src.ac3

    # Our own recording of our own PCM in a 16-bit format (frames of 1920
    # words do not fit there), decoded by ffmpeg.
    output=16-bit-channel-2
    [ "$shape" = "32000 640k" ] && output=32-bit
    "$CLI" wrap src.ac3 - --output "$output" | "$CLI" unwrap - rec16.ac3 --force
    check "$name: ffmpeg decodes our recordings without error" \
        bash -c '[ -z "$(ffmpeg -v error -nostdin -xerror -i rec.ac3 -f null - 2>&1)" ] &&
                 [ -z "$(ffmpeg -v error -nostdin -xerror -i rec16.ac3 -f null - 2>&1)" ]'

    # verify finds exactly the frames in which bits were flipped.
    mapfile -t frames < <(frame_bytes src.ac3)
    last=$((${#frames[@]} - 2))
    cp src.ac3 damaged.ac3
    for k in 1 17 "$last"; do
        read -r pos size <<<"${frames[$k]}"
        flip_bit damaged.ac3 $((pos + size / 2))
    done
    "$CLI" verify src.ac3 >/dev/null
    check "$name: verify finds nothing in the untouched stream" [ $? -eq 0 ]
    report=$("$CLI" verify damaged.ac3 --json)
    status=$?
    check "$name: verify finds exactly frames 1, 17 and $last" \
        bash -c '[ '"$status"' -eq 1 ] &&
                 grep -q "\"crc_failures\": \[1, 17, '"$last"'\]," <<<"$0" &&
                 grep -q "\"frames\": '"${#frames[@]}"'," <<<"$0"' "$report"
done

# A burst whose Pd announces fewer words than its frame's header costs that
# frame alone: recorded at the header's size, the missing words as zeros, it
# fails the CRC, and every other record is the source's, in its place. One
# that announces more is cut back to its frame.
for shape in "48000 192k 10 40" "44100 640k 1 1" "32000 96k 0 -3"; do
    read -r rate bitrate k words <<<"$shape"
    name="$rate Hz $bitrate, burst $k short by $words words"
    failing=$k
    [ "$words" -lt 0 ] && failing=
    make_ac3 src.ac3 "$rate" "$bitrate" 2 || { echo "FAIL $name: ffmpeg made no stream"; exit 1; }
    make_spdif src.ac3 short.spdif
    shorten_burst short.spdif "$k" "$words"
    mapfile -t frames < <(frame_bytes src.ac3)
    read -r pos size <<<"${frames[$k]}"
    "$CLI" unwrap short.spdif rec.ac3 --force 2>/dev/null
    check "$name: only that frame differs from the source" \
        bash -c 'cmp -s <(head -c '"$pos"' rec.ac3) <(head -c '"$pos"' src.ac3) &&
                 cmp -s <(tail -c +'"$((pos + size + 1))"' rec.ac3) \
                        <(tail -c +'"$((pos + size + 1))"' src.ac3)'
    check "$name: verify finds all ${#frames[@]} frames, failing: [$failing]" \
        grep -q "\"frames\": ${#frames[@]},.*\"crc_failures\": \[$failing\]," \
        <("$CLI" verify rec.ac3 --json)
done

[ "$FAILED" -eq 0 ] && echo "all interoperability checks passed"
exit "$FAILED"
