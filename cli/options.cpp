// bitdek-cli: argument parsing, help texts and what every command shares.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "cli/cli.h"
#include "cli/interrupt.h"
#include "cli/output_file.h"
#include "common/file_format.h"
#include "common/result.h"
#include "streamfile/stream_file.h"

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
    "Layouts L: normal (\"Normal\"), pc (\"PC Format\"),\n"
    "           normal-tc (\"Normal + Time Code\").\n"
    "Output formats F: 32-bit, 16-bit-channel-1, 16-bit-channel-2.\n"
    "\n"
    "Every command that writes OUT writes it under a temporary name and renames it\n"
    "at the end, so a failure leaves nothing behind, except unwrap, which keeps what\n"
    "it recorded (from standard input straight into OUT, as it goes); an existing\n"
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
    "IN is a 16-bit stereo WAV (or RF64) file, raw little-endian 16-bit stereo samples, or\n"
    "\"-\" for standard input, for example\n"
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
    "From standard input the recording goes straight into OUT as it is made, so a\n"
    "capture killed or cut off by a power failure keeps its frames up to the last\n"
    "second. Ctrl-C (or SIGTERM, SIGHUP) ends the input: the capture finishes as at\n"
    "its end, reports what it recorded and exits 0; a second one ends it at once.\n"
    "A recording that stops early (time code missing, a failed write, the 2 GB a\n"
    "stream file holds) keeps the frames recorded before and exits 2.\n";

constexpr long MAX_JOBS = 256;

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

struct CommandName {
    const char* name;
    int command;
};

const CommandName COMMANDS[] = {
    {"info", CLI_INFO}, {"verify", CLI_VERIFY}, {"convert", CLI_CONVERT},
    {"wrap", CLI_WRAP}, {"unwrap", CLI_UNWRAP}, {"probe", CLI_PROBE},
};

struct NamedValue {
    const char* name;
    int value;
};

const NamedValue LAYOUTS[] = {
    {"normal", FORMAT_NORMAL},
    {"pc", FORMAT_PC},
    {"normal-tc", FORMAT_NORMAL_TC},
};

const NamedValue OUTPUT_FORMATS[] = {
    {"32-bit", 0},
    {"16-bit-channel-1", 1},
    {"16-bit-channel-2", 2},
};

template <size_t N>
bool find_value(const NamedValue (&table)[N], const char* name, int* out) {
    for (const NamedValue& v : table) {
        if (std::strcmp(v.name, name) == 0) {
            *out = v.value;
            return true;
        }
    }
    return false;
}

// The options each command takes.
bool takes(int command, const char* option) {
    bool reads_only = command == CLI_INFO || command == CLI_VERIFY || command == CLI_PROBE;
    if (std::strcmp(option, "--json") == 0) {
        return reads_only;
    }
    if (std::strcmp(option, "--force") == 0) {
        return !reads_only;
    }
    if (std::strcmp(option, "--layout") == 0) {
        return command == CLI_CONVERT || command == CLI_UNWRAP;
    }
    if (std::strcmp(option, "--output") == 0) {
        return command == CLI_WRAP;
    }
    if (std::strcmp(option, "--require-tc") == 0) {
        return command == CLI_UNWRAP;
    }
    if (std::strcmp(option, "--seconds") == 0) {
        return command == CLI_PROBE;
    }
    if (std::strcmp(option, "--jobs") == 0) {
        return command == CLI_VERIFY;
    }
    if (std::strcmp(option, "--resync") == 0) {
        return command == CLI_CONVERT;
    }
    return false;
}

int operands_of(int command) {
    return command == CLI_INFO || command == CLI_VERIFY || command == CLI_PROBE ? 1 : 2;
}

const char* command_name(int command) {
    for (const CommandName& c : COMMANDS) {
        if (c.command == command) {
            return c.name;
        }
    }
    return "";
}

int usage_error(int command, const char* format, const char* arg) {
    std::fprintf(stderr, "bitdek-cli: ");
    std::fprintf(stderr, format, arg);
    std::fprintf(stderr, "\nTry 'bitdek-cli %s%s--help'.\n", command_name(command),
                 command == CLI_NONE ? "" : " ");
    return EXIT_UNUSABLE;
}

}  // namespace

void cli_error(const char* format, ...) {
    std::fprintf(stderr, "bitdek-cli: ");
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fprintf(stderr, "\n");
}

int parse_options(int argc, char** argv, CliOptions* out) {
    *out = CliOptions{};
    out->layout = -1;
    out->seconds = PROBE_SECONDS_DEFAULT;
    std::vector<const char*> operands;
    bool options_end = false;
    for (int i = 0; i < argc; i++) {
        const char* a = argv[i];
        bool is_option = !options_end && a[0] == '-' && a[1] != '\0';
        if (is_option && std::strcmp(a, "--") == 0) {
            options_end = true;
            continue;
        }
        if (is_option && (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0)) {
            out->help = true;
            continue;
        }
        if (is_option && std::strcmp(a, "--version") == 0) {
            out->version = true;
            continue;
        }
        if (!is_option && out->command == CLI_NONE) {
            for (const CommandName& c : COMMANDS) {
                if (std::strcmp(c.name, a) == 0) {
                    out->command = c.command;
                }
            }
            if (out->command == CLI_NONE) {
                return usage_error(CLI_NONE, "unknown command '%s'", a);
            }
            continue;
        }
        if (!is_option) {
            operands.push_back(a);
            continue;
        }
        // "--name=value" or "--name value".
        char name[32];
        const char* value = nullptr;
        const char* eq = std::strchr(a, '=');
        size_t name_len = eq != nullptr ? static_cast<size_t>(eq - a) : std::strlen(a);
        if (name_len >= sizeof(name)) {
            return usage_error(out->command, "unknown option '%s'", a);
        }
        std::memcpy(name, a, name_len);
        name[name_len] = '\0';
        if (eq != nullptr) {
            value = eq + 1;
        }
        if (out->command == CLI_NONE || !takes(out->command, name)) {
            return usage_error(out->command, "unknown option '%s'", a);
        }
        bool wants_value = std::strcmp(name, "--layout") == 0 ||
                           std::strcmp(name, "--output") == 0 || std::strcmp(name, "--jobs") == 0 ||
                           std::strcmp(name, "--seconds") == 0;
        if (wants_value && value == nullptr) {
            if (i + 1 >= argc) {
                return usage_error(out->command, "option '%s' needs a value", name);
            }
            value = argv[++i];
        }
        if (!wants_value && value != nullptr) {
            return usage_error(out->command, "option '%s' takes no value", name);
        }
        if (std::strcmp(name, "--json") == 0) {
            out->json = true;
        } else if (std::strcmp(name, "--force") == 0) {
            out->force = true;
        } else if (std::strcmp(name, "--require-tc") == 0) {
            out->require_tc = true;
        } else if (std::strcmp(name, "--resync") == 0) {
            out->resync = true;
        } else if (std::strcmp(name, "--layout") == 0) {
            if (!find_value(LAYOUTS, value, &out->layout)) {
                return usage_error(out->command, "unknown layout '%s' (normal, pc or normal-tc)",
                                   value);
            }
        } else if (std::strcmp(name, "--seconds") == 0) {
            char* end = nullptr;
            long n = std::strtol(value, &end, 10);
            if (end == value || *end != '\0' || n < 1 || n > PROBE_SECONDS_MAX) {
                return usage_error(out->command,
                                   "--seconds takes a whole number from 1 to 600, not '%s'", value);
            }
            out->seconds = static_cast<int>(n);
        } else if (std::strcmp(name, "--jobs") == 0) {
            char* end = nullptr;
            long jobs = std::strtol(value, &end, 10);
            if (end == value || *end != '\0' || jobs < 1 || jobs > MAX_JOBS) {
                return usage_error(out->command, "--jobs takes a number from 1 to 256, not '%s'",
                                   value);
            }
            out->jobs = static_cast<int>(jobs);
        } else if (!find_value(OUTPUT_FORMATS, value, &out->output_format)) {
            return usage_error(
                out->command,
                "unknown output format '%s' (32-bit, 16-bit-channel-1 or 16-bit-channel-2)", value);
        }
    }
    if (out->help || out->version) {
        return EXIT_CLEAN;
    }
    if (out->command == CLI_NONE) {
        return usage_error(CLI_NONE, "%s", "no command given");
    }
    const int operand_count = static_cast<int>(operands.size());
    if (operand_count < operands_of(out->command)) {
        return usage_error(out->command, "%s",
                           operands_of(out->command) == 1
                               ? (out->command == CLI_PROBE ? "missing IN" : "missing FILE")
                               : "missing IN or OUT");
    }
    if (operand_count > operands_of(out->command) && out->command != CLI_VERIFY) {
        return usage_error(out->command, "unexpected argument '%s'",
                           operands[operands_of(out->command)]);
    }
    if (out->command == CLI_CONVERT && out->layout < 0) {
        return usage_error(out->command, "%s", "convert needs --layout");
    }
    if (out->command == CLI_UNWRAP && out->layout < 0) {
        out->layout = FORMAT_NORMAL;
    }
    if (out->require_tc && out->layout != FORMAT_NORMAL_TC) {
        return usage_error(out->command, "%s", "--require-tc needs --layout normal-tc");
    }
    out->in = operands[0];
    out->out = operand_count > 1 ? operands[1] : nullptr;
    out->files = operands;
    return EXIT_CLEAN;
}

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

int open_input_stream(const char* path) {
    namespace fs = std::filesystem;
    if (std::strcmp(path, "-") == 0) {
        cli_error("a stream file is read by name; standard input cannot be used here");
        return EXIT_UNUSABLE;
    }
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);
    if (!fs::exists(st)) {
        cli_error("%s: no such file", path);
        return EXIT_UNUSABLE;
    }
    if (!fs::is_regular_file(st)) {
        cli_error("%s: not a file", path);
        return EXIT_UNUSABLE;
    }
    // The store would give a file without a whole word the preferred layout:
    // it is no stream file.
    uintmax_t size = fs::file_size(path, ec);
    if (ec || size < 2) {
        cli_error("%s: Invalid File Format.", path);
        return EXIT_UNUSABLE;
    }
    switch (store_open(path, 1)) {
        case RC_OK:
            return EXIT_CLEAN;
        case RC_INVALID_FORMAT:
            cli_error("%s: Invalid File Format.", path);
            return EXIT_UNUSABLE;
        case RC_FILE_TOO_LARGE:
            cli_error("%s: the file is 2 GB or larger; stream files are limited to 2 GB", path);
            return EXIT_UNUSABLE;
        case RC_PATH_TOO_LONG:
            return EXIT_UNUSABLE;
        default:
            cli_error("%s: cannot open the file", path);
            return EXIT_UNUSABLE;
    }
}

int store_open(const char* path, int read_only) {
    namespace fs = std::filesystem;
    if (std::strlen(path) < static_cast<size_t>(STREAM_NAME_CHARS)) {
        return stream_open(path, read_only);
    }
    // The store keeps shorter paths than the system: a longer one is opened by
    // its leaf name from its own folder.
    std::error_code ec;
    fs::path p(path);
    std::string leaf = p.filename().string();
    fs::path back = fs::current_path(ec);
    bool reachable =
        leaf.size() < static_cast<size_t>(STREAM_NAME_CHARS) && !p.parent_path().empty() && !ec;
#ifdef _WIN32
    // Windows itself finds a name within the current folder only while the
    // whole path stays within its own limit, which is no longer.
    reachable = false;
#endif
    if (reachable) {
        fs::current_path(p.parent_path(), ec);
        reachable = !ec;
    }
    if (!reachable) {
        cli_error("%s: the path is longer than the store takes (%d characters)", path,
                  STREAM_NAME_CHARS - 1);
        return RC_PATH_TOO_LONG;
    }
    int rc = stream_open(leaf.c_str(), read_only);
    // A file the store may still delete by its name keeps its folder current.
    if (read_only != 0) {
        fs::current_path(back, ec);
    }
    return rc;
}

int report_output_failure(int out_result, const char* path) {
    switch (out_result) {
        case OUT_EXISTS:
            cli_error("%s exists; use --force to replace it", path);
            break;
        case OUT_CANNOT_CREATE:
            cli_error("%s: cannot create the file", path);
            break;
        case OUT_WRITE_FAILED:
            cli_error("%s: writing failed (disk full?)", path);
            break;
        case OUT_RENAME_FAILED:
            cli_error("%s: cannot give the file this name", path);
            break;
        case OUT_NOT_A_FILE:
            cli_error(
                "%s: cannot be the output (an empty name, a folder, or in a folder "
                "that does not exist)",
                path);
            break;
        case OUT_READER_GONE:
            // The reader of standard output stopped reading: it took all it
            // asked for, as with any program that writes into a pipe.
            return EXIT_CLEAN;
        default:
            cli_error("%s: output failed", path);
            break;
    }
    return EXIT_UNUSABLE;
}

int run_command(const CliOptions& opt) {
    interrupt_setup(opt.command == CLI_UNWRAP ? INTERRUPT_FINISH : INTERRUPT_DISCARD);
    int status = EXIT_UNUSABLE;
    switch (opt.command) {
        case CLI_INFO:
            status = run_info(opt);
            break;
        case CLI_VERIFY:
            status = run_verify(opt);
            break;
        case CLI_CONVERT:
            status = run_convert(opt);
            break;
        case CLI_WRAP:
            status = run_wrap(opt);
            break;
        case CLI_UNWRAP:
            status = run_unwrap(opt);
            break;
        case CLI_PROBE:
            status = run_probe(opt);
            break;
        default:
            break;
    }
    interrupt_done();
    return status;
}
