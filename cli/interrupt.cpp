#include "cli/interrupt.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr size_t NAME_CHARS = 4096;

// Read by the handlers: plain buffers and flags only.
volatile std::sig_atomic_t mode;
volatile std::sig_atomic_t requested;
volatile std::sig_atomic_t finished;
char temp_name[NAME_CHARS];
char keep_name[NAME_CHARS];

void copy_name(char* to, const char* from) {
    to[0] = '\0';
    if (from != nullptr && std::strlen(from) < NAME_CHARS) {
        std::memcpy(to, from, std::strlen(from) + 1);
    }
}

#ifndef _WIN32
bool is_empty_file(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && st.st_size == 0;
}
#endif

// Leaves the watched file as the mode wants it; only calls that are safe in a
// signal handler (unlink, rename, stat).
void settle_file() {
    if (temp_name[0] == '\0') {
        return;
    }
#ifdef _WIN32
    if (mode == INTERRUPT_FINISH && keep_name[0] != '\0' &&
        MoveFileExA(temp_name, keep_name, MOVEFILE_REPLACE_EXISTING)) {
        return;
    }
    DeleteFileA(temp_name);
#else
    if (mode == INTERRUPT_FINISH && keep_name[0] != '\0' && !is_empty_file(temp_name) &&
        rename(temp_name, keep_name) == 0) {
        return;
    }
    unlink(temp_name);
#endif
}

// What one interruption does; returns only when the run goes on.
void interrupted(int status) {
    if (mode == INTERRUPT_FINISH && requested == 0) {
        requested = 1;
        return;
    }
    settle_file();
    std::_Exit(status);
}

#ifdef _WIN32
BOOL WINAPI on_console_event(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            interrupted(128 + SIGINT);
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            // The process ends when this returns: give a capture the few
            // seconds the system allows to finish its file.
            interrupted(128 + SIGTERM);
            for (int i = 0; i < 40 && finished == 0; i++) {
                Sleep(100);
            }
            return FALSE;
        default:
            return FALSE;
    }
}
#else
extern "C" void on_signal(int sig) {
    interrupted(128 + sig);
}

void install(int sig) {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof(sa));
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: a blocked read returns EINTR
    sigaction(sig, &sa, nullptr);
}
#endif

}  // namespace

void interrupt_setup(int new_mode) {
    mode = new_mode;
    requested = 0;
    finished = 0;
    temp_name[0] = '\0';
    keep_name[0] = '\0';
#ifdef _WIN32
    static bool installed = false;
    if (!installed) {
        SetConsoleCtrlHandler(on_console_event, TRUE);
        installed = true;
    }
#else
    install(SIGINT);
    install(SIGTERM);
    install(SIGHUP);
    // A reader that goes away makes the write fail (EPIPE) instead of ending
    // the run, so that nothing is left behind and the end is quiet.
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

void interrupt_watch_file(const char* temp, const char* keep_as) {
    // The handler must never see a name half-copied: forget first.
    temp_name[0] = '\0';
    copy_name(keep_name, keep_as);
    if (temp == nullptr || temp[0] == '\0' || std::strlen(temp) >= NAME_CHARS) {
        return;
    }
    copy_name(temp_name + 1, temp + 1);
    temp_name[0] = temp[0];
}

bool interrupt_requested() {
    return requested != 0;
}

void interrupt_done() {
    finished = 1;
}
