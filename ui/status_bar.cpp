#include "ui/status_bar.h"

#include <commctrl.h>

#include <cassert>
#include <cstring>

#include "common/texts.h"
#include "ui/resources/resource.h"

namespace {

// The part a status bar shows alone in simple mode.
constexpr WPARAM SIMPLE_PART = 255;

// The flags and menu handle of WM_MENUSELECT when the menu closes.
constexpr UINT MENU_CLOSED_FLAGS = 0xFFFF;

// A menu and the base of its help string ids.
struct MenuHelpPair {
    HMENU menu;
    UINT base;
};

// Pair 0 serves command items (help id = command id + base), pair 1 the popups
// of the menu bar (help id = base + the popup's position); a pair without a
// menu ends the list.
constexpr int MENU_HELP_PAIRS = 3;

struct StatusBarState {
    HWND bar;
    MenuHelpPair menu_help_ids[MENU_HELP_PAIRS];
};

StatusBarState status = {nullptr, {{nullptr, 0}, {nullptr, 0}, {nullptr, 0}}};

void load_text(int id, char* buffer, int chars) {
    buffer[0] = '\0';
    if (LoadStringA(GetModuleHandleA(nullptr), id, buffer, chars) <= 0) {
        buffer[0] = '\0';
    }
}

// The help text id for a menu entry, or 0 for an entry without help.
int menu_help_id(UINT flags, UINT item, HMENU menu) {
    if (flags & MF_SYSMENU) {
        return 0;
    }
    if (flags & MF_POPUP) {
        for (int pair = 1; pair < MENU_HELP_PAIRS; ++pair) {
            const MenuHelpPair& ids = status.menu_help_ids[pair];
            if (ids.menu != nullptr && ids.menu == menu) {
                return static_cast<int>(ids.base + item);
            }
        }
        return 0;  // a popup of another menu
    }
    if (flags & MF_SEPARATOR) {
        return 0;
    }
    return static_cast<int>(item + status.menu_help_ids[0].base);
}

}  // namespace

void create_status_bar(HWND window) {
    assert(window != nullptr);
    if (status.bar != nullptr) {
        DestroyWindow(status.bar);
        status.bar = nullptr;
    }
    status.bar =
        CreateStatusWindowA(WS_CHILD | WS_CLIPSIBLINGS | CCS_BOTTOM, "", window, IDC_STATUS_BAR);
    if (status.bar == nullptr) {
        return;
    }
    RECT client;
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    int edges[STATUS_PART_COUNT];
    for (int i = 0; i < STATUS_PART_COUNT; ++i) {
        edges[i] =
            STATUS_PART_EDGES[i] < 0
                ? -1
                : static_cast<int>(static_cast<double>(STATUS_PART_EDGES[i] * width) / 100.0);
    }
    SendMessageA(status.bar, SB_SETPARTS, STATUS_PART_COUNT, reinterpret_cast<LPARAM>(edges));
    ShowWindow(status.bar, SW_SHOW);

    status.menu_help_ids[0] = {nullptr, 0};
    status.menu_help_ids[1] = {GetMenu(window), IDS_MENU_POPUP_HELP};
    status.menu_help_ids[2] = {nullptr, 0};
}

void set_status_text_id(HWND window, int part, int string_id) {
    char text[TEXT_BUFFER_CHARS];
    load_text(string_id, text, TEXT_BUFFER_CHARS);
    set_status_text(window, part, text);
}

void set_status_text(HWND /*window*/, int part, const char* text) {
    assert(part >= 0 && part < STATUS_PART_COUNT);
    if (status.bar == nullptr) {
        return;
    }
    SendMessageA(status.bar, SB_SETTEXTA, static_cast<WPARAM>(part),
                 reinterpret_cast<LPARAM>(text));
}

int status_bar_handler(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SYSCOLORCHANGE:
            if (status.bar != nullptr) {
                SendMessageA(status.bar, WM_SYSCOLORCHANGE, 0, 0);
            }
            return 0;
        case WM_MENUSELECT:
            if (status.bar == nullptr) {
                return 0;
            }
            show_menu_help(window, wparam, lparam);
            return 1;
        default:
            return 0;
    }
}

void show_menu_help(HWND /*window*/, WPARAM wparam, LPARAM lparam) {
    if (status.bar == nullptr) {
        return;
    }
    const UINT flags = HIWORD(wparam);
    HMENU menu = reinterpret_cast<HMENU>(lparam);
    if (flags == MENU_CLOSED_FLAGS && menu == nullptr) {
        SendMessageA(status.bar, SB_SIMPLE, FALSE, 0);
        return;
    }
    char text[TEXT_BUFFER_CHARS] = "";
    const int help_id = menu_help_id(flags, LOWORD(wparam), menu);
    if (help_id != 0) {
        load_text(help_id, text, TEXT_BUFFER_CHARS);
    }
    SendMessageA(status.bar, SB_SETTEXTA, SIMPLE_PART | SBT_NOBORDERS,
                 reinterpret_cast<LPARAM>(text));
    SendMessageA(status.bar, SB_SIMPLE, TRUE, 0);
}
