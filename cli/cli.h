// bitdek-cli: the program's engines from the command line. The commands and
// what they share: parsed options, exit statuses, messages and the opening of
// an input stream file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Exit statuses.
constexpr int EXIT_CLEAN = 0;  // done; for verify: nothing found
constexpr int EXIT_FOUND = 1;  // verify found something; convert, wrap stopped early or lost frames
constexpr int EXIT_UNUSABLE = 2;  // unusable input or arguments, or the work failed

enum CliCommand : int {
    CLI_NONE = 0,
    CLI_INFO,
    CLI_VERIFY,
    CLI_CONVERT,
    CLI_WRAP,
    CLI_UNWRAP,
    CLI_PROBE,
};

// probe --seconds: the default, and the most (the samples are held in memory).
constexpr int PROBE_SECONDS_DEFAULT = 10;
constexpr int PROBE_SECONDS_MAX = 600;

struct CliOptions {
    int command;        // CliCommand
    const char* in;     // first operand
    const char* out;    // second operand, or null
    bool json;          // info, verify, probe: JSON on standard output
    bool force;         // replace an existing OUT
    bool require_tc;    // unwrap: the REQUIRETC rule
    bool resync;        // convert: skip what is no confirmed record, and go on
    int layout;         // convert, unwrap: a FileFormat; -1 when not given
    int output_format;  // wrap: SPDIFMODE 0, 1 or 2
    int seconds;        // probe: how much of IN to look at
    bool help;          // --help given (for the command, or in general)
    bool version;       // --version given

    // verify: every operand ("-": names on standard input), and how many
    // files are checked at once (0: one per processor).
    std::vector<const char*> files;
    int jobs;
};

// Parses the arguments after the program name. Returns EXIT_CLEAN, or
// EXIT_UNUSABLE after printing what is wrong.
int parse_options(int argc, char** argv, CliOptions* out);

// Prints the general help, or the command's when command is not CLI_NONE.
void print_help(int command);

// Prints "bitdek-cli: " and the formatted message with a newline on standard
// error.
void cli_error(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Opens an existing stream file for reading through the store, refusing what
// the store would create or delete (a missing or empty file, standard input).
// Prints the reason and returns EXIT_UNUSABLE on failure; after EXIT_CLEAN call
// stream_close.
int open_input_stream(const char* path);

// stream_open for a path of any length: a path longer than the store keeps is
// opened by its leaf name from its folder, which stays the current folder
// when the file is open for writing. Returns stream_open's result, or
// RC_PATH_TOO_LONG after saying so.
constexpr int RC_PATH_TOO_LONG = -1;
int store_open(const char* path, int read_only);

// The message for an output that could not be reserved, made or finished
// (an OutResult), printed with cli_error; returns EXIT_UNUSABLE.
int report_output_failure(int out_result, const char* path);

// The message for PCM input that could not be opened (a PcmResult other than
// PCM_OK), printed with cli_error; returns EXIT_UNUSABLE.
int report_pcm_failure(int pcm_rc, const char* in);

// The program's path as it was started (argv[0]); the tool runs itself for
// work done in parallel. Without it (the tests) such work is done in turn.
void cli_set_program(const char* argv0);

// s as a JSON string, quotes included.
std::string json_string(const std::string& s);

// Checks one stream file: its findings on standard output (one JSON line with
// json). Returns EXIT_CLEAN, EXIT_FOUND or EXIT_UNUSABLE.
int verify_file(const char* path, bool json);

struct StreamFile;
// After a walk of the open file's records ended before its end: true when a
// frame header without a valid frame size stopped it, false when the end of
// the file cuts the last record short.
bool stopped_by_frame_header(const StreamFile& file);

// After a walk of the open file: when a read of it failed, says where (as
// the input at path) and returns true; the command then fails.
bool read_failed(const char* path);

// True when the file at path has an odd number of bytes: its last is no word.
bool ends_in_odd_byte(const char* path);

// Runs the parsed command. Returns its exit status.
int run_command(const CliOptions& opt);

// The commands, each returning its exit status.
int run_info(const CliOptions& opt);
int run_verify(const CliOptions& opt);
int run_convert(const CliOptions& opt);
int run_wrap(const CliOptions& opt);
int run_unwrap(const CliOptions& opt);
int run_probe(const CliOptions& opt);
