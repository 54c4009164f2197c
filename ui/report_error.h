// The program's error box: one modal message box for every runtime failure
// that the user interface reports.
#pragma once

#include <windows.h>

// Caption of every error box (the program's own spelling).
#define ERROR_BOX_CAPTION "Orvel Digital Recoder Error"

// Shows text in a modal message box owned by owner (may be null), with the
// caption ERROR_BOX_CAPTION, the warning icon and an OK button. Returns when
// the user has closed the box; messages keep being dispatched meanwhile.
void report_error(HWND owner, const char* text);
