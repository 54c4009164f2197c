// The status bar with its menu help, and the transport button bar (placement,
// pictures in the system colours, pressed and disabled looks).
#include <windows.h>

#include <commctrl.h>

#include "common/ids.h"
#include "tests/ui/main_window.h"
#include "ui/button_bar.h"
#include "ui/status_bar.h"

namespace {

constexpr uint32_t GREEN = 0x00FF00, DARK_GREEN = 0x008000, WHITE = 0xFFFFFF, BLACK = 0;

uint32_t rgb(COLORREF c) {
    return (static_cast<uint32_t>(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

using BarsTest = WindowTest;

TEST_F(BarsTest, StatusPartEdgesFollowTheClientWidth) {
    struct Case {
        int width, e0, e1, e2;
    } cases[] = {{500, 135, 165, 330}, {501, 135, 165, 330}, {333, 89, 109, 219}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        RECT r = {0, 0, c.width, 200};
        AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
        HWND other = CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, r.right - r.left,
                                   r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
        create_status_bar(other);
        int edges[4] = {};
        ASSERT_EQ(4,
                  SendMessageA(status_bar(other), SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)));
        EXPECT_EQ(c.e0, edges[0]);
        EXPECT_EQ(c.e1, edges[1]);
        EXPECT_EQ(c.e2, edges[2]);
        EXPECT_EQ(-1, edges[3]);
        DestroyWindow(other);
    }
}

TEST_F(BarsTest, MenuHelpForPopupsItemsRecentEntriesAndTheSystemMenu) {
    set_status_text_id(window, 0, 20201);
    HMENU bar = GetMenu(window);
    HMENU file = GetSubMenu(bar, 0);
    HMENU system = GetSystemMenu(window, FALSE);
    InsertMenuA(file, 2, MF_BYPOSITION | MF_STRING, CMD_RECENT_FILE_1, "&1  C:\\a.ac3");
    struct Case {
        UINT item, flags;
        HMENU menu;
        const char* text;
    } cases[] = {
        {0, MF_POPUP | MF_HILITE, bar, "Opens and closes Orvel Digital files or quits program."},
        {CMD_OPEN, MF_HILITE, file, "Opens a file for record/playback."},
        {CMD_ABOUT, MF_HILITE | MF_MOUSESELECT, GetSubMenu(bar, 2),
         "Gets information about this program."},
        {CMD_RECENT_FILE_1, MF_HILITE, file, ""},
        {SC_CLOSE, MF_HILITE | MF_SYSMENU, system, ""},
        {0, MF_POPUP | MF_HILITE | MF_SYSMENU, system, ""},
        {0, MF_POPUP | MF_HILITE, file, ""},  // a popup of another menu
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SendMessageA(window, WM_MENUSELECT, MAKEWPARAM(c.item, c.flags),
                     reinterpret_cast<LPARAM>(c.menu));
        EXPECT_TRUE(SendMessageA(status_bar(window), SB_ISSIMPLE, 0, 0));
        EXPECT_EQ(c.text, status_text(window, 0));
    }
    // Closing the menu brings the four parts back with their texts.
    SendMessageA(window, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_FALSE(SendMessageA(status_bar(window), SB_ISSIMPLE, 0, 0));
    EXPECT_EQ("Ready", status_text(window, 0));
    EXPECT_EQ(" ", status_text(window, 1));
    RemoveMenu(file, CMD_RECENT_FILE_1, MF_BYCOMMAND);
}

TEST_F(BarsTest, ButtonsFillTheBarWithoutOverlap) {
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_BUTTON_BAR)));
    const int ids[] = {CMD_STOP,      CMD_PLAY,         CMD_RECORD, CMD_TO_START,
                       CMD_STEP_BACK, CMD_STEP_FORWARD, CMD_TO_END};
    const int units[] = {0, 62, 124, 198, 260, 322, 384};
    for (int width : {446, 361, 447, 300}) {
        SCOPED_TRACE(width);
        MoveWindow(GetDlgItem(window, IDC_BUTTON_BAR), 20, 250, width, 26, FALSE);
        layout_button_bar(window);
        const float scale = width / 446.0f;
        int right = 20;
        for (int i = 0; i < 7; ++i) {
            HWND button = GetDlgItem(window, ids[i]);
            RECT r;
            GetWindowRect(button, &r);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
            EXPECT_EQ(static_cast<int>(20 + units[i] * scale), r.left);
            EXPECT_EQ(static_cast<int>(scale * 60), r.right - r.left);
            EXPECT_EQ(250, r.top);
            EXPECT_EQ(26, r.bottom - r.top);
            EXPECT_TRUE(IsWindowVisible(button));
            EXPECT_LE(right, r.left);
            right = r.right;
        }
        EXPECT_LE(right, 20 + width);
    }
}

TEST_F(BarsTest, PicturesShowPressedEnabledDisabledAndSchemeLooks) {
    EXPECT_EQ(-1, find_button(0));
    EXPECT_EQ(-1, find_button(4100));
    EXPECT_EQ(4, find_button(CMD_TO_START));
    set_button_enabled(window, 4100, 0);  // not a bar button: nothing happens
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, 4100)));
    EXPECT_EQ(nullptr, load_button_bitmap(GetModuleHandleA(nullptr), 4999, 1));

    // Disabled: black shapes on white, whatever is asked.
    set_button_pressed(window, CMD_STOP, 1);
    auto expect_look = [this](int id, uint32_t face, uint32_t shape, uint32_t fill) {
        HBITMAP image = button_image(window, id);
        EXPECT_EQ(face, bitmap_pixel(image, 0, 0));
        EXPECT_EQ(shape, bitmap_pixel(image, 2, id == CMD_PLAY ? 7 : 3));
        EXPECT_EQ(fill, bitmap_pixel(image, 6, 7));
    };
    expect_look(CMD_STOP, WHITE, BLACK, WHITE);
    // Enabling shows the pressed picture asked for before, in the system colours.
    set_button_enabled(window, CMD_STOP, 1);
    expect_look(CMD_STOP, rgb(GetSysColor(COLOR_BTNFACE)), rgb(GetSysColor(COLOR_BTNTEXT)), GREEN);
    set_button_pressed(window, CMD_STOP, 0);
    EXPECT_EQ(DARK_GREEN, bitmap_pixel(button_image(window, CMD_STOP), 6, 7));

    // A dark scheme reaches the enabled pictures; a disabled one ignores it.
    const int elements[] = {COLOR_BTNFACE, COLOR_BTNTEXT};
    const COLORREF saved[] = {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)};
    const COLORREF dark[] = {RGB(0x20, 0x20, 0x30), RGB(0xF0, 0xE0, 0x10)};
    ASSERT_TRUE(SetSysColors(2, elements, dark));
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);  // make sure ours has heard it
    pump_messages();
    expect_look(CMD_STOP, 0x202030u, 0xF0E010u, DARK_GREEN);
    expect_look(CMD_PLAY, WHITE, BLACK, WHITE);
    SetSysColors(2, elements, saved);
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    pump_messages();
}

}  // namespace
