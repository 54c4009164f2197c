// bitdek-cli: the program's engines from the command line.
#include <cstdio>

#include "cli/cli.h"

#ifndef BITDEK_VERSION
#define BITDEK_VERSION "0"
#endif

int main(int argc, char** argv) {
    cli_set_program(argv[0]);
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
    return run_command(opt);
}
