#include "cli/commands.h"

#include <cstdarg>
#include <cstdio>

#include "cli/io/output.h"

void cli_error(const char* format, ...) {
    std::fprintf(stderr, "bitdek-cli: ");
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fprintf(stderr, "\n");
}

int run_command(const CliOptions& opt) {
    // A recording keeps what it took; any other run can simply be run again.
    out_setup_signals(opt.command == CLI_UNWRAP ? OUT_FINISH_ON_SIGNAL : OUT_DISCARD_ON_SIGNAL);
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
    out_run_ended();
    return status;
}
