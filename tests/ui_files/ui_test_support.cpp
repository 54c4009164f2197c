#include "tests/ui_files/ui_test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <set>

#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/support/test_files.h"
#include "transport/transport_controller.h"
#include "transport/transport_state.h"
#include "ui/button_bar.h"
#include "ui/open_file.h"
#include "ui/status_bar.h"
#include "ui/time_display.h"

namespace {

constexpr UINT WM_TEST_DIALOG = WM_APP + 1;  // wparam: the dialog

HWND main_window;
HHOOK hook;
std::function<void(HWND)> dialog_handler;
std::set<HWND> dialogs_seen;

LRESULT CALLBACK cbt_hook(int code, WPARAM wparam, LPARAM lparam) {
    HWND window = reinterpret_cast<HWND>(wparam);
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (code == HCBT_ACTIVATE && std::string(name) == "#32770" && !dialogs_seen.count(window)) {
        dialogs_seen.insert(window);
        PostMessageA(main_window, WM_TEST_DIALOG, wparam, 0);
    } else if (code == HCBT_DESTROYWND) {
        dialogs_seen.erase(window);
    }
    return CallNextHookEx(hook, code, wparam, lparam);
}

LRESULT CALLBACK test_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TEST_DIALOG && dialog_handler) {
        dialog_handler(reinterpret_cast<HWND>(wparam));
    } else if (!on_time_display_command(window, message, wparam, lparam)) {
        // The rest of what the program's handler chain routes to the displays.
        button_bar_handler(window, message, wparam, lparam);
        return status_bar_handler(window, message, wparam, lparam)
                   ? 1
                   : DefWindowProcA(window, message, wparam, lparam);
    }
    return 0;
}

}  // namespace

HWND test_main_window() {
    static HWND window = nullptr;
    if (window == nullptr) {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        InitCommonControls();  // the template holds a trackbar
        // A class named by a dialog template keeps the dialog manager's data.
        WNDCLASSA window_class = {};
        window_class.lpfnWndProc = test_window_proc;
        window_class.cbWndExtra = DLGWINDOWEXTRA;
        window_class.hInstance = instance;
        window_class.hIcon = LoadIconA(instance, "bitdek");
        window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        window_class.lpszMenuName = window_class.lpszClassName = "bitdek";
        RegisterClassA(&window_class);
        window = main_window = CreateDialogParamA(instance, "bitdek", nullptr, nullptr, 0);
    }
    return window;
}

HWND create_main_window() {
    static HWND window = nullptr;
    if (window == nullptr && (window = test_main_window()) != nullptr) {
        create_status_bar(window);
        layout_button_bar(window);
        ShowWindow(window, SW_SHOWNORMAL);
    }
    release_main_window(window);
    return window;
}

void release_main_window(HWND window) {
    stream_close();
    reset_to_no_file(window);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void write_stream_file(const std::string& path, int count, int format, FrameSpec shape) {
    write_file_bytes(
        path, frames_file_bytes(format, std::vector<std::vector<Word>>(static_cast<size_t>(count),
                                                                       make_frame(shape))));
}

void open_in_state(HWND window, const std::string& path, int state, int read_only) {
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), read_only)));
    set_transport_state(STATE_READY);
    refresh_main_window(window);
    if (state != STATE_READY) {
        set_transport_state(state);
        refresh_main_window(window);
    }
}

void set_dialog_handler(std::function<void(HWND dialog)> handler) {
    dialog_handler = std::move(handler);
    if (hook == nullptr) {
        hook = SetWindowsHookExA(WH_CBT, cbt_hook, nullptr, GetCurrentThreadId());
    }
}

std::string window_text(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

void click_button(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

std::vector<std::string> file_menu(HWND window) {
    HMENU menu = GetSubMenu(GetMenu(window), 0);
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[512] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        items.push_back(GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR ? "-" : text);
    }
    return items;
}

std::vector<std::string> recent_list() {
    std::vector<std::string> list;
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        char entry[RECENT_PATH_CHARS];
        recent_get(entry, i);
        list.push_back(entry);
    }
    return list;
}

std::string working_directory() {
    char directory[RECENT_PATH_CHARS];
    get_working_directory(directory);
    return directory;
}

std::ostream& operator<<(std::ostream& os, const Prefs& p) {
    return os << p.spdif << "," << p.rec << "," << p.err << "," << p.tc << "," << p.ro << ","
              << p.time << ",\"" << p.play_device << "\",\"" << p.rec_device << "\"";
}

Prefs current_prefs() {
    char play[DEVICE_NAME_CHARS], rec[DEVICE_NAME_CHARS];
    get_play_device(play);
    get_rec_device(rec);
    return {get_spdif_mode(),
            get_rec_format(),
            get_err_check(),
            get_require_tc(),
            get_read_only(),
            get_time_display_mode(),
            play,
            rec};
}

void set_prefs(const Prefs& p) {
    set_spdif_mode(p.spdif);
    set_rec_format(p.rec);
    set_err_check(p.err);
    set_require_tc(p.tc);
    set_read_only(p.ro);
    set_time_display_mode(p.time);
    set_play_device(p.play_device.c_str());
    set_rec_device(p.rec_device.c_str());
}
