// The application frame: start-up in its fixed order, the main window's
// procedure with its routing chain, the about box and the message loop.
#include "ui/app_frame.h"

#include <commctrl.h>
#include <shellapi.h>

#include "audio/wave_ring.h"
#include "common/ids.h"
#include "common/result.h"
#include "common/transport_state.h"
#include "settings/settings_file.h"
#include "transport/transport_controller.h"
#include "transport/transport_state.h"
#include "ui/button_bar.h"
#include "ui/open_file.h"
#include "ui/report_error.h"
#include "ui/status_bar.h"

namespace {

struct AppFrame {
    HINSTANCE instance;
    HWND main_window;
    HACCEL accelerators;
    HWND focus;  // the control that had the focus when the window was last left
};

AppFrame app = {};

int command_id(WPARAM wparam) {
    return LOWORD(wparam);
}

bool file_is_open() {
    return get_transport_state() != STATE_NO_FILE;
}

void send_command(HWND window, int id) {
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void focus_open_close_button(HWND window) {
    SetFocus(GetDlgItem(window, CMD_OPEN_CLOSE));
}

// A second start in the same process (the tests run the program more than
// once) finds the class registered already; that is not an error.
void register_main_window_class(HINSTANCE instance) {
    WNDCLASSEXA window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = main_window_proc;
    window_class.cbClsExtra = 0;
    // A class named by a dialog template keeps the dialog manager's data.
    window_class.cbWndExtra = DLGWINDOWEXTRA;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(instance, MAIN_WINDOW_RESOURCE);
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszMenuName = MAIN_WINDOW_RESOURCE;
    window_class.lpszClassName = MAIN_WINDOW_CLASS;
    window_class.hIconSm = LoadIconA(instance, MAIN_WINDOW_RESOURCE);
    RegisterClassExA(&window_class);
}

LRESULT on_command(HWND window, WPARAM wparam) {
    switch (command_id(wparam)) {
        case CMD_EXIT:
            // Sent, not posted: the file is closed before the window goes.
            if (file_is_open()) {
                send_command(window, CMD_CLOSE);
            }
            SendMessageA(window, WM_CLOSE, 0, 0);
            return 1;
        case CMD_HELP:
            MessageBoxA(window, TEXT_HELP, HELP_BOX_CAPTION, MB_OK | MB_ICONWARNING);
            focus_open_close_button(window);
            return 1;
        case CMD_ABOUT:
            DialogBoxParamA(app.instance, ABOUT_BOX_TEMPLATE, window, about_box_proc, 0);
            focus_open_close_button(window);
            return 1;
        default:
            return 0;
    }
}

}  // namespace

HINSTANCE app_instance() {
    return app.instance;
}

HWND start_program(HINSTANCE instance, int show_command, const wchar_t* command_line) {
    app.instance = instance;
    InitCommonControls();
    register_main_window_class(instance);
    app.accelerators = LoadAcceleratorsA(instance, MAIN_WINDOW_RESOURCE);
    HWND window = CreateDialogParamA(instance, MAIN_WINDOW_RESOURCE, nullptr, nullptr, 0);
    app.main_window = window;
    if (window == nullptr) {
        return nullptr;
    }
    if (allocate_wave_buffers() != 0) {
        MessageBoxA(window, TEXT_NO_MEMORY, nullptr, MB_OK | MB_ICONWARNING);
    }
    load_settings(window);
    create_status_bar(window);
    reset_to_no_file(window);
    layout_button_bar(window);
    ShowWindow(window, show_command);
    // A control of a hidden window takes the focus, but the window is then
    // not made the active one when it shows.
    focus_open_close_button(window);
    DragAcceptFiles(window, TRUE);
    char path[RECENT_PATH_CHARS];
    if (command_line != nullptr && first_named_file(command_line, path)) {
        open_outside_file(window, path);
    }
    return window;
}

int run_message_loop(HWND window) {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (window != nullptr && TranslateAcceleratorA(window, app.accelerators, &message)) {
            continue;
        }
        if (window != nullptr && IsDialogMessageA(window, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CLOSE:
            // The close box, the system menu, Alt+F4 or Exit: stop and close the
            // file first; the default processing then destroys the window.
            if (file_is_open()) {
                send_command(window, CMD_CLOSE);
            }
            break;
        case WM_ENDSESSION:
            // Logging off or shutting down ends the process without destroying
            // the window: stop, close the file and save as the close box does;
            // a window already being destroyed (its box up) is left to finish.
            if (wparam && app.main_window == window) {
                SendMessageA(window, WM_CLOSE, 0, 0);
            }
            return 0;
        case WM_DESTROY:
            if (app.main_window == window) {
                app.main_window = nullptr;
            }
            // Once, and without an owner: the window is on its way out.
            if (save_settings(window) != RC_OK) {
                report_error(nullptr, TEXT_SETTINGS_NOT_SAVED);
            }
            free_wave_buffers();
            PostQuitMessage(0);
            return 1;
        case WM_ACTIVATE:
            if (LOWORD(wparam) == WA_INACTIVE && IsChild(window, GetFocus())) {
                app.focus = GetFocus();
            }
            break;
        case WM_SETFOCUS:
            // Made active again (Alt+Tab, a box gone), the window itself gets
            // the focus, where no key would reach a control: as a dialog box
            // does, it goes back to the control that had it.
            if (IsChild(window, app.focus)) {
                SetFocus(app.focus);
            }
            return 0;
        case WM_NEXTDLGCTL: {
            // Tab and Shift+Tab reach the window as this request from the
            // dialog keyboard interface; only the dialog default procedure
            // would answer it, so without this the focus would never move.
            HWND next = LOWORD(lparam) ? reinterpret_cast<HWND>(wparam)
                                       : GetNextDlgTabItem(window, GetFocus(), wparam != 0);
            if (next != nullptr) {
                SetFocus(next);
            }
            return 1;
        }
        case WM_COMMAND:
            if (on_command(window, wparam)) {
                return 1;
            }
            [[fallthrough]];
        default:
            if (audio_notification_handler(window, message, wparam, lparam) ||
                transport_command_handler(window, message, wparam, lparam) ||
                button_bar_handler(window, message, wparam, lparam) ||
                status_bar_handler(window, message, wparam, lparam)) {
                return 1;
            }
            break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

INT_PTR CALLBACK about_box_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}
