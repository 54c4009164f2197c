#include "platform/child.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/signals.h"

extern char** environ;

struct ChildProcess {
    pid_t pid;
    int out;  // read ends of its pipes; -1 once closed
    int err;
    ChildResult result;
};

namespace {

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

void close_pair(int p[2]) {
    close(p[0]);
    close(p[1]);
}

}  // namespace

std::string child_self_path(const char* argv0) {
    // The running program itself, whatever the working folder or PATH say.
    return access("/proc/self/exe", X_OK) == 0 ? "/proc/self/exe" : argv0;
}

ChildHandle child_start(const std::string& program, const std::vector<std::string>& args) {
    int out_pipe[2];
    int err_pipe[2];
    if (pipe2(out_pipe, O_CLOEXEC) != 0) {
        return nullptr;
    }
    if (pipe2(err_pipe, O_CLOEXEC) != 0) {
        close_pair(out_pipe);
        return nullptr;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
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
    int rc = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out_pipe[1]);
    close(err_pipe[1]);
    if (rc != 0) {
        close(out_pipe[0]);
        close(err_pipe[0]);
        return nullptr;
    }
    return new ChildProcess{pid, out_pipe[0], err_pipe[0], {{}, {}, -1}};
}

size_t child_wait_any(const std::vector<ChildHandle>& children, ChildResult* ended) {
    for (;;) {
        for (size_t i = 0; i < children.size(); i++) {
            ChildProcess* c = children[i];
            if (c->out < 0 && c->err < 0) {
                int status = 0;
                while (waitpid(c->pid, &status, 0) < 0 && errno == EINTR) {
                }
                c->result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                *ended = std::move(c->result);
                delete c;
                return i;
            }
        }
        std::vector<pollfd> fds;
        std::vector<std::pair<int*, std::string*> > sinks;
        for (ChildProcess* c : children) {
            if (c->out >= 0) {
                fds.push_back({c->out, POLLIN, 0});
                sinks.emplace_back(&c->out, &c->result.output);
            }
            if (c->err >= 0) {
                fds.push_back({c->err, POLLIN, 0});
                sinks.emplace_back(&c->err, &c->result.errors);
            }
        }
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (signals_count() > 0) {
                return CHILD_INTERRUPTED;
            }
            continue;
        }
        for (size_t k = 0; k < fds.size(); k++) {
            if (fds[k].revents != 0) {
                take(sinks[k].first, sinks[k].second);
            }
        }
    }
}
