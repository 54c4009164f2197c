// The status bar with its menu help and the transport button bar: part edges,
// help texts for popups, items, recent entries and the system menu, button
// placement, pictures in the system colours and their pressed and disabled looks.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "common/ids.h"
#include "tests/ui/main_window.h"
#include "ui/button_bar.h"
#include "ui/status_bar.h"

namespace {

constexpr uint32_t GREEN = 0x00FF00, DARK_GREEN = 0x008000, WHITE = 0xFFFFFF, BLACK = 0;

uint32_t rgb(COLORREF c) {
    return (static_cast<uint32_t>(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// A plain window with the given client width, for laying out a status bar.
HWND window_of_width(int width) {
    RECT r = {0, 0, width, 200};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    return CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, r.right - r.left,
                         r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

class BarsTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = create_main_window();
        ASSERT_NE(nullptr, window);
    }
    void TearDown() override { release_main_window(window); }
    RECT button_rect(int id) {
        RECT r;
        GetWindowRect(GetDlgItem(window, id), &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    void select_menu(UINT item, UINT flags, HMENU menu) {
        SendMessageA(window, WM_MENUSELECT, MAKEWPARAM(item, flags),
                     reinterpret_cast<LPARAM>(menu));
    }
    bool simple() { return SendMessageA(status_bar(window), SB_ISSIMPLE, 0, 0) != 0; }
    HWND window = nullptr;
};

TEST_F(BarsTest, StatusPartEdgesFollowTheClientWidth) {
    struct Case {
        int width, e0, e1, e2;
    } cases[] = {{500, 135, 165, 330}, {501, 135, 165, 330}, {333, 89, 109, 219}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        HWND other = window_of_width(c.width);
        create_status_bar(other);
        int edges[4] = {};
        ASSERT_EQ(4, SendMessageA(GetDlgItem(other, IDC_STATUS_BAR), SB_GETPARTS, 4,
                                  reinterpret_cast<LPARAM>(edges)));
        EXPECT_EQ(c.e0, edges[0]);
        EXPECT_EQ(c.e1, edges[1]);
        EXPECT_EQ(c.e2, edges[2]);
        EXPECT_EQ(-1, edges[3]);
        DestroyWindow(other);
    }
    create_status_bar(window);
    set_status_text(window, 3, "x");
    EXPECT_EQ("x", status_text(window, 3));
}

TEST_F(BarsTest, MenuHelpForPopupsItemsRecentEntriesAndTheSystemMenu) {
    set_status_text_id(window, 0, 20201);
    HMENU bar = GetMenu(window);
    HMENU file = GetSubMenu(bar, 0);
    InsertMenuA(file, 2, MF_BYPOSITION | MF_STRING, CMD_RECENT_FILE_1, "&1  C:\\a.ac3");

    struct Case {
        UINT item, flags;
        HMENU menu;
        const char* text;
    } cases[] = {
        {1, MF_POPUP | MF_HILITE, bar, "Changes the user preferences."},
        {0, MF_POPUP | MF_HILITE, bar, "Opens and closes Orvel Digital files or quits program."},
        {2, MF_POPUP | MF_HILITE, bar, "Gets help or other information."},
        {CMD_PREFERENCES, MF_HILITE, GetSubMenu(bar, 1), "Edit user preferences."},
        {CMD_OPEN, MF_HILITE, file, "Opens a file for record/playback."},
        {CMD_ABOUT, MF_HILITE | MF_MOUSESELECT, GetSubMenu(bar, 2),
         "Gets information about this program."},
        {CMD_RECENT_FILE_1, MF_HILITE, file, ""},
        {SC_CLOSE, MF_HILITE | MF_SYSMENU, GetSystemMenu(window, FALSE), ""},
        {0, MF_POPUP | MF_HILITE | MF_SYSMENU, GetSystemMenu(window, FALSE), ""},
        {0, MF_POPUP | MF_HILITE, file, ""},  // a popup of another menu
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        select_menu(c.item, c.flags, c.menu);
        EXPECT_TRUE(simple());
        EXPECT_EQ(c.text, status_text(window, 0));
    }
    // Closing the menu brings the four parts back with their texts.
    select_menu(0, 0xFFFF, nullptr);
    EXPECT_FALSE(simple());
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
        HWND bar = GetDlgItem(window, IDC_BUTTON_BAR);
        MoveWindow(bar, 20, 250, width, 26, FALSE);
        layout_button_bar(window);
        const float scale = width / 446.0f;
        for (int i = 0; i < 7; ++i) {
            RECT r = button_rect(ids[i]);
            EXPECT_EQ(static_cast<int>(20 + units[i] * scale), r.left);
            EXPECT_EQ(static_cast<int>(scale * 60), r.right - r.left);
            EXPECT_EQ(250, r.top);
            EXPECT_EQ(26, r.bottom - r.top);
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, ids[i])));
            if (i > 0) {
                EXPECT_LE(button_rect(ids[i - 1]).right, r.left);
            }
        }
        EXPECT_LE(button_rect(CMD_TO_END).right, 20 + width);
    }
}

TEST_F(BarsTest, PicturesShowPressedEnabledAndDisabledLooks) {
    EXPECT_EQ(-1, find_button(0));
    EXPECT_EQ(-1, find_button(4100));
    EXPECT_EQ(4, find_button(CMD_TO_START));
    set_button_enabled(window, 4100, 0);  // not a bar button: nothing happens
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, 4100)));

    // Disabled: black shapes on white, whatever is asked.
    set_button_pressed(window, CMD_STOP, 1);
    HBITMAP image = button_image(window, CMD_STOP);
    EXPECT_EQ(WHITE, bitmap_pixel(image, 0, 0));
    EXPECT_EQ(BLACK, bitmap_pixel(image, 2, 3));
    EXPECT_EQ(WHITE, bitmap_pixel(image, 6, 7));
    // Enabling shows the pressed picture asked for before.
    set_button_enabled(window, CMD_STOP, 1);
    image = button_image(window, CMD_STOP);
    EXPECT_EQ(rgb(GetSysColor(COLOR_BTNFACE)), bitmap_pixel(image, 0, 0));
    EXPECT_EQ(rgb(GetSysColor(COLOR_BTNTEXT)), bitmap_pixel(image, 2, 3));
    EXPECT_EQ(GREEN, bitmap_pixel(image, 6, 7));
    set_button_pressed(window, CMD_STOP, 0);
    EXPECT_EQ(DARK_GREEN, bitmap_pixel(button_image(window, CMD_STOP), 6, 7));

    EXPECT_EQ(nullptr, load_button_bitmap(GetModuleHandleA(nullptr), 4999, 1));
}

TEST_F(BarsTest, ADarkColourSchemeReachesThePictures) {
    set_button_enabled(window, CMD_STOP, 1);
    const int elements[] = {COLOR_BTNFACE, COLOR_BTNTEXT};
    const COLORREF saved[] = {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)};
    const COLORREF dark[] = {RGB(0x20, 0x20, 0x30), RGB(0xF0, 0xE0, 0x10)};
    ASSERT_TRUE(SetSysColors(2, elements, dark));
    // The system tells every top-level window; make sure ours has heard it.
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    pump_messages();
    HBITMAP image = button_image(window, CMD_STOP);
    EXPECT_EQ(0x202030u, bitmap_pixel(image, 0, 0));
    EXPECT_EQ(0xF0E010u, bitmap_pixel(image, 2, 3));
    EXPECT_EQ(DARK_GREEN, bitmap_pixel(image, 6, 7));
    // A disabled button ignores the scheme.
    image = button_image(window, CMD_PLAY);
    EXPECT_EQ(WHITE, bitmap_pixel(image, 0, 0));
    EXPECT_EQ(BLACK, bitmap_pixel(image, 2, 7));
    SetSysColors(2, elements, saved);
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    pump_messages();
}

}  // namespace
