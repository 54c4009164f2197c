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
printf 'RIFF\004\000\000\000WAVE' >cut.wav
"$CLI" unwrap cut.wav none.ac3 2>err.txt
check "a WAV header that ends after its first 12 bytes: exit 2 and said so" \
    bash -c '[ '$?' -eq 2 ] && grep -q "the WAV header cannot be read" err.txt'
check "an output named just .wav is a WAV file" \
    bash -c '"$0" wrap a.ac3 .wav && [ "$(head -c 4 .wav)" = RIFF ]' "$CLI"
head -c 100000 /dev/zero >silence.raw
"$CLI" unwrap silence.raw none.ac3 2>err.txt
check "PCM without bursts: exit 2, says so, no file, no leftovers" \
    bash -c '[ '$?' -eq 2 ] && grep -q "no AC-3 frame found in the input" err.txt &&
             [ ! -e none.ac3 ] && ! ls -A | grep -q "\.part$"'

# A convert longer than its output buffer (20 s, 1.1 MB): "PC Format" is the
# stream with the bytes of every word exchanged.
make_ac3 long.ac3 48000 448k 20
check "a long convert exchanges the bytes of every word; the new file has the mask's mode" \
    bash -c '"$0" convert long.ac3 long-pc.ac3 --layout pc && dd if=long.ac3 conv=swab status=none |
             cmp -s - long-pc.ac3 && [ "$(stat -c %a long-pc.ac3)" = "$(printf %o $((0666 & ~0$(umask))))" ]' "$CLI"

# Junk between records (44.1 kHz: frames of 417 and 418 words): --resync
# keeps every frame around it byte for byte and reports each span it skipped,
# in every layout. The junk: one word, three, a record cut after 13 words,
# five words holding a marker and sync words, 36,000 words (more than a
# window) of records cut after 400 words, and a header of a larger frame that
# ends where the next record does. A damaged frame between two records, and a
# damaged last one, are kept as they are.
make_ac3 j.ac3 44100 192k 2
: >normal.ac3
: >normal-junk.ac3
: >tc.ac3
: >tc-junk.ac3
expected=()
mapfile -t frames < <(frame_bytes j.ac3)
for i in "${!frames[@]}"; do
    read -r pos size <<<"${frames[$i]}"
    head -c $((pos + size)) j.ac3 | tail -c "$size" >frame.bin
    [ "$i" -eq 25 ] || [ "$i" -eq $((${#frames[@]} - 1)) ] && flip_bit frame.bin 100
    printf "\x01\x10\0\0\0\x01\0\x02\0\x03\0\x04\0\x$(printf %02x $((i % 64)))\0\0" |
        cat - frame.bin >record.bin
    for l in normal tc; do
        [ $l = normal ] && rec=frame.bin || rec=record.bin
        case $i in
        5) printf '\132\132' ;;
        12) printf '\000\000\377\377\022\064' ;;
        20) head -c 26 "$rec" ;;
        30) printf '\001\020\013\167\013\167\001\020\000\000' ;;
        40) for _ in {1..90}; do head -c 800 "$rec"; done ;;
        45) h=$(($(stat -c %s "$rec") - size + 4))
            head -c $h "$rec"
            printf '\144'
            head -c $((2786 - size - h - 1)) /dev/zero ;;
        esac >junk.bin
        if [ -s junk.bin ]; then
            at=$(($(stat -c %s $l-junk.ac3) / 2))
            n=$(($(stat -c %s junk.bin) / 2))
            [ $n -eq 1 ] && w=word || w=words
            expected+=("$l: skipped words $at to $((at + n - 1)) ($n $w)")
        fi
        cat junk.bin "$rec" >>$l-junk.ac3
        cat "$rec" >>$l.ac3
    done
done
dd if=normal.ac3 of=pc.ac3 conv=swab status=none
dd if=normal-junk.ac3 of=pc-junk.ac3 conv=swab status=none
for l in normal pc tc; do
    layout=$l
    [ $l = tc ] && layout=normal-tc
    "$CLI" convert $l-junk.ac3 $l-out.ac3 --layout $layout --resync 2>err.txt
    status=$?
    printf '%s\n' "${expected[@]}" | grep "^${l/pc/normal}:" | sed "s/^[a-z]*/$l-junk.ac3/" >want.txt
    check "convert --resync over junk in $layout: every frame kept, every junk span reported" \
        bash -c '[ '$status' -eq 1 ] && cmp -s '$l'.ac3 '$l'-out.ac3 &&
                 [ "$(grep -o "[a-z-]*\.ac3: skipped words [0-9]* to [0-9]* ([0-9]* words*)" err.txt)" = "$(cat want.txt)" ]'
done

# Reads that fail (strace puts EIO in every read of the file, or in its sixth
# read on, past the first windows) are no end of the file: exit 2, where it
# failed, and no output left. Nor is a length that cannot be found (the
# second seek, to the end) an empty file.
if strace -qq -o /dev/null true 2>/dev/null; then
    eio() {  # CALL:WHEN ARGS...
        ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 timeout -s KILL 20 \
            strace -qq -f -P long.ac3 -e trace=read,lseek -e inject="${1%:*}:error=EIO:when=${1#*:}" \
            -o /dev/null "$CLI" "${@:2}" >out.txt 2>err.txt
    }
    for call in read:1+ lseek:2; do
        eio $call verify long.ac3
        check "verify of a file that cannot be read ($call): exit 2, said so" \
            bash -c '[ '$?' -eq 2 ] && grep -q "long.ac3: cannot open the file" err.txt && [ ! -s out.txt ]'
    done
    for args in "info long.ac3" "verify long.ac3" "convert long.ac3 eio.ac3 --layout pc" \
        "wrap long.ac3 eio.raw"; do
        # shellcheck disable=SC2086
        eio read:6+ $args
        check "$args with a read failing inside the file: exit 2, where, no output" \
            bash -c '[ '$?' -eq 2 ] && grep -q "long.ac3: reading failed at byte [1-9][0-9]* (word" err.txt &&
                     [ ! -s out.txt ] && ! ls -A | grep -q "^eio\|\.part$"'
    done
else
    echo "skip files that cannot be read: strace cannot trace here"
fi

# A run of more than a second on a terminal draws a bar of 40 cells under its
# percentage; here the reader waits, so the bar shows while wrap is held up.
script -qec "'$CLI' wrap long.ac3 - | { sleep 1.3; cat >/dev/null; }" bar.txt >/dev/null
check "a terminal's progress bar has the cells of its percentage" bash -c '
    tr "\r" "\n" <bar.txt | grep -o "^wrap \[[#.]*\] *[0-9]*%" >bars.txt && [ -s bars.txt ] &&
    while read -r _ cells pct; do
        n=$(tr -cd "#" <<<"$cells" | wc -c)
        [ "$n" -ge $((${pct%\%} * 40 / 100)) ] && [ "$n" -le $(((${pct%\%} * 40 + 36) / 100)) ] || exit 1
    done <bars.txt'

# An unwrap of a file (1 GB of silence, sparse) shows its share done, too.
truncate -s 1G silence-1g.raw
started=$(date +%s%N)
script -qec "'$CLI' unwrap silence-1g.raw none.ac3" bar.txt >/dev/null
took=$((($(date +%s%N) - started) / 1000000))
rm -f silence-1g.raw
if [ "$took" -ge 1500 ]; then
    check "an unwrap of a file on a terminal shows a bar" grep -q "unwrap \[[#.]*\] *[0-9]*%" bar.txt
else
    echo "skip the unwrap's bar: the run took only $took ms"
fi

# Live capture: 5 s at 448 kbit/s, 1792 bytes a frame, one frame a block of
# 6144 bytes of PCM. The input stops inside the burst of frame 100 and stays
# open, as a sound card's would, until the signal.
make_ac3 live.ac3 48000 448k 5
"$CLI" wrap live.ac3 live.raw
cut_at=$((LEAD_IN_BYTES + 100 * 6144 + 1000))
mkfifo pipe
for sig in INT TERM HUP KILL; do
    rm -f take.ac3
    "$CLI" unwrap - take.ac3 <pipe 2>err.txt &
    pid=$!
    exec 3>pipe
    head -c "$cut_at" live.raw >&3
    wait_for_size take.ac3  # written in place, within a second of going quiet
    kill -s "$sig" "$pid"
    { wait "$pid"; } 2>/dev/null
    status=$?
    exec 3>&-
    if [ "$sig" = KILL ]; then
        [ "$status" -eq 137 ] && whole_prefix take.ac3 live.ac3 1792
        check "kill -9 mid-capture leaves the whole records before it" [ $? -eq 0 ]
    else
        check "SIG$sig ends a live capture: the 100 whole frames kept, exit 0, said so" \
            bash -c '[ '$status' -eq 0 ] && cmp -s take.ac3 <(head -c $((100 * 1792)) live.ac3) &&
                     grep -q "interrupted: 100 frames" err.txt && grep -q "left out" err.txt'
    fi
done
# A file input (here a named pipe) interrupted once finishes the capture, twice
# ends it at once: either way what was recorded is kept under OUT's name, and
# no temporary file is left.
for n in 1 2; do
    rm -f took.ac3
    "$CLI" unwrap pipe took.ac3 2>err.txt &
    pid=$!
    exec 3>pipe
    head -c "$cut_at" live.raw >&3
    for ((i = 0; i < 100; i++)); do
        grep -q poll "/proc/$pid/wchan" 2>/dev/null && break  # all read
        sleep 0.1
    done
    # Two at once: held while the process is stopped (two of a kind would merge).
    [ "$n" -eq 1 ] && kill -s INT "$pid"
    [ "$n" -eq 2 ] && kill -s STOP "$pid" && kill -s INT "$pid" && kill -s TERM "$pid" &&
        kill -s CONT "$pid"
    wait "$pid"
    status=$?
    exec 3>&-
    if [ "$n" -eq 1 ]; then
        [ "$status" -eq 0 ] && cmp -s took.ac3 <(head -c $((100 * 1792)) live.ac3)
    else
        [ "$status" -gt 128 ] && whole_prefix took.ac3 live.ac3 1792
    fi
    check "an unwrap of a file interrupted $n time(s) keeps its frames under OUT's name" \
        bash -c '[ '$?' -eq 0 ] && ! ls | grep -q "\.part$"'
done
# A recording that cannot take OUT's name at its end (a folder took it
# meanwhile) stays under its temporary name, which the run gives.
"$CLI" unwrap pipe taken 2>err.txt &
pid=$!
exec 3>pipe
head -c "$cut_at" live.raw >&3
mkdir taken
exec 3>&-
wait "$pid"
status=$?
kept=$(grep -o "/[^ ]*\.part$" err.txt)
[ "$status" -eq 2 ] && whole_prefix "$kept" live.ac3 1792
check "a recording whose name is taken at its end is kept, and the run says where" [ $? -eq 0 ]
rm -f "$kept"

# A second signal while finishing ends the run at once: here the finished file
# is being copied to standard output, or to a FIFO named as OUT, whose reader
# reads nothing.
mkfifo stuck
exec 4<>stuck
for out in - stuck; do
    TMPDIR=$WORK "$CLI" unwrap pipe "$out" >stuck 2>/dev/null &
    pid=$!
    exec 3>pipe
    head -c "$cut_at" live.raw >&3
    wait_for_size ".bitdek-*.part"
    kill -s INT "$pid"
    for ((i = 0; i < 100; i++)); do
        grep -q pipe_write "/proc/$pid/wchan" 2>/dev/null && break
        sleep 0.1
    done
    kill -s INT "$pid"
    wait "$pid"
    status=$?
    exec 3>&-
    check "a second signal ends the run finishing into $out at once, no temporary file left" \
        bash -c '[ '$status' -eq 130 ] && ! ls -A | grep -q "\.part$" && [ -p stuck ]'
done
exec 4>&-

# Once a second a live capture's records reach the disk itself, not only the
# system's cache.
if strace -qq -o /dev/null true 2>/dev/null; then
    { head -c "$cut_at" live.raw; sleep 1.5; } |
        ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 \
            strace -qq -f -e trace=fdatasync -o sync.txt "$CLI" unwrap - synced.ac3 2>/dev/null
    check "a live capture passes its records on to the disk while it runs" \
        bash -c '[ "$(grep -c "^[0-9]* *fdatasync(.*= 0$" sync.txt)" -ge 2 ]'
else
    echo "skip the disk flush: strace cannot trace here"
fi

# On a terminal, a live capture shows its status line.
exec 3<>pipe
script -qec "'$CLI' unwrap - shown.ac3 <pipe" typescript >/dev/null 3>&- &
pid=$!
head -c "$cut_at" live.raw >&3
wait_for_size shown.ac3
tail -c +$((cut_at + 1)) live.raw >&3
exec 3>&-
wait "$pid"
check "a live capture on a terminal shows time, frames, errors and rates" \
    grep -q "00:00:0[0-9].[0-9]  [0-9]* frames  0 CRC errors  448 kbps  48 kHz" typescript

# A failed write (a file size limit) keeps the whole records written before:
# inside the first megabyte, which the program buffers, and in a last record
# that stands alone in the buffer after a megabyte went to disk.
"$CLI" wrap long.ac3 long.raw
head -c $((LEAD_IN_BYTES + 586 * 6144)) long.raw >586.raw
for run in "200 live" "1025 586"; do
    read -r kb input <<<"$run"
    kept=$((kb * 1024 / 1792))
    rm -f full.ac3
    (ulimit -f "$kb"; trap '' XFSZ; exec "$CLI" unwrap "$input.raw" full.ac3) 2>err.txt
    check "a failed write at $kb KB keeps the $kept records before it, says so and exits 2" \
        bash -c '[ '$?' -eq 2 ] && cmp -s full.ac3 <(head -c $(('$kept' * 1792)) "$0") &&
                 grep -q "writing failed" err.txt && grep -q " '$kept' frames recorded before are kept" err.txt' \
        "$([ "$input" = live ] && echo live.ac3 || echo long.ac3)"
done

# A full disk (a small file system of its own): the store's cut at the stop
# pads the file past what the disk took; it is cut back to the whole records.
if unshare -rm true 2>/dev/null; then
    mkdir small
    unshare -rm bash -c 'mount -t tmpfs -o size=200k none small && cd small &&
        { "$0" unwrap ../live.raw full.ac3 2>../err.txt; echo $? >../rc.txt; cat full.ac3 >../disk.ac3; }' "$CLI"
    check "a full disk keeps the records before it, says so and exits 2" \
        bash -c '[ "$(cat rc.txt)" -eq 2 ] && cmp -s disk.ac3 <(head -c 204288 live.ac3) &&
                 grep -q "114 frames recorded before are kept" err.txt'
else
    echo "skip a full disk: no mount namespace here"
fi

# An OUT that cannot be the output is refused before the input is read (the
# input here would take ten seconds).
touch old.ac3
for out in "" . nodir/x.ac3 old.ac3 "$(printf "n%.0s" {1..256})"; do
    timeout 5 "$CLI" unwrap - "$out" < <(sleep 10) 2>err.txt
    check "unwrap - '$out' is refused at once" bash -c '[ '$?' -eq 2 ] && [ -s err.txt ]'
done

# A reader that goes away: quiet, exit 0, nothing left behind.
for cmd in "wrap live.ac3 -" "convert live.ac3 - --layout pc"; do
    # shellcheck disable=SC2086
    "$CLI" $cmd 2>err.txt | head -c 1000 >/dev/null
    check "$cmd into a pipe whose reader goes away ends quietly" \
        bash -c '[ '"${PIPESTATUS[0]}"' -eq 0 ] && [ ! -s err.txt ]'
done
TMPDIR=$WORK "$CLI" unwrap live.raw - 2>err.txt | head -c 100 >/dev/null
check "unwrap into such a pipe leaves no temporary file" \
    bash -c '[ '"${PIPESTATUS[0]}"' -eq 0 ] && [ ! -s err.txt ] && ! ls | grep -q "\.part$"'

# verify of many files, in parallel, names from standard input (lines ended
# as on Windows, too), more at once than the files the system lets the run
# open: a check that cannot start yet waits for another to end.
cp live.ac3 damaged.ac3
flip_bit damaged.ac3 5000
{ printf '%s\r\n' live.ac3 damaged.ac3; printf '%s\n' text.ac3 a.ac3; } |
    (ulimit -n 9 && exec "$CLI" verify - --jobs 3) >out.txt 2>err.txt
check "verify of many files: reports in order, the summary, exit 2 for the unreadable one" \
    bash -c '[ '$?' -eq 2 ] && [ "$(grep -c "^[a-z]*\.ac3: Normal" out.txt)" -eq 3 ] &&
             [ "$(grep -o "^[a-z]*\.ac3" out.txt | tr "\n" " ")" = "live.ac3 damaged.ac3 a.ac3 " ] &&
             grep -q "^4 files: 2 clean, 1 with findings, 1 unreadable$" out.txt &&
             grep -q "text.ac3: Invalid File Format" err.txt'
{ head -c 200000 /dev/zero | tr '\0' x; printf '\na.ac3\n'; } |
    "$CLI" verify - --jobs 2 >out.txt 2>err.txt
check "a name too long to start a check with is unreadable; the others are checked" \
    bash -c '[ '$?' -eq 2 ] && grep -q "cannot start a check$" err.txt &&
             grep -q "^2 files: 1 clean, 0 with findings, 1 unreadable$" out.txt'
"$CLI" verify live.ac3 damaged.ac3 text.ac3 --json >out.txt 2>/dev/null
check "verify --json: one object a line, each with its file" \
    bash -c '[ "$(wc -l <out.txt)" -eq 3 ] && [ "$(grep -c "^{\"file\": \"[a-z]*\.ac3\", .*}$" out.txt)" -eq 3 ] &&
             grep -q "\"damaged.ac3\", .*\"clean\": false}$" out.txt'

# Output that never reached its reader is no success (two frames of unwrap
# fit in the output's buffer: only the last flush fails).
head -c $((LEAD_IN_BYTES + 2 * 6144)) live.raw >two.raw
for args in "info a.ac3" "verify a.ac3 --json" "unwrap two.raw -"; do
    check "$args > /dev/full: exit 2 and a message" \
        bash -c '"$0" $1 >/dev/full 2>err.txt; [ $? -eq 2 ] && grep -q "writing failed" err.txt' \
        "$CLI" "$args"
done
for args in "--help" "unwrap two.raw -"; do
    check "$args with standard output closed: exit 2" \
        bash -c '"$0" $1 >&- 2>/dev/null; [ $? -eq 2 ]' "$CLI" "$args"
done
# A standard file the run started without is no slot for its own files: a
# message would land in the take.
"$CLI" wrap damaged.ac3 - | "$CLI" unwrap - quiet.ac3 2>&-
check "unwrap with standard error closed: the take holds no message" cmp -s quiet.ac3 damaged.ac3

# Targets that are no regular file are written in place, without --force.
mkfifo pipe.raw
timeout 20 cat pipe.raw >from-pipe.raw &
timeout 20 "$CLI" wrap a.ac3 pipe.raw
status=$?
wait
check "a FIFO as OUT is written to and stays a FIFO" \
    bash -c '[ '$status' -eq 0 ] && [ -p pipe.raw ] && "$0" wrap a.ac3 - | cmp -s - from-pipe.raw' "$CLI"
{ printf x; "$CLI" unwrap <("$CLI" wrap a.ac3 -) /dev/stdout; } >d.ac3
"$CLI" convert a.ac3 >(cat >e.ac3) --layout normal
wait $!
check "/dev/stdout and /dev/fd/N as OUT are those open files, written on from where they are" \
    bash -c 'cmp -s d.ac3 <(printf x; cat a.ac3) && cmp -s e.ac3 a.ac3'

# A mono stream at 32 kHz and 640 kbit/s has frames too long for a 16-bit block.
ffmpeg -v error -nostdin -y -f lavfi -i "sine=frequency=997:sample_rate=32000:duration=1" \
    -ac 1 -c:a ac3 -b:a 640k mono.ac3
"$CLI" wrap mono.ac3 mono.raw --output 16-bit-channel-1 2>err.txt
check "frames too long for a 16-bit block: exit 1, counted and explained" \
    bash -c '[ '$?' -eq 1 ] && grep -q "frames went out as silence: too long" err.txt'

# A reader gone away ends the output, not the run's own result.
"$CLI" wrap mono.ac3 - --output 16-bit-channel-1 2>err.txt | head -c 100 >/dev/null
check "a reader gone away keeps wrap's exit 1 and its message" \
    bash -c '[ '"${PIPESTATUS[0]}"' -eq 1 ] && grep -q "went out as silence" err.txt'

# A WAV into a FIFO gets a header with its sizes, as a file does.
mkfifo pipe.wav
timeout 20 cat pipe.wav >from-pipe.wav &
timeout 20 "$CLI" wrap a.ac3 pipe.wav 2>err.txt
status=$?
wait
check "wrap into a FIFO named .wav: exit 0, the WAV file's bytes" \
    bash -c '[ '$status' -eq 0 ] && "$0" wrap a.ac3 a.wav && cmp -s a.wav from-pipe.wav' "$CLI"

# A path too long for the store as OUT never changes where IN is found.
deep=$WORK/$(printf 'd%.0s' {1..120})/$(printf 'e%.0s' {1..120})
mkdir -p "$deep"
"$CLI" wrap live.ac3 in.raw && "$CLI" wrap a.ac3 "$deep/in.raw"
"$CLI" unwrap in.raw "$deep/out.ac3" 2>err.txt
check "unwrap to a long OUT path reads IN from the working folder" cmp -s live.ac3 "$deep/out.ac3"

# A live capture with --force leaves the old OUT alone until a frame
# arrives; then it is replaced, keeping its mode.
printf 'old take' >old.ac3
chmod 640 old.ac3
head -c 100000 /dev/zero | "$CLI" unwrap - old.ac3 --force 2>/dev/null
check "a live capture without a frame leaves the old OUT untouched" \
    bash -c '[ "$(cat old.ac3)" = "old take" ]'
"$CLI" unwrap - old.ac3 --force <in.raw
check "a live capture replaces the old OUT at its first frame, keeping its mode" \
    bash -c 'cmp -s old.ac3 live.ac3 && [ "$(stat -c %a old.ac3)" = 640 ]'

# A first signal while the finished take is copied out only ends the input:
# the copy goes on and the take arrives whole.
for out in - stuck; do
    exec 4<>stuck
    TMPDIR=$WORK "$CLI" unwrap in.raw "$out" >stuck 2>/dev/null &
    pid=$!
    for ((i = 0; i < 100; i++)); do
        grep -q pipe_write "/proc/$pid/wchan" 2>/dev/null && break
        sleep 0.1
    done
    kill -s INT "$pid"
    timeout 20 cat stuck >copied.ac3 4>&- &
    exec 4>&-
    wait "$pid"
    status=$?
    wait
    check "a signal while the take is copied into $out: the whole take, exit 0" \
        bash -c '[ '$status' -eq 0 ] && cmp -s copied.ac3 live.ac3 && ! ls -A | grep -q "\.part$"'
done

# Temporary files: no name another user can take first, readable by the
# owner alone until the end.
printf 'planted' >planted
chmod 666 planted
(
    for n in 0 1; do ln -s "$WORK/planted" "$WORK/.bitdek-$BASHPID-$n.part"; done
    TMPDIR=$WORK exec "$CLI" unwrap - - <pipe >taken.ac3 2>/dev/null
) &
pid=$!
exec 3>pipe
timeout 10 head -c "$cut_at" live.raw >&3
for ((i = 0; i < 100; i++)); do
    mode=$(find . -maxdepth 1 -name '.bitdek-*.part' -type f -printf '%m')
    [ -n "$mode" ] && break
    sleep 0.1
done
exec 3>&-
wait "$pid"
check "a temporary file is the tool's own: mode 600, no planted name taken" \
    bash -c '[ "'"$mode"'" = 600 ] && [ "$(cat planted)" = planted ] &&
             cmp -s taken.ac3 <(head -c $((100 * 1792)) live.ac3)'
rm -f .bitdek-*.part

# A name "-" in the list is a name, whatever the number of jobs.
for jobs in 1 2; do
    printf -- '-\n' | "$CLI" verify - --jobs "$jobs" >out.txt 2>/dev/null
    check "verify - with the name - in the list, --jobs $jobs: unreadable" \
        bash -c '[ '$?' -eq 2 ] && grep -q "1 unreadable" out.txt'
done

"$CLI" verify - <. >/dev/null 2>err.txt
check "verify - with a list that cannot be read: exit 2, said so" \
    bash -c '[ '$?' -eq 2 ] && grep -q "standard input: reading failed" err.txt'

[ "$FAILED" -eq 0 ] && echo "all tool checks passed"
exit "$FAILED"
