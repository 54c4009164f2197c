// Interruptions of the command-line tool: SIGINT, SIGTERM and SIGHUP on
// POSIX; Ctrl-C, Ctrl-Break and the console closing on Windows. The handlers
// only count them; the run looks at the count at its own points and decides
// what to keep, in its main thread, where every file is its own to close,
// rename or remove. Blocked system calls are not restarted on POSIX: a read
// or write waiting on a pipe returns, so that the run can look. A reader of a
// pipe that goes away is no interruption: the write fails instead.
#pragma once

// Installs the handlers; call once per run.
void signals_install();

// Interruptions received since signals_install.
int signals_count();

// The exit status for the last interruption: 128 + the signal (130 for
// Ctrl-C, 143 for SIGTERM; Windows: 130 for Ctrl-C and Ctrl-Break, 143 for a
// closing console).
int signals_exit_status();

// Tells a handler that waits for the run (a closing console on Windows, which
// ends the process when its handler returns) that the run has finished.
void signals_run_ended();
