// The time display: the one-entry field IDC_TIME with three radio buttons that
// choose between the SMPTE time code carried in the stream, the elapsed time
// and the frame number. The checked button is the mode; every refresh stores it
// as the time display mode preference.
#pragma once

#include <windows.h>

// Blank, disabled field; the three buttons disabled, the stored mode's button
// checked (none for a mode outside 0..2).
void reset_time_display(HWND window);

// Shows the time in the checked button's mode (the frame number when none is
// checked) and stores that mode.
void show_time(HWND window);

// Handler offered every message by the transport controller: a WM_COMMAND for
// IDC_TIME_SMPTE, IDC_TIME_ELAPSED or IDC_TIME_FRAMES (any notification code)
// checks that button alone, shows the time and returns 1; anything else
// returns 0.
int on_time_display_command(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
