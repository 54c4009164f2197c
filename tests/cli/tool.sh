#!/usr/bin/env bash
# bitdek-cli as a user meets it: help, exit statuses, messages, pipes, and
# that standard error stays quiet when it is not a terminal.
#   tool.sh path/to/bitdek-cli
set -u
CLI=$(realpath "$1")
. "$(dirname "$0")/lib.sh"
need_ffmpeg
make_work_dir

check "--help and --version exit 0" \
    bash -c '"$0" --help | grep -q "^Usage: bitdek-cli COMMAND" && "$0" --version | grep -q "^bitdek-cli [0-9]"' "$CLI"
for c in info verify convert wrap unwrap; do
    check "$c --help" bash -c '"$0" "$1" --help | grep -q "^Usage: bitdek-cli $1"' "$CLI" "$c"
done
"$CLI" play x.ac3 2>err.txt
check "an unknown command exits 2 and says so" \
    bash -c '[ '$?' -eq 2 ] && grep -q "unknown command" err.txt'

make_ac3 a.ac3 48000 448k 2
"$CLI" wrap a.ac3 - | "$CLI" unwrap - b.ac3 2>err.txt
check "wrap to a pipe and unwrap from it give the stream back" cmp -s a.ac3 b.ac3
check "standard error stays empty on success" [ ! -s err.txt ]
"$CLI" unwrap <("$CLI" wrap a.ac3 -) - >c.ac3
check "unwrap to standard output" cmp -s a.ac3 c.ac3

printf 'not a stream file at all\n' >text.ac3
"$CLI" verify text.ac3 >/dev/null 2>err.txt
check "a file that is not a stream file: exit 2 and \"Invalid File Format.\"" \
    bash -c '[ '$?' -eq 2 ] && grep -q "Invalid File Format\.$" err.txt'
head -c 100000 /dev/zero >silence.raw
"$CLI" unwrap silence.raw none.ac3 2>err.txt
check "PCM without bursts: exit 2, no file, no leftovers" \
    bash -c '[ '$?' -eq 2 ] && [ ! -e none.ac3 ] && ! ls -A | grep -q "\.part$"'

# Output that never reached its reader is no success.
for args in "info a.ac3" "verify a.ac3 --json"; do
    check "$args > /dev/full: exit 2 and a message" \
        bash -c '"$0" $1 >/dev/full 2>err.txt; [ $? -eq 2 ] && grep -q "writing failed" err.txt' \
        "$CLI" "$args"
done
check "--help with standard output closed: exit 2" bash -c '"$0" --help >&- 2>/dev/null; [ $? -eq 2 ]' "$CLI"

# Targets that are no regular file are written in place, without --force.
mkfifo pipe.raw
cat pipe.raw >from-pipe.raw &
"$CLI" wrap a.ac3 pipe.raw
status=$?
wait
check "a FIFO as OUT is written to and stays a FIFO" \
    bash -c '[ '$status' -eq 0 ] && [ -p pipe.raw ] && "$0" wrap a.ac3 - | cmp -s - from-pipe.raw' "$CLI"
"$CLI" unwrap <("$CLI" wrap a.ac3 -) /dev/stdout >d.ac3
check "/dev/stdout as OUT is standard output" cmp -s a.ac3 d.ac3

# A mono stream at 32 kHz and 640 kbit/s has frames too long for a 16-bit block.
ffmpeg -v error -nostdin -y -f lavfi -i "sine=frequency=997:sample_rate=32000:duration=1" \
    -ac 1 -c:a ac3 -b:a 640k mono.ac3
"$CLI" wrap mono.ac3 mono.raw --output 16-bit-channel-1 2>err.txt
check "frames too long for a 16-bit block: exit 1, counted and explained" \
    bash -c '[ '$?' -eq 1 ] && grep -q "frames went out as silence: too long" err.txt'

[ "$FAILED" -eq 0 ] && echo "all tool checks passed"
exit "$FAILED"
