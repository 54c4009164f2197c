#!/usr/bin/env bash
# Makes the sweep's streams once per build tree: ffmpeg's AC-3 encoder at each
# of the 19 data rates at 48, 44.1 and 32 kHz, each a little longer than three
# 64 KB file windows, and the checksum and length of ffmpeg's IEC 61937 bursts
# for each (the bursts themselves would take 150 MB).
#   make_streams.sh DIR
# DIR/streams.txt lists "file fs kbps channels bursts-cksum bursts-bytes"; it is
# written last and names this script's checksum, so an interrupted or outdated
# set is made again.
set -u
DIR="$1"
LIST="$DIR/streams.txt"
if ! command -v ffmpeg >/dev/null; then
    echo "SKIPPED: ffmpeg is not installed (scripts/test installs it)"
    exit 77
fi
stamp="# $(cksum <"$0" | cut -d' ' -f1) $(ffmpeg -version | head -1)"
if [ -f "$LIST" ] && [ "$(head -1 "$LIST")" = "$stamp" ]; then
    echo "streams in $DIR are up to date"
    exit 0
fi
rm -rf "$DIR"
mkdir -p "$DIR"

# More than three windows in every layout: the reader moves its window on by
# at least 30848 words (16 records of 1928 words).
MIN_BYTES=$((3 * 65536 + 1))
list="$stamp"$'\n'
for fs in 48000 44100 32000; do
    for kbps in 32 40 48 56 64 80 96 112 128 160 192 224 256 320 384 448 512 576 640; do
        # Mono for the lowest rates, 5.1 for the highest (ffmpeg refuses 5.1 at
        # 32 kbit/s at 48 and 44.1 kHz).
        if [ "$kbps" -le 96 ]; then
            layout=mono
        elif [ "$kbps" -le 320 ]; then
            layout=stereo
        else
            layout=5.1
        fi
        frame_bytes=$((kbps * 1000 * 1536 / 8 / fs))
        frames=$((MIN_BYTES / frame_bytes + 1))
        name="$fs-$kbps.ac3"
        # The encoder's delay adds a frame; the duration is whole frames.
        ffmpeg -v error -nostdin -y -f lavfi \
            -i "sine=frequency=997:sample_rate=$fs:duration=$(awk "BEGIN{print $frames*1536/$fs}")" \
            -af "aformat=channel_layouts=$layout" -c:a ac3 -b:a "${kbps}k" "$DIR/$name" ||
            { echo "ffmpeg made no $name"; exit 1; }
        size=$(stat -c %s "$DIR/$name")
        [ "$size" -ge "$MIN_BYTES" ] || { echo "$name has only $size bytes"; exit 1; }
        sum=$(ffmpeg -v error -nostdin -i "$DIR/$name" -c copy -f spdif - | cksum)
        list+="$name $fs $kbps $layout $sum"$'\n'
    done
done
printf '%s' "$list" >"$LIST.tmp" && mv "$LIST.tmp" "$LIST"
echo "made $(($(wc -l <"$LIST") - 1)) streams in $DIR"
