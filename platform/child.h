// Child processes of the command-line tool: started with their standard
// output and error piped back and their standard input on the null device,
// several at once; each sees only its own pipes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

typedef struct ChildProcess* ChildHandle;

// Returned by child_wait_any when an interruption came first.
constexpr size_t CHILD_INTERRUPTED = static_cast<size_t>(-1);

// The running program's own file, for starting it again; argv0 where the
// system cannot say.
std::string child_self_path(const char* argv0);

// Starts program with args (args[0] is the name it is given). Returns null
// when it cannot be started.
ChildHandle child_start(const std::string& program, const std::vector<std::string>& args);

// What an ended child printed, and the status it exited with (-1 when it did
// not exit by itself).
struct ChildResult {
    std::string output;
    std::string errors;
    int status;
};

// Gathers what the children print until one of them has ended; returns its
// place in children, with *ended filled and the child freed, or
// CHILD_INTERRUPTED when an interruption (platform/signals.h) came first.
size_t child_wait_any(const std::vector<ChildHandle>& children, ChildResult* ended);
