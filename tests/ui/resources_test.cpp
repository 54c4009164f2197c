// The program's resources as other parts load them: the main window's controls
// in tab order, the menu, the accelerators, the about box and texts by id.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ids.h"
#include "tests/ui/main_window.h"
#include "ui/status_bar.h"

namespace {

std::string text_of(int id) {
    char text[256] = "";
    LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof(text));
    return text;
}

TEST(Resources, MainWindowControlsInTabOrder) {
    HWND window = create_main_window();
    ASSERT_NE(nullptr, window);
    std::vector<int> ids;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) != IDC_STATUS_BAR) {
            ids.push_back(GetDlgCtrlID(child));
        }
    }
    const std::vector<int> expected = {-1,   -1,   -1,   1101, -1,   1100, -1,   1103, -1,
                                       1104, -1,   1102, -1,   1105, -1,   1200, 1201, -1,
                                       1300, 1400, 1401, 1402, -1,   1600, 3011, 3012, 3013,
                                       3020, 3021, 3022, 3023, 4100, 101};
    std::vector<int> shown(ids.begin(), ids.end());
    for (int& id : shown) {
        id = id == 0xFFFF ? -1 : id;
    }
    EXPECT_EQ(expected, shown);
    EXPECT_EQ("Orvel Digital Recorder", text_of(20502));
    // A fixed-size window: no sizing frame, no maximise box.
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(0, style & (WS_THICKFRAME | WS_MAXIMIZEBOX));
    EXPECT_NE(0, style & WS_MINIMIZEBOX);
    release_main_window(window);
}

TEST(Resources, MenuAcceleratorsAndAboutBox) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HMENU menu = LoadMenuA(instance, "bitdek");
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(3, GetMenuItemCount(menu));
    EXPECT_NE(0u, GetMenuState(menu, CMD_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
    char text[64] = "";
    GetMenuStringA(menu, CMD_EXIT, text, sizeof(text), MF_BYCOMMAND);
    EXPECT_EQ("E&xit\tAlt+X", std::string(text));
    DestroyMenu(menu);

    HACCEL table = LoadAcceleratorsA(instance, "bitdek");
    ASSERT_NE(nullptr, table);
    ACCEL keys[8];
    ASSERT_EQ(4, CopyAcceleratorTableA(table, keys, 8));
    EXPECT_EQ(15, keys[0].key);  // Ctrl+O as its character
    EXPECT_EQ(CMD_OPEN, keys[0].cmd);
    EXPECT_EQ(FALT, keys[1].fVirt & FALT);
    EXPECT_EQ(CMD_EXIT, keys[2].cmd);
    EXPECT_EQ(VK_F1, keys[3].key);
    EXPECT_EQ(CMD_HELP, keys[3].cmd);

    EXPECT_NE(nullptr, FindResourceA(instance, "aboutbox", MAKEINTRESOURCEA(5)));  // RT_DIALOG
    EXPECT_NE(nullptr, LoadIconA(instance, "bitdek"));
}

TEST(Resources, TextsOtherPartsLoadById) {
    EXPECT_EQ("Orvel Digital Files (*.AC3)|*.ac3|", text_of(10700));
    EXPECT_EQ("16-bit channel 2", text_of(20002));
    EXPECT_EQ("PC Format", text_of(20102));
    EXPECT_EQ("Not Indicated", text_of(10103));
    EXPECT_EQ("Frame Count \t\t", text_of(20505));
    EXPECT_EQ(" ", text_of(20501));
    EXPECT_EQ("", text_of(10199));  // the blank first entries have no text
    EXPECT_EQ("", text_of(19001));
}

}  // namespace
