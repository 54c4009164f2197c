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

[ "$FAILED" -eq 0 ] && echo "all tool checks passed"
exit "$FAILED"
