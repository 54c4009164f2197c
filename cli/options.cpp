// The arguments: the command by its name, its options and their values, and
// its operands.
#include "cli/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cli/commands.h"
#include "common/file_format.h"

namespace {

constexpr long MAX_JOBS = 256;

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
