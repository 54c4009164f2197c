#include "platform/signals.h"

#include <csignal>
#include <cstring>

namespace {

volatile std::sig_atomic_t count;
volatile std::sig_atomic_t status;

extern "C" void on_signal(int sig) {
    status = 128 + sig;
    count = count + 1;
}

void install(int sig) {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof(sa));
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: a blocked read or write returns EINTR
    sigaction(sig, &sa, nullptr);
}

}  // namespace

void signals_install() {
    count = 0;
    status = 0;
    install(SIGINT);
    install(SIGTERM);
    install(SIGHUP);
    // A reader that goes away makes the write fail (EPIPE) instead of ending
    // the run, so that the run decides what to keep and ends quietly.
    std::signal(SIGPIPE, SIG_IGN);
}

int signals_count() {
    return count;
}

int signals_exit_status() {
    return status;
}

void signals_run_ended() {}
