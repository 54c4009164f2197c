#!/usr/bin/env bash
# bitdek-cli probe over one capture of every kind, made with ffmpeg (its AC-3,
# E-AC-3, DTS, MPEG audio, AAC and TrueHD encoders and its IEC 61937 muxer)
# and with our own wrap: for each, the exit status, the verdict and the JSON
# fields that tell the case.
#   probe.sh path/to/bitdek-cli                          natively
#   probe.sh path/to/bitdek-cli.exe path/to/wine-run     the Windows build
set -u
CLI=$(realpath "$1")
. "$(dirname "$0")/lib.sh"
need_ffmpeg
if [ $# -ge 2 ]; then
    command -v wine >/dev/null || { echo "SKIPPED: wine is not installed"; exit 77; }
    WINE_RUN=$(realpath "$2")
    cli() { "$WINE_RUN" "$CLI" "$@"; }
else
    cli() { "$CLI" "$@"; }
fi
make_work_dir

tone() {  # tone OUT RATE LAYOUT CODEC [OPTIONS...]: a one-second 997 Hz tone
    local out="$1" rate="$2" layout="$3"
    shift 3
    ffmpeg -v error -nostdin -y -f lavfi -i "sine=frequency=997:sample_rate=$rate:duration=1" \
        -af "aformat=channel_layouts=$layout" -strict -2 -c:a "$@" "$out"
}
pcm() {  # pcm IN OUT RATE [FILTERS...]: raw samples through ffmpeg (to a .wav or .raw)
    ffmpeg -v error -nostdin -y -f s16le -ar "$3" -ac 2 -i "$1" "${@:4}" -c:a pcm_s16le \
        -f "$([ "${2##*.}" = wav ] && echo wav || echo s16le)" "$2"
}
set_type() {  # set_type IN OUT TYPE: every contiguous burst's data type changed
    perl -0777 -pe 's/\x72\xf8\x1f\x4e\K../chr('"$3"') . "\x00"/gse' "$1" >"$2"
}

tone main.ac3 48000 5.1 ac3 -b:a 448k
N=$(frame_bytes main.ac3 | wc -l)
make_spdif main.ac3 main.spdif
# A "Normal + Time Code" file: every frame after a stored packet (10:00:00:00, 25 fps).
while read -r pos size; do
    printf '\x01\x10\x00\x10\x00\x00\x00\x00\x00\x00\x00\x00\x00\x0c\x00\x00'
    tail -c +$((pos + 1)) main.ac3 | head -c "$size"
done < <(frame_bytes main.ac3) >tc.ac3
cli wrap main.ac3 w32.raw
cli wrap main.ac3 w1.raw --output 16-bit-channel-1
cli wrap main.ac3 w2.raw --output 16-bit-channel-2
cli wrap tc.ac3 tc.wav
cat w32.raw w2.raw >mixed.raw
tone slow.ac3 44100 stereo ac3 -b:a 192k
tone plain.ac3 48000 stereo ac3 -b:a 192k
make_spdif plain.ac3 plain.spdif
M=$(frame_bytes plain.ac3 | wc -l)
# A null burst, with no payload, right before the first AC-3 burst; the stream
# changes its rate and mode halfway.
{ printf '\x72\xf8\x1f\x4e\0\0\0\0'; cat main.spdif plain.spdif; } >joined.raw
make_spdif slow.ac3 slow.spdif
pcm slow.spdif slow.wav 44100
pcm main.spdif wrong-rate.wav 44100
cp main.spdif removed.raw
for k in 5 9; do  # each of ffmpeg's AC-3 bursts opens its own 1536 sample pairs
    dd if=/dev/zero of=removed.raw bs=6144 seek=$k count=1 conv=notrunc status=none
done
cp main.spdif damaged.raw
flip_bit damaged.raw $((3 * 6144 + 500))
# The second burst's Pd claims one word more than a block holds (followed by a
# silent block for it to end in): it carries no whole frame.
{ head -c 6144 main.spdif; tail -c +6145 main.spdif | head -c 6144 |
    perl -0777 -pe 's/^(.{6})../$1\x10\xc0/s'
  head -c 6144 /dev/zero; tail -c +12289 main.spdif; } >too-long.raw
for c in "eac3 eac3 -b:a 384k" "dts dca" "mp2 mp2" "aac aac" "thd truehd"; do
    read -r ext codec opts <<<"$c"
    # shellcheck disable=SC2086
    tone "other.$ext" 48000 stereo "$codec" $opts
    ffmpeg -v error -nostdin -y -i "other.$ext" -c copy -f spdif "$ext.spdif"
done
ffmpeg -v error -nostdin -y -i other.dts -c copy -f spdif -dtshd_rate 768000 dts4.spdif
tone lsf.mp2 24000 stereo mp2
ffmpeg -v error -nostdin -y -i lsf.mp2 -c copy -f spdif lsf.spdif
set_type main.spdif pause.raw 3
set_type main.spdif reserved.raw 27
head -c 192000 /dev/zero >silence.raw
{ cat silence.raw; printf '\xf8\x72'; } >swapped-pa.raw  # its last word a byte-swapped Pa
ffmpeg -v error -nostdin -y -f lavfi -i "aevalsrc=0.5*sin(2*PI*997*t)|0.25*sin(2*PI*997*t):s=48000:d=1" \
    -f s16le audio.raw
ffmpeg -v error -nostdin -y -i main.ac3 -c copy -f spdif -spdif_flags be swapped.raw
pcm main.spdif scaled.raw 48000 -af volume=-6dB:precision=double
: >empty.raw

# row NAME INPUT STATUS VERDICT [JSON TEXT]...: probe --json INPUT exits with
# STATUS, its verdict begins with VERDICT (unless empty), and its output holds
# each JSON TEXT.
row() {
    local name="$1" input="$2" status="$3" verdict="$4" rc ok=1 want
    shift 4
    cli probe "$input" --json >out.json 2>err.txt
    rc=$?
    tr -d '\r' <out.json >json.txt
    [ "$rc" -eq "$status" ] || { echo "     exit status $rc"; ok=0; }
    [ -n "$verdict" ] && set -- "\"verdict\": \"$verdict" "$@"
    for want in "$@"; do
        grep -qF -- "$want" json.txt || { echo "     no $want"; ok=0; }
    done
    [ "$ok" -eq 1 ] || cat json.txt err.txt
    check "$name" [ "$ok" -eq 1 ]
}
READY="no breaks: ready to record\""
FIVE_ONE="48 kHz, 448 kbit/s, 3/2 L,C,R,Ls,Rs with LFE"
REGULAR='"repetition": {"min": 1536, "max": 1536, "breaks": 0}'
ac3_count() { echo "{\"type\": 1, \"name\": \"AC-3\", \"count\": $1, \"recordable\": true}"; }
foreign() { echo "{\"type\": $1, \"name\": \"$2\", \"count\": "; }
NOT_AC3="stream, not AC-3: only AC-3 streams can be recorded"

row "32-bit placement, ready" w32.raw 0 "AC-3, $FIVE_ONE, $N frames, $READY" \
    '"placement": "32-bit"' "$(ac3_count "$N")" "$REGULAR" '"sample_rate_hz": 48000' \
    '"wav_sample_rate_hz": null' '"crc_failures": 0' '"signal": "bursts"' '"peak_dbfs": null' \
    '"gain_db": null'
row "16-bit channel 1" w1.raw 0 "AC-3, $FIVE_ONE" '"placement": "16-bit channel 1"' "$REGULAR"
row "16-bit channel 2" w2.raw 0 "AC-3, $FIVE_ONE" '"placement": "16-bit channel 2"' "$REGULAR"
row "both placements: mixed" mixed.raw 1 "AC-3, $FIVE_ONE, $((2 * N)) frames, 1 break:" \
    '"placement": "mixed"'
row "time code bursts" tc.wav 0 "AC-3 with time code, $FIVE_ONE, $N frames, $READY" \
    '{"type": 2, "name": "time code", "count": '"$N"', "recordable": true}' \
    '"wav_sample_rate_hz": 48000'
row "44.1 kHz frames in a 44.1 kHz WAV" slow.wav 0 "AC-3, 44.1 kHz, 192 kbit/s, 2/0 L,R," \
    '"sample_rate_hz": 44100' '"wav_sample_rate_hz": 44100'
row "a WAV header with the wrong rate" wrong-rate.wav 1 \
    "AC-3 at 48 kHz in a capture made at 44.1 kHz: record at 48 kHz" \
    '"sample_rate_hz": 48000' '"wav_sample_rate_hz": 44100'
row "the first intact frame's shape; a null burst's end" joined.raw 0 \
    "AC-3, $FIVE_ONE, $((N + M)) frames, $READY" "$(ac3_count $((N + M)))" "$(foreign 0 null)1"
row "two bursts removed" removed.raw 1 "AC-3, $FIVE_ONE, $((N - 2)) frames, 2 breaks: bursts" \
    '"repetition": {"min": 1536, "max": 3072, "breaks": 2}' "$(ac3_count $((N - 2)))"
row "a damaged frame" damaged.raw 1 "AC-3, $FIVE_ONE, $N frames, no breaks, 1 failing the CRC" \
    '"crc_failures": 1'
row "a burst longer than a block" too-long.raw 1 "AC-3, $FIVE_ONE, $N frames, 1 break, 1 failing" \
    '"crc_failures": 1'
row "E-AC-3" eac3.spdif 1 "E-AC-3 $NOT_AC3" "$(foreign 21 E-AC-3)" '"recordable": false'
row "DTS type I" dts.spdif 1 "DTS type I $NOT_AC3" "$(foreign 11 "DTS type I")"
row "DTS type IV" dts4.spdif 1 "DTS type IV $NOT_AC3" "$(foreign 17 "DTS type IV")"
row "MPEG-1 layer 2" mp2.spdif 1 "MPEG audio $NOT_AC3" "$(foreign 5 "MPEG audio")"
row "MPEG-2 layer 2 at a low rate" lsf.spdif 1 "MPEG audio $NOT_AC3" "$(foreign 9 "MPEG audio")"
row "AAC" aac.spdif 1 "AAC $NOT_AC3" "$(foreign 7 AAC)"
row "MAT" thd.spdif 1 "MAT $NOT_AC3" "$(foreign 22 MAT)"
row "pause bursts" pause.raw 1 "Only pause or null bursts" "$(foreign 3 pause)$N"
row "a reserved data type" reserved.raw 1 "Bursts of the reserved data type 27, not AC-3" \
    "$(foreign 27 reserved)$N"
row "digital silence" silence.raw 1 "Digital silence" '"signal": "silence"' '"placement": null' \
    '"data_types": []'
row "a last word like a swapped Pa" swapped-pa.raw 1 "Plain audio" '"signal": "audio"'
row "plain audio" audio.raw 1 "Plain audio peaking at -6.0 dBFS: set the player to pass" \
    '"signal": "audio"' '"peak_dbfs": -6.02'
row "byte-swapped bursts" swapped.raw 1 "Bursts with the bytes of every sample swapped" \
    '"signal": "byte-swapped bursts"'
row "bursts scaled by a volume" scaled.raw 1 \
    "Bursts scaled by -6.0 dB: set every volume on the way to 100 %" \
    '"signal": "scaled bursts"' '"gain_db": -6.00' '"peak_dbfs": null'
row "empty input is unusable" empty.raw 2 ""

cli probe w32.raw --json | tr -d '\r' | grep -o '^ *"[a-z_]*":' | tr -d ' :"' >keys.txt
check "the JSON object has exactly its keys" \
    diff <(printf '%s\n' verdict placement data_types repetition sample_rate_hz \
        wav_sample_rate_hz crc_failures signal peak_dbfs gain_db) keys.txt
verdict=$(cli probe damaged.raw --json | tr -d '\r' | sed -n 's/^  "verdict": "\(.*\)",$/\1/p')
cli probe damaged.raw | tr -d '\r' >text.txt
check "text output opens with the verdict; its counts are grouped in thousands" \
    bash -c '[ -n "$0" ] && [ "$(head -1 text.txt)" = "$0" ] &&
             grep -q "^Input: .*, 49,152 sample pairs (1.0 s) looked at$" text.txt' "$verdict"
cli probe w32.raw --seconds 0 2>err.txt >/dev/null
check "--seconds outside 1 to 600 is refused" [ $? -eq 2 ]
check "probe --help" grep -q "^Usage: bitdek-cli probe IN" <<<"$(cli probe --help)"
# At the end of a pipe that never ends, probing stops after --seconds: the
# first second of ffmpeg's bursts holds 31 whole ones.
cat main.spdif main.spdif /dev/zero | cli probe - --seconds 1 --json >piped.json
check "reads only --seconds of a pipe, and returns" grep -qF "$(ac3_count 31)" piped.json

[ "$FAILED" -eq 0 ] && echo "all probe checks passed"
exit "$FAILED"
