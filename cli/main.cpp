// bitdek-cli: the arguments to a command.
#include <cerrno>
#include <cstdio>

#include "cli/commands.h"
#include "cli/help.h"
#include "cli/io/output.h"
#include "cli/options.h"
#include "platform/file_ops.h"

#ifndef BITDEK_VERSION
#define BITDEK_VERSION "0"
#endif

namespace {

int run(int argc, char** argv) {
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

}  // namespace

int main(int argc, char** argv) {
    os_hold_standard_files();
    cli_set_program(argv[0]);
    int rc = run(argc, argv);
    // A report or help text that never reached its reader (a full disk, a
    // closed standard output) is no success.
    // Closing a standard output that was closed from the start, with nothing
    // written to it, loses nothing.
    errno = 0;
    bool lost = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    bool gone = errno == EPIPE;
    errno = 0;
    lost = (std::fclose(stdout) != 0 && errno != EBADF) || lost;
    // A reader that went away took all it asked for: that run ends quietly.
    if (lost && !gone && errno != EPIPE && !out_reader_gone()) {
        cli_error("standard output: writing failed");
        return EXIT_UNUSABLE;
    }
    return rc;
}
