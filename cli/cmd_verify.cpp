// verify of many files: each file checked as verify_file does, in a process of
// its own (the stream file store holds one file per process), several at once;
// their reports in the order of the names, then a summary.
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace {

std::string program_path;

struct Check {
    std::string name;
    std::string out;  // its report
    std::string err;  // its messages
    int status;       // EXIT_CLEAN, EXIT_FOUND or EXIT_UNUSABLE
};

// The names given, with "-" replaced by the lines of standard input.
std::vector<std::string> names_of(const CliOptions& opt) {
    std::vector<std::string> names;
    for (const char* f : opt.files) {
        if (std::strcmp(f, "-") != 0) {
            names.emplace_back(f);
            continue;
        }
        std::string line;
        int c;
        while ((c = std::getchar()) != EOF) {
            if (c == '\n') {
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                if (!line.empty()) {
                    names.push_back(line);
                }
                line.clear();
            } else {
                line += static_cast<char>(c);
            }
        }
        if (!line.empty()) {
            names.push_back(line);
        }
    }
    return names;
}

// What the check of one file prints, whichever way it ran.
void report(const Check& c, bool json) {
    std::fputs(c.err.c_str(), stderr);
    if (c.status == EXIT_UNUSABLE && json) {
        std::printf("{\"file\": %s, \"unreadable\": true}\n", json_string(c.name).c_str());
    } else {
        std::fputs(c.out.c_str(), stdout);
    }
    std::fflush(stdout);
}

#ifdef _WIN32

struct Child {
    HANDLE process;
    HANDLE out;
    HANDLE err;
    size_t index;
};

// A command line that the child's runtime splits back into these arguments.
std::string quoted(const std::string& arg) {
    std::string q = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            backslashes++;
            continue;
        }
        q.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        q += c;
    }
    q.append(2 * backslashes, '\\');
    return q + "\"";
}

bool start_child(const std::vector<std::string>& args, Child* child) {
    std::string line;
    for (const std::string& a : args) {
        line += (line.empty() ? "" : " ") + quoted(a);
    }
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE out_read, out_write, err_read, err_write;
    if (!CreatePipe(&out_read, &out_write, &sa, 0)) {
        return false;
    }
    if (!CreatePipe(&err_read, &err_write, &sa, 0)) {
        CloseHandle(out_read);
        CloseHandle(out_write);
        return false;
    }
    SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out_write;
    si.hStdError = err_write;
    PROCESS_INFORMATION pi = {};
    BOOL ok = CreateProcessA(program_path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             nullptr, &si, &pi);
    CloseHandle(out_write);
    CloseHandle(err_write);
    if (!ok) {
        CloseHandle(out_read);
        CloseHandle(err_read);
        return false;
    }
    CloseHandle(pi.hThread);
    child->process = pi.hProcess;
    child->out = out_read;
    child->err = err_read;
    return true;
}

// Takes what the pipe holds; false once the child has closed it.
bool drain(HANDLE* pipe, std::string* to) {
    if (*pipe == nullptr) {
        return false;
    }
    DWORD ready = 0;
    if (!PeekNamedPipe(*pipe, nullptr, 0, nullptr, &ready, nullptr)) {
        CloseHandle(*pipe);
        *pipe = nullptr;
        return false;
    }
    char chunk[4096];
    while (ready > 0) {
        DWORD got = 0;
        if (!ReadFile(*pipe, chunk, sizeof(chunk), &got, nullptr) || got == 0) {
            break;
        }
        to->append(chunk, got);
        ready = ready > got ? ready - got : 0;
    }
    return true;
}

// Follows the running children until one ends; returns its place in running.
size_t wait_any(std::vector<Child>& running, std::vector<Check>& checks) {
    for (;;) {
        bool moved = false;
        for (size_t i = 0; i < running.size(); i++) {
            Child& c = running[i];
            size_t before = checks[c.index].out.size() + checks[c.index].err.size();
            bool out_open = drain(&c.out, &checks[c.index].out);
            bool err_open = drain(&c.err, &checks[c.index].err);
            moved = moved || checks[c.index].out.size() + checks[c.index].err.size() != before;
            if (!out_open && !err_open) {
                DWORD code = EXIT_UNUSABLE;
                WaitForSingleObject(c.process, INFINITE);
                GetExitCodeProcess(c.process, &code);
                CloseHandle(c.process);
                checks[c.index].status = code <= static_cast<DWORD>(EXIT_UNUSABLE)
                                             ? static_cast<int>(code)
                                             : EXIT_UNUSABLE;
                return i;
            }
        }
        if (!moved) {
            Sleep(1);
        }
    }
}

#else

struct Child {
    pid_t pid;
    int out;
    int err;
    size_t index;
};

bool start_child(const std::vector<std::string>& args, Child* child) {
    int out_pipe[2];
    int err_pipe[2];
    if (pipe(out_pipe) != 0) {
        return false;
    }
    if (pipe(err_pipe) != 0) {
        close(out_pipe[0]);
        close(out_pipe[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], STDERR_FILENO);
    for (int fd : {out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]}) {
        posix_spawn_file_actions_addclose(&actions, fd);
    }
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid;
    int rc = posix_spawnp(&pid, program_path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out_pipe[1]);
    close(err_pipe[1]);
    if (rc != 0) {
        close(out_pipe[0]);
        close(err_pipe[0]);
        return false;
    }
    child->pid = pid;
    child->out = out_pipe[0];
    child->err = err_pipe[0];
    return true;
}

// Reads what fd holds into to; closes it at its end.
void take(int* fd, std::string* to) {
    char chunk[4096];
    ssize_t n = read(*fd, chunk, sizeof(chunk));
    if (n > 0) {
        to->append(chunk, static_cast<size_t>(n));
    } else if (n == 0 || errno != EINTR) {
        close(*fd);
        *fd = -1;
    }
}

// Follows the running children until one ends; returns its place in running.
size_t wait_any(std::vector<Child>& running, std::vector<Check>& checks) {
    for (;;) {
        for (size_t i = 0; i < running.size(); i++) {
            Child& c = running[i];
            if (c.out < 0 && c.err < 0) {
                int status = 0;
                while (waitpid(c.pid, &status, 0) < 0 && errno == EINTR) {
                }
                int code = WIFEXITED(status) ? WEXITSTATUS(status) : EXIT_UNUSABLE;
                checks[c.index].status = code <= EXIT_UNUSABLE ? code : EXIT_UNUSABLE;
                return i;
            }
        }
        std::vector<pollfd> fds;
        std::vector<std::pair<int*, std::string*> > sinks;
        for (Child& c : running) {
            if (c.out >= 0) {
                fds.push_back({c.out, POLLIN, 0});
                sinks.emplace_back(&c.out, &checks[c.index].out);
            }
            if (c.err >= 0) {
                fds.push_back({c.err, POLLIN, 0});
                sinks.emplace_back(&c.err, &checks[c.index].err);
            }
        }
        if (poll(fds.data(), fds.size(), -1) < 0) {
            continue;  // a signal; the handlers decide
        }
        for (size_t k = 0; k < fds.size(); k++) {
            if (fds[k].revents != 0) {
                take(sinks[k].first, sinks[k].second);
            }
        }
    }
}

#endif

// The children, at most jobs at once; every report printed as soon as the
// reports before it are.
void check_in_children(std::vector<Check>& checks, int jobs, bool json) {
    std::vector<Child> running;
    size_t next = 0;
    size_t printed = 0;
    std::vector<bool> done(checks.size(), false);
    while (printed < checks.size()) {
        while (next < checks.size() && running.size() < static_cast<size_t>(jobs)) {
            std::vector<std::string> args = {program_path, "verify", "--jobs", "1"};
            if (json) {
                args.push_back("--json");
            }
            args.push_back("--");
            args.push_back(checks[next].name);
            Child child;
            child.index = next;
            if (start_child(args, &child)) {
                running.push_back(child);
            } else {
                checks[next].err = "bitdek-cli: " + checks[next].name + ": cannot start a check\n";
                checks[next].status = EXIT_UNUSABLE;
                done[next] = true;
            }
            next++;
        }
        if (!running.empty()) {
            size_t ended = wait_any(running, checks);
            done[running[ended].index] = true;
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(ended));
        }
        while (printed < checks.size() && done[printed]) {
            report(checks[printed++], json);
        }
    }
}

}  // namespace

void cli_set_program(const char* argv0) {
#ifdef _WIN32
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
    program_path = n > 0 && n < sizeof(path) ? std::string(path, n) : std::string(argv0);
#else
    // The running program itself, whatever the working folder or PATH say.
    program_path = access("/proc/self/exe", X_OK) == 0 ? "/proc/self/exe" : argv0;
#endif
}

int run_verify(const CliOptions& opt) {
    if (opt.files.size() == 1 && std::strcmp(opt.files[0], "-") != 0) {
        return verify_file(opt.files[0], opt.json);
    }
    std::vector<Check> checks;
    for (std::string& name : names_of(opt)) {
        checks.push_back(Check{name, "", "", EXIT_UNUSABLE});
    }
    int jobs = opt.jobs;
    if (jobs <= 0) {
        jobs = static_cast<int>(std::thread::hardware_concurrency());
        jobs = jobs > 0 ? jobs : 1;
    }
    if (jobs == 1 || program_path.empty()) {
        for (Check& c : checks) {
            std::fflush(stdout);
            c.status = verify_file(c.name.c_str(), opt.json);
            if (c.status == EXIT_UNUSABLE && opt.json) {
                report(c, true);
            }
        }
    } else {
        check_in_children(checks, jobs, opt.json);
    }
    int clean = 0;
    int found = 0;
    int unreadable = 0;
    for (const Check& c : checks) {
        clean += c.status == EXIT_CLEAN;
        found += c.status == EXIT_FOUND;
        unreadable += c.status == EXIT_UNUSABLE;
    }
    if (!opt.json) {
        std::printf("%zu files: %d clean, %d with findings, %d unreadable\n", checks.size(), clean,
                    found, unreadable);
    }
    if (unreadable > 0) {
        return EXIT_UNUSABLE;
    }
    return found > 0 ? EXIT_FOUND : EXIT_CLEAN;
}
