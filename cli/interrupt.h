// How an interruption ends a run: SIGINT, SIGTERM and SIGHUP on POSIX; Ctrl-C,
// Ctrl-Break and closing the console on Windows. A broken pipe is never a
// signal: writes to a reader that went away fail, and the run ends quietly.
#pragma once

enum InterruptMode : int {
    // wrap, convert: the output is removed and the run ends at once, exit
    // status 128 + the signal (130 for Ctrl-C): they can simply be run again.
    INTERRUPT_DISCARD = 0,
    // unwrap: the first interruption only raises a flag that ends the input;
    // the capture then finishes as at the end of the input. A second one ends
    // the run at once, leaving the records written so far (a temporary output
    // is given its target's name).
    INTERRUPT_FINISH = 1,
};

// Installs the handlers for the run (without restarting interrupted reads,
// so that a blocked read of standard input returns). Call once per run.
void interrupt_setup(int mode);

// The file being made (a temporary name) and, for INTERRUPT_FINISH, the name
// it keeps when a second interruption ends the run (null: removed then too).
// Both are copied; null or "" forgets the file.
void interrupt_watch_file(const char* temp, const char* keep_as);

// True once an interruption asked the run to finish.
bool interrupt_requested();

// Marks the run finished, so that closing the console need not wait for it
// any longer (Windows).
void interrupt_done();
