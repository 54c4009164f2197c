// A progress bar on standard error for work that takes more than a moment. It
// appears only when standard error is a terminal, and only once the work has
// run for a second; it is erased when the work ends.
#pragma once

#include <cstdint>

// Starts timing a piece of work of total units (-1: unknown, then the bar
// shows the units done instead of a share). label: a word or two.
void progress_start(const char* label, int64_t total);

// Reports units done so far; redraws at most ten times a second.
void progress_update(int64_t done);

// True when a status line given now would be drawn (a terminal, the work
// running for a second, the last drawing a tenth of a second ago), so that a
// caller builds the text only then.
bool progress_due();

// Draws text as the one-line status of work whose end is unknown (a live
// capture), in the place of the bar; call when progress_due.
void progress_status(const char* text);

// Erases the bar.
void progress_finish();
