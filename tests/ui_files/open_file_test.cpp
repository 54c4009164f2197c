// The open dialog driven in a real main window: the test types a name into
// the system's dialog and presses OK or Cancel; message boxes are recorded.
#include "ui/open_file.h"

#include <gtest/gtest.h>

#include "common/ids.h"
#include "common/result.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"
#include "tests/ui_files/ui_test_support.h"
#include "ui/report_error.h"

namespace {

StreamFile open_file() {
    StreamFile file;
    stream_get_file(&file);
    return file;
}

// The texts of the message boxes shown, each an error box.
std::vector<std::string> box_texts() {
    std::vector<std::string> texts;
    for (const BoxSeen& box : boxes_seen) {
        EXPECT_EQ(ERROR_BOX_CAPTION, box.caption);
        texts.push_back(box.text);
    }
    return texts;
}

// One main window for the whole run, as in the program: the recent list
// rebuilds the menu it last built.
class OpenFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() { window_ = create_test_main_window(); }
    static void TearDownTestSuite() { DestroyWindow(window_); }
    void SetUp() override {
        ASSERT_NE(nullptr, window_);
        set_read_only(0);
        start_in(dir_.dir());
    }
    void TearDown() override { set_dialog_handler(nullptr); }
    void start_in(const std::string& folder) {
        set_working_directory(folder.c_str(), static_cast<int>(folder.size()));
    }
    std::string label(int number, const std::string& path) {
        return ("&" + std::to_string(number) + "  " + path).substr(0, 255);
    }

    static inline HWND window_ = nullptr;
    TempDir dir_;
};

TEST_F(OpenFile, CompletesTheNameAndRemembersTheFolder) {
    // "C:" alone would name the drive's current folder, not its root.
    SetEnvironmentVariableA("=C:", "C:\\windows");
    const std::string in_root = "C:\\bitdek-files-root-test.ac3";
    script_dialogs({{"take2"}, {"x.Ac3"}, {in_root}, {"never", false}});

    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    const std::string take2 = dir_.path("take2.AC3");
    EXPECT_EQ(take2, open_file().name);
    EXPECT_TRUE(file_exists(take2));
    EXPECT_EQ(dir_.dir(), working_directory());
    close_file();
    // Only the two exact spellings of the extension are taken as they are.
    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    EXPECT_EQ(dir_.path("x.Ac3.AC3"), open_file().name);
    close_file();
    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    EXPECT_EQ("C:", working_directory());
    close_file();
    DeleteFileA(in_root.c_str());

    const auto menu = file_menu(window_);
    const auto list = recent_list();
    EXPECT_EQ(Rc(RC_CANCELLED), Rc(open_file_dialog(window_)));
    EXPECT_EQ(menu, file_menu(window_));
    EXPECT_EQ(list, recent_list());
    EXPECT_EQ("C:", working_directory());

    ASSERT_EQ(4u, opens_seen.size());
    EXPECT_EQ(dir_.dir(), opens_seen[2].folder);
    EXPECT_EQ("C:\\", opens_seen[3].folder);
    EXPECT_FALSE(opens_seen[0].read_only_checked);
    EXPECT_TRUE(boxes_seen.empty());
}

TEST_F(OpenFile, ReadOnlyBoxStartsAsThePreferenceAndDecidesTheOpen) {
    const std::string path = dir_.path("s.ac3");
    write_stream_file(path, 3);
    const auto bytes = read_file_bytes(path);
    set_read_only(1);
    script_dialogs({{"s.ac3"}, {"s.ac3", true, 0}});

    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    EXPECT_EQ(1, open_file().read_only);
    close_file();
    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    EXPECT_EQ(0, open_file().read_only) << "unchecked: open for writing";
    close_file();
    EXPECT_TRUE(opens_seen.at(1).read_only_checked) << "the box does not change the preference";
    // A recent-file command always takes the preference.
    ASSERT_EQ(Rc(RC_OK), Rc(open_recent_file(window_, CMD_RECENT_FILE_1)));
    EXPECT_EQ(1, open_file().read_only);
    close_file();
    EXPECT_EQ(bytes, read_file_bytes(path));
}

TEST_F(OpenFile, FailedOpensReportAndChangeNothing) {
    const std::string locked = dir_.path("locked.ac3");
    const std::string junk = dir_.path("junk.ac3");
    write_stream_file(locked, 2);
    write_file_bytes(junk, std::vector<uint8_t>(300, 'j'));
    const auto junk_bytes = read_file_bytes(junk);
    script_dialogs({{junk}, {locked}});
    recent_add_for_window(window_, locked.c_str());  // as the settings file would
    recent_add_for_window(window_, junk.c_str());
    start_in("C:\\elsewhere");
    // Nobody else may open the file while the test holds it.
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    const auto menu = file_menu(window_);
    const auto list = recent_list();

    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(open_recent_file(window_, CMD_RECENT_FILE_1)));
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(open_recent_file(window_, CMD_RECENT_FILE_2)));
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(open_file_dialog(window_)));
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(open_file_dialog(window_)));
    CloseHandle(lock);

    EXPECT_EQ((std::vector<std::string>{"Invalid File Format.", "Can't open file.",
                                        "Invalid File Format.", "Can not open file."}),
              box_texts());
    EXPECT_EQ(menu, file_menu(window_));
    EXPECT_EQ(list, recent_list());
    EXPECT_EQ("C:\\elsewhere", working_directory());
    EXPECT_EQ(junk_bytes, read_file_bytes(junk));
}

TEST_F(OpenFile, LongestPathsOpenAndLongerOnesAreRefused) {
    const std::string folder = dir_.path(std::string(120, 'f'));
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    auto name_for = [&](size_t total) { return std::string(total - folder.size() - 1, 'n'); };
    start_in(folder);
    // 251 characters and ".AC3" fill the 255 a path may have; 252 do not;
    // 257 do not fit the dialog's own buffer.
    script_dialogs({{name_for(251)}, {name_for(252)}, {name_for(257)}});

    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    const std::string longest = folder + "\\" + name_for(251) + ".AC3";
    EXPECT_EQ(longest, open_file().name);
    EXPECT_EQ(longest, recent_list()[0]);
    EXPECT_EQ(label(1, longest), file_menu(window_).at(3)) << "cut to its buffer";
    close_file();

    const auto list = recent_list();
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(open_file_dialog(window_)));
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(open_file_dialog(window_)));
    EXPECT_EQ(std::vector<std::string>(2, "Can not open file."), box_texts());
    EXPECT_EQ(list, recent_list());
}

TEST_F(OpenFile, RecentListMovesToFrontDropsTheFourthAndRenumbers) {
    std::vector<std::string> p;
    for (char name : std::string("PQRST")) {
        p.push_back(dir_.path(name + std::string(".AC3")));
    }
    for (int i = 3; i >= 0; --i) {
        recent_add_for_window(window_, p[i].c_str());
    }
    // An empty path (an unused settings key) is no entry.
    recent_add_for_window(window_, "");
    script_dialogs({{"T"}});

    ASSERT_EQ(Rc(RC_OK), Rc(open_recent_file(window_, CMD_RECENT_FILE_3)));
    close_file();
    EXPECT_EQ((std::vector<std::string>{p[2], p[0], p[1], p[3]}), recent_list());
    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    close_file();
    const std::vector<std::string> order{p[4], p[2], p[0], p[1]};
    EXPECT_EQ(order, recent_list());
    HMENU menu = GetSubMenu(GetMenu(window_), 0);
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        EXPECT_EQ(label(i + 1, order[i]), file_menu(window_).at(3 + i));
        EXPECT_EQ(CMD_RECENT_FILE_1 + i, static_cast<int>(GetMenuItemID(menu, 3 + i)));
    }
}

}  // namespace
