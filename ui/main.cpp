// The program's entry point. The command line is not read.
#include <windows.h>

#include "ui/app_frame.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
    HWND window = start_program(instance, show_command);
    // Without a main window nothing could ever post the quit message.
    if (window == nullptr) {
        return 1;
    }
    return run_message_loop(window);
}
