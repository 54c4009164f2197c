#include "platform/signals.h"

#include <windows.h>

#include <csignal>

namespace {

// Read and written by the handler's own thread and the run's.
volatile LONG count;
volatile LONG status;
volatile LONG ended;

// The few seconds the system gives a closing console before it ends the
// process: a capture finishes its file meanwhile.
constexpr int CLOSE_WAIT_STEPS = 45;
constexpr DWORD CLOSE_WAIT_STEP_MS = 100;

// Only counts: files are closed, renamed and removed by the run's own thread,
// since Windows refuses to rename or delete a file another handle holds open.
BOOL WINAPI on_console_event(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            InterlockedExchange(&status, 128 + SIGINT);
            InterlockedIncrement(&count);
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            InterlockedExchange(&status, 128 + SIGTERM);
            InterlockedIncrement(&count);
            for (int i = 0; i < CLOSE_WAIT_STEPS && ended == 0; i++) {
                Sleep(CLOSE_WAIT_STEP_MS);
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void signals_install() {
    static bool installed = false;
    count = 0;
    status = 0;
    ended = 0;
    if (!installed) {
        SetConsoleCtrlHandler(on_console_event, TRUE);
        installed = true;
    }
}

int signals_count() {
    return static_cast<int>(count);
}

int signals_exit_status() {
    return static_cast<int>(status);
}

void signals_run_ended() {
    InterlockedExchange(&ended, 1);
}
