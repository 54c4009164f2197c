// The arguments of a run, as the commands take them.
#pragma once

#include "cli/cli.h"

// probe --seconds: the default, and the most (the samples are held in memory).
constexpr int PROBE_SECONDS_DEFAULT = 10;
constexpr int PROBE_SECONDS_MAX = 600;

// Parses the arguments after the program name. Returns EXIT_CLEAN, or
// EXIT_UNUSABLE after printing what is wrong.
int parse_options(int argc, char** argv, CliOptions* out);
