// The program's entry point. A stream file named on the command line, as
// double-click and "Open with" name it, is opened at start-up.
#include <windows.h>

#include "ui/app_frame.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
    HWND window = start_program(instance, show_command, GetCommandLineW());
    // Without a main window nothing could ever post the quit message.
    if (window == nullptr) {
        return 1;
    }
    return run_message_loop(window);
}
