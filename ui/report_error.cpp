#include "ui/report_error.h"

#include <cassert>

void report_error(HWND owner, const char* text) {
    assert(text != nullptr);
    // The answer is always OK; there is nothing to decide on.
    MessageBoxA(owner, text, ERROR_BOX_CAPTION, MB_OK | MB_ICONWARNING);
}
