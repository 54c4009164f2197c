// The commands, each run from its parsed options and returning its exit
// status; one file each, named after it.
#pragma once

#include "cli/cli.h"

enum CliCommand : int {
    CLI_NONE = 0,
    CLI_INFO,
    CLI_VERIFY,
    CLI_CONVERT,
    CLI_WRAP,
    CLI_UNWRAP,
    CLI_PROBE,
};

// Runs the parsed command under the interruption rules its output keeps.
int run_command(const CliOptions& opt);

int run_info(const CliOptions& opt);
int run_verify(const CliOptions& opt);
int run_convert(const CliOptions& opt);
int run_wrap(const CliOptions& opt);
int run_unwrap(const CliOptions& opt);
int run_probe(const CliOptions& opt);

// The program's path as it was started (argv[0]); verify runs the tool itself
// for files checked in parallel. Without it (the tests) they are checked in
// turn.
void cli_set_program(const char* argv0);
