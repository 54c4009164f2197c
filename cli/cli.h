// bitdek-cli: the program's engines from the command line. What every command
// shares: its parsed options, exit statuses and messages.
#pragma once

#include <vector>

// Exit statuses.
constexpr int EXIT_CLEAN = 0;  // done; for verify: nothing found
constexpr int EXIT_FOUND = 1;  // verify found something; convert, wrap stopped early or lost frames
constexpr int EXIT_UNUSABLE = 2;  // unusable input or arguments, or the work failed

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

// Prints "bitdek-cli: " and the formatted message with a newline on standard
// error.
void cli_error(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
