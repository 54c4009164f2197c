#include "tests/ui_files/test_window.h"

#include <commctrl.h>

#include <map>
#include <set>

namespace {

constexpr UINT WM_TEST_DIALOG = WM_APP + 1;  // wparam: the dialog
constexpr UINT WM_TEST_STEP = WM_APP + 2;    // wparam: hops still to go; lparam: step
constexpr int MESSAGE_BOX_TEXT_ID = 0xFFFF;

HWND main_window;
HHOOK hook;
std::function<void(HWND)> dialog_handler;
std::set<HWND> dialogs_seen;
std::map<LPARAM, std::function<void()>> steps;
LPARAM next_step;

bool is_dialog_class(HWND window) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    return std::string(name) == "#32770";
}

LRESULT CALLBACK cbt_hook(int code, WPARAM wparam, LPARAM lparam) {
    HWND window = reinterpret_cast<HWND>(wparam);
    if (code == HCBT_ACTIVATE && is_dialog_class(window) && !dialogs_seen.count(window)) {
        dialogs_seen.insert(window);
        PostMessageA(main_window, WM_TEST_DIALOG, wparam, 0);
    } else if (code == HCBT_DESTROYWND) {
        dialogs_seen.erase(window);
    }
    return CallNextHookEx(hook, code, wparam, lparam);
}

LRESULT CALLBACK test_main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_TEST_DIALOG:
            if (dialog_handler) {
                dialog_handler(reinterpret_cast<HWND>(wparam));
            }
            return 0;
        case WM_TEST_STEP:
            if (wparam > 1) {
                PostMessageA(window, WM_TEST_STEP, wparam - 1, lparam);
            } else if (steps.count(lparam)) {
                auto step = std::move(steps[lparam]);
                steps.erase(lparam);
                step();
            }
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

}  // namespace

HWND create_test_main_window() {
    static bool registered = false;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registered) {
        InitCommonControls();  // the template holds a trackbar
        WNDCLASSEXA window_class = {};
        window_class.cbSize = sizeof window_class;
        window_class.style = CS_HREDRAW | CS_VREDRAW;
        window_class.lpfnWndProc = test_main_window_proc;
        window_class.cbWndExtra = DLGWINDOWEXTRA;
        window_class.hInstance = instance;
        window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        window_class.lpszMenuName = "bitdek";
        window_class.lpszClassName = "bitdek";
        registered = RegisterClassExA(&window_class) != 0;
    }
    main_window = CreateDialogParamA(instance, "bitdek", nullptr, nullptr, 0);
    return main_window;
}

void set_dialog_handler(std::function<void(HWND dialog)> handler) {
    dialog_handler = std::move(handler);
    if (dialog_handler && hook == nullptr) {
        hook = SetWindowsHookExA(WH_CBT, cbt_hook, nullptr, GetCurrentThreadId());
    } else if (!dialog_handler && hook != nullptr) {
        UnhookWindowsHookEx(hook);
        hook = nullptr;
    }
}

void post_step(HWND window, std::function<void()> step, int hops) {
    LPARAM id = ++next_step;
    steps[id] = std::move(step);
    PostMessageA(window, WM_TEST_STEP, static_cast<WPARAM>(hops), id);
}

std::string window_text(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string item_text(HWND dialog, int id) {
    return window_text(GetDlgItem(dialog, id));
}

bool is_message_box(HWND dialog) {
    return GetDlgItem(dialog, MESSAGE_BOX_TEXT_ID) != nullptr;
}

void click_button(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}
