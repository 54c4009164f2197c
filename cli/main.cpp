// bitdek-cli: the program's engines from the command line.
#include <cstdio>

#include "cli/cli.h"

#ifndef BITDEK_VERSION
#define BITDEK_VERSION "0"
#endif

int main(int argc, char** argv) {
    CliOptions opt;
    int rc = parse_options(argc - 1, argv + 1, &opt);
    if (rc != EXIT_CLEAN) {
        return rc;
    }
    if (opt.help) {
        print_help(opt.command);
        return EXIT_CLEAN;
    }
    if (opt.version) {
        std::printf("bitdek-cli %s\n", BITDEK_VERSION);
        return EXIT_CLEAN;
    }
    switch (opt.command) {
        case CLI_INFO:
            return run_info(opt);
        case CLI_VERIFY:
            return run_verify(opt);
        case CLI_CONVERT:
            return run_convert(opt);
        case CLI_WRAP:
            return run_wrap(opt);
        case CLI_UNWRAP:
            return run_unwrap(opt);
        default:
            return EXIT_UNUSABLE;
    }
}
