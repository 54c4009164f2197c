// The help texts: a usage line, what the command does, then its options with
// their descriptions, one an indented line.
#include "cli/help.h"

#include <cstdio>

#include "cli/commands.h"

namespace {

const char* const GENERAL_HELP =
    "Usage: bitdek-cli COMMAND [OPTIONS] ARGS...\n"
    "       bitdek-cli --help | --version\n"
    "\n"
    "Checks, converts and moves AC-3 stream files with the recorder's own engines.\n"
    "\n"
    "Commands:\n"
    "  info FILE [--json]          layout, length, frames, first frame's parameters\n"
    "  verify FILE... [--json] [--jobs N]\n"
    "                              walk every record with CRC checking; exit 1 if\n"
    "                              anything is wrong\n"
    "  convert IN OUT --layout L   the same records in another layout\n"
    "  wrap IN OUT [--output F]    the PCM that playback sends to the sound card\n"
    "  unwrap IN OUT [--layout L] [--require-tc]\n"
    "                              record the bursts found in PCM into a stream file\n"
    "  probe IN [--json] [--seconds N]\n"
    "                              what the bursts in PCM are, and why a decoder\n"
    "                              or the recorder may not lock to them\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help, or with a COMMAND the command's\n"
    "      --version  show the version\n"
    "\n"
    "Layouts L: normal (\"Normal\"), pc (\"PC Format\"),\n"
    "           normal-tc (\"Normal + Time Code\").\n"
    "Output formats F: 32-bit, 16-bit-channel-1, 16-bit-channel-2.\n"
    "\n"
    "Every command that writes OUT writes it under a temporary name and renames it\n"
    "at the end, so a failure leaves nothing behind, except unwrap, which keeps what\n"
    "it recorded (from standard input into OUT from its first frame on); an existing\n"
    "OUT is replaced only with --force. \"-\" stands for standard input or output\n"
    "where a command allows it.\n"
    "\n"
    "Exit status: 0 done (verify: clean; probe: ready to record); 1 found something\n"
    "(verify, probe: a problem; convert, wrap: stopped early, skipped or silenced\n"
    "frames); 2 unusable input or arguments, or the work failed (a failed write of\n"
    "standard output too).\n"
    "\n"
    "Run 'bitdek-cli COMMAND --help' for the details of a command.\n";

const char* const INFO_HELP =
    "Usage: bitdek-cli info FILE [--json]\n"
    "\n"
    "Shows what the recorder shows for a stream file: its layout (\"Normal + Time\n"
    "Code\", \"Normal\" or \"PC Format\"), its length in 16-bit words, its frame count\n"
    "and nominal words per frame, the first frame's data rate, sample rate, audio\n"
    "coding mode, LFE channel, bitstream mode and dialogue normalisation, and the\n"
    "duration as hh:mm:ss.t. For \"Normal + Time Code\" files also the time code of\n"
    "the first record and of the end of the file (the last record's plus one frame).\n"
    "\n"
    "  --json   one JSON object on standard output instead of text\n"
    "\n"
    "The layout is recognised from the content, never from the name. A file that\n"
    "is not a stream file gives \"Invalid File Format.\" and exit status 2.\n";

const char* const VERIFY_HELP =
    "Usage: bitdek-cli verify FILE... [--json] [--jobs N]\n"
    "\n"
    "Walks every record as playback does, with the frame CRC check on, and reports:\n"
    "  - the frame count;\n"
    "  - the frames whose CRC check fails, by frame number (the first frame is 0);\n"
    "  - records that do not begin as a record should (the walk has lost step with\n"
    "    the frames), and a frame header without a valid frame size, which ends\n"
    "    the walk as it ends playback;\n"
    "  - a last record that the end of the file cuts short, and an odd last byte;\n"
    "  - for \"Normal + Time Code\" files, every time code packet that is not the\n"
    "    previous one advanced by one frame (in drop-frame numbering where the\n"
    "    packets say so).\n"
    "\n"
    "  --json     one JSON object per file, a line each, instead of text\n"
    "  --jobs N   files checked at once (default: one per processor)\n"
    "\n"
    "FILE \"-\" reads a list of names from standard input, one a line, for example\n"
    "  find /archive -name '*.ac3' | bitdek-cli verify -\n"
    "With more than one file, the text ends with a summary line: files, clean, with\n"
    "findings, unreadable.\n"
    "\n"
    "Exit status: 0 when clean, 1 when anything was found, 2 when a file could not\n"
    "be read.\n";

const char* const CONVERT_HELP =
    "Usage: bitdek-cli convert IN OUT --layout normal|pc|normal-tc [--resync] [--force]\n"
    "\n"
    "Writes the records of the stream file IN to OUT in another layout:\n"
    "  normal      \"Normal\": the frames as the bitstream has them (high byte first)\n"
    "  pc          \"PC Format\": the frames with the bytes of every word exchanged\n"
    "  normal-tc   \"Normal + Time Code\": each frame after its time code packet;\n"
    "              only from a file that has time code\n"
    "Converting to \"Normal\" or \"PC Format\" drops the time code packets. A last\n"
    "record that the end of IN cuts short is left out, with a warning. A frame\n"
    "header without a valid frame size stops the conversion there, as it stops\n"
    "playback: the frame and word are reported and the exit status is 1.\n"
    "\n"
    "  --force   replace OUT if it exists\n"
    "  --resync  convert only records that are confirmed (the CRC checks, or the\n"
    "            next record follows directly); skip anything else, such as junk\n"
    "            between records or a bad frame header, up to the next confirmed\n"
    "            record, and report every span skipped (exit status 1)\n"
    "\n"
    "OUT is written under a temporary name and renamed at the end; \"-\" writes to\n"
    "standard output.\n";

const char* const WRAP_HELP =
    "Usage: bitdek-cli wrap IN OUT [--force]\n"
    "                     [--output 32-bit|16-bit-channel-1|16-bit-channel-2]\n"
    "\n"
    "Writes the PCM that playback sends to the sound card for the stream file IN,\n"
    "made by the playback engine: every buffer it submits, in order, from the three\n"
    "silent lead-in buffers (3 x 12288 sample pairs) to the last one, whose blocks\n"
    "after the end of the file are silent. Each frame travels in a data burst at the\n"
    "start of its own block of 1536 sample pairs, after the burst of its time code\n"
    "packet in files that have time code.\n"
    "\n"
    "  --output 32-bit            bursts over both channels (default)\n"
    "  --output 16-bit-channel-1  bursts in channel 1 only, channel 2 silent\n"
    "  --output 16-bit-channel-2  bursts in channel 2 only, channel 1 silent\n"
    "  --force                    replace OUT if it exists\n"
    "\n"
    "Where playback stops at a bad frame header, or sends frames too long for a\n"
    "16-bit block as silence, the tool says so and exits 1. A file whose first\n"
    "record is no playable frame gives \"Invalid File Format.\" and exit status 2.\n"
    "\n"
    "OUT ending in .wav gets a WAV header (PCM, 2 channels, 16 bits, the sample rate\n"
    "of the first frame). Any other name, or \"-\" for standard output, gets the raw\n"
    "little-endian 16-bit samples, channel 1 first; for example\n"
    "  bitdek-cli wrap film.ac3 - | aplay -t raw -f S16_LE -c 2 -r 48000 -D hw:0\n";

const char* const UNWRAP_HELP =
    "Usage: bitdek-cli unwrap IN OUT [--layout normal|pc|normal-tc] [--require-tc]\n"
    "                       [--force]\n"
    "\n"
    "Runs the capture engine over the PCM of IN and records, as the recorder does,\n"
    "every AC-3 frame (and time code packet) it finds in the data bursts into the\n"
    "stream file OUT. Bursts may fill both channels or every other word of one.\n"
    "IN is a 16-bit stereo WAV (or RF64) file, raw little-endian 16-bit stereo\n"
    "samples, or \"-\" for standard input, for example\n"
    "  arecord -t raw -f S16_LE -c 2 -r 48000 -D hw:0 | bitdek-cli unwrap - rec.ac3\n"
    "\n"
    "  --layout L     layout of OUT: normal (default), pc or normal-tc\n"
    "  --require-tc   with normal-tc only: fail when the input has no time code, with\n"
    "                 \"Input stream does not have time code.\"; without it such a\n"
    "                 recording goes on in the \"Normal\" layout\n"
    "  --force        replace OUT if it exists\n"
    "\n"
    "As in the recorder, frames that fail the CRC check are recorded as received\n"
    "(their number is reported), and a normal-tc recording drops a first frame that\n"
    "arrives without a time code packet. A burst that the end of IN cuts short is\n"
    "left out, with a warning. OUT may be \"-\" (the file is made in the temporary\n"
    "folder and copied to standard output). When IN holds no frame at all, nothing\n"
    "is written and the exit status is 2.\n"
    "\n"
    "From standard input the file takes OUT's name with its first frame (an OUT\n"
    "replaced with --force stays until then) and is recorded in place, reaching\n"
    "the disk at least once a second, so a capture killed or cut off by a power\n"
    "failure keeps its frames up to the last second. Ctrl-C (or SIGTERM, SIGHUP)\n"
    "ends the input: the capture finishes as at its end, reports what it recorded\n"
    "and exits 0; a second one ends it at once.\n"
    "A recording that stops early (time code missing, a failed write, the 2 GB a\n"
    "stream file holds) keeps the frames recorded before and exits 2.\n";

const char* const PROBE_HELP =
    "Usage: bitdek-cli probe IN [--json] [--seconds N]\n"
    "\n"
    "Looks at the first N seconds (default 10, at most 600) of PCM as unwrap takes\n"
    "it (a 16-bit stereo WAV file, raw little-endian samples, or \"-\" for standard\n"
    "input) and says what is on the wire, first in a one-line verdict:\n"
    "  - the data bursts by data type (AC-3, time code, pause, MPEG audio, AAC, DTS\n"
    "    types I to IV, E-AC-3, MAT, null, reserved), and whether the recorder can\n"
    "    record them (AC-3 and time code only);\n"
    "  - their placement: 32-bit, 16-bit channel 1, 16-bit channel 2 or mixed;\n"
    "  - the spacing of the AC-3 bursts in sample pairs (1536 expected) and the\n"
    "    breaks in it, where a burst is missing or late;\n"
    "  - the frames' sample rate, data rate and channel mode, the frames failing\n"
    "    the CRC check, and whether the frames' rate is the WAV header's;\n"
    "  - without bursts: digital silence, plain audio (with its peak level in\n"
    "    dBFS), bursts with the bytes of every sample swapped, or bursts scaled by\n"
    "    a volume (with the gain in dB).\n"
    "For example\n"
    "  arecord -t raw -f S16_LE -c 2 -r 48000 -D hw:0 | bitdek-cli probe -\n"
    "\n"
    "  --json        one JSON object on standard output instead of text\n"
    "  --seconds N   look at N seconds of IN (1 to 600; raw samples count 48 kHz)\n"
    "\n"
    "Exit status: 0 when AC-3 bursts are there, intact and without breaks (ready\n"
    "to record), 1 when anything is wrong, 2 for unusable input.\n";

}  // namespace

void print_help(int command) {
    const char* text = GENERAL_HELP;
    switch (command) {
        case CLI_INFO:
            text = INFO_HELP;
            break;
        case CLI_VERIFY:
            text = VERIFY_HELP;
            break;
        case CLI_CONVERT:
            text = CONVERT_HELP;
            break;
        case CLI_WRAP:
            text = WRAP_HELP;
            break;
        case CLI_UNWRAP:
            text = UNWRAP_HELP;
            break;
        case CLI_PROBE:
            text = PROBE_HELP;
            break;
        default:
            break;
    }
    std::fputs(text, stdout);
}
