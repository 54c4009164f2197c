// The recent-file list and the File menu over a run's sequence of opens. Its
// own process: the list starts empty, as at program start.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ids.h"
#include "common/result.h"
#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"
#include "tests/ui_files/file_dialogs.h"
#include "tests/ui_files/test_window.h"
#include "ui/open_file.h"

namespace {

const std::string OPEN = "&Open...\tCtrl+O";
const std::string CLOSE = "&Close";
const std::string EXIT = "E&xit\tAlt+X";

// The File menu expected with these paths listed, most recent first.
std::vector<std::string> menu_with(const std::vector<std::string>& paths) {
    std::vector<std::string> items = {OPEN, CLOSE};
    if (!paths.empty()) {
        items.push_back("-");
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        items.push_back("&" + std::to_string(i + 1) + "  " + paths[i]);
    }
    items.push_back("-");
    items.push_back(EXIT);
    return items;
}

std::vector<int> menu_ids(HWND window) {
    HMENU menu = GetSubMenu(GetMenu(window), 0);
    std::vector<int> ids;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        ids.push_back(static_cast<int>(GetMenuItemID(menu, i)));
    }
    return ids;
}

TEST(RecentFiles, MoveToFrontDropTheFourthAndRenumber) {
    HWND window = create_test_main_window();
    ASSERT_NE(nullptr, window);
    TempDir dir;
    set_working_directory(dir.dir().c_str(), static_cast<int>(dir.dir().size()));
    const std::string p = dir.path("P.AC3"), q = dir.path("Q.AC3"), r = dir.path("R.AC3"),
                      s = dir.path("S.AC3"), t = dir.path("T.AC3");
    EXPECT_EQ(menu_with({}), file_menu(window));

    script_dialogs({{"R"}, {"Q"}, {"P"}, {"S"}, {"T"}});
    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window)));
    close_file();
    EXPECT_EQ(menu_with({r}), file_menu(window));
    EXPECT_EQ((std::vector<int>{CMD_OPEN, CMD_CLOSE, 0, CMD_RECENT_FILE_1, 0, CMD_EXIT}),
              menu_ids(window));
    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window)));
    close_file();
    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window)));
    close_file();
    EXPECT_EQ(menu_with({p, q, r}), file_menu(window));

    // Q from the menu moves to the top; the entries above its place move down.
    ASSERT_EQ(Rc(RC_OK), Rc(open_recent_file(window, CMD_RECENT_FILE_2)));
    close_file();
    EXPECT_EQ(menu_with({q, p, r}), file_menu(window));

    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window)));
    close_file();
    EXPECT_EQ(menu_with({s, q, p, r}), file_menu(window));
    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window)));
    close_file();
    EXPECT_EQ(menu_with({t, s, q, p}), file_menu(window));
    EXPECT_EQ((std::vector<int>{CMD_OPEN, CMD_CLOSE, 0, CMD_RECENT_FILE_1, CMD_RECENT_FILE_2,
                                CMD_RECENT_FILE_3, CMD_RECENT_FILE_4, 0, CMD_EXIT}),
              menu_ids(window));

    // The top entry opened again stays where it is.
    ASSERT_EQ(Rc(RC_OK), Rc(open_recent_file(window, CMD_RECENT_FILE_1)));
    close_file();
    EXPECT_EQ(menu_with({t, s, q, p}), file_menu(window));
    EXPECT_EQ(dir.dir(), working_directory());
    EXPECT_TRUE(boxes_seen().empty());
    stop_scripting();
    DestroyWindow(window);
}

TEST(RecentFiles, LongPathsAreKeptWholeAndTheirLabelsCut) {
    HWND window = create_test_main_window();
    const std::string before = recent(0);
    const std::string longest = "C:\\" + std::string(248, 'd') + ".ac3";  // 255 characters
    recent_add_for_window(window, longest.c_str());

    EXPECT_EQ(longest, recent(0));
    EXPECT_EQ(before, recent(1));
    const auto menu = file_menu(window);
    EXPECT_EQ(("&1  " + longest).substr(0, 255), menu.at(3));
    EXPECT_EQ("&2  " + before, menu.at(4));

    // Its folder is the longest working directory there is.
    set_working_directory(longest.c_str(), 1000);
    EXPECT_EQ(longest, working_directory());
    // An empty path (an unused settings key) is no entry.
    recent_add_for_window(window, "");
    EXPECT_EQ(longest, recent(0));
    EXPECT_EQ(menu, file_menu(window));
    DestroyWindow(window);
}

}  // namespace
