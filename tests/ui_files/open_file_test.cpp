// The open dialog driven in a real main window: the test types a name into
// the system's dialog and presses OK or Cancel; message boxes are recorded.
#include "ui/open_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ids.h"
#include "common/result.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"
#include "tests/ui_files/file_dialogs.h"
#include "tests/ui_files/test_window.h"
#include "ui/report_error.h"

namespace {

std::string open_name() {
    StreamFile file;
    stream_get_file(&file);
    return file.name;
}

int open_read_only() {
    StreamFile file;
    stream_get_file(&file);
    return file.read_only;
}

std::vector<std::string> recent_list() {
    std::vector<std::string> list;
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        list.push_back(recent(i));
    }
    return list;
}

class OpenFile : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = create_test_main_window();
        ASSERT_NE(nullptr, window_);
        set_read_only(0);
        start_in(dir_.dir());
    }
    void TearDown() override {
        stop_scripting();
        DestroyWindow(window_);
    }
    void start_in(const std::string& folder) {
        set_working_directory(folder.c_str(), static_cast<int>(folder.size()));
    }

    HWND window_ = nullptr;
    TempDir dir_;
};

TEST_F(OpenFile, CompletesTheNameCreatesTheFileAndRemembersItsFolder) {
    script_dialogs({{"take2"}, {"x.Ac3"}, {"y.ac3"}, {"never", false}});

    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    const std::string take2 = dir_.path("take2.AC3");
    EXPECT_EQ(take2, open_name());
    EXPECT_TRUE(file_exists(take2));
    EXPECT_EQ(dir_.dir(), working_directory());
    EXPECT_EQ(take2, recent(0));
    EXPECT_EQ("&1  " + take2, file_menu(window_).at(3));
    EXPECT_EQ(Rc(RC_OK), Rc(close_file()));
    EXPECT_FALSE(file_exists(take2)) << "a new file closed empty is deleted";

    // Only the two exact spellings of the extension are taken as they are.
    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    EXPECT_EQ(dir_.path("x.Ac3.AC3"), open_name());
    close_file();
    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    EXPECT_EQ(dir_.path("y.ac3"), open_name());
    close_file();

    const auto menu = file_menu(window_);
    const auto list = recent_list();
    EXPECT_EQ(Rc(RC_CANCELLED), Rc(open_file_dialog(window_)));
    EXPECT_EQ(menu, file_menu(window_));
    EXPECT_EQ(list, recent_list());
    EXPECT_EQ(dir_.dir(), working_directory());

    ASSERT_EQ(4u, open_dialogs_seen().size());
    for (const OpenSeen& seen : open_dialogs_seen()) {
        EXPECT_EQ(dir_.dir(), seen.folder);
        EXPECT_FALSE(seen.read_only_checked);
    }
    EXPECT_TRUE(boxes_seen().empty());
}

TEST_F(OpenFile, ReadOnlyBoxStartsAsThePreferenceAndDecidesTheOpen) {
    const std::string path = dir_.path("s.ac3");
    write_stream_file(path, 3);
    const auto bytes = read_file_bytes(path);
    set_read_only(1);
    script_dialogs({{"s.ac3"}, {"s.ac3", true, 0}});

    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    EXPECT_EQ(1, open_read_only());
    close_file();
    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    EXPECT_EQ(0, open_read_only()) << "unchecked: open for writing";
    EXPECT_EQ(1, get_read_only()) << "the box does not change the preference";
    close_file();
    ASSERT_EQ(2u, open_dialogs_seen().size());
    EXPECT_TRUE(open_dialogs_seen()[0].read_only_checked);
    EXPECT_TRUE(open_dialogs_seen()[1].read_only_checked);

    // A recent-file command always takes the preference.
    ASSERT_EQ(Rc(RC_OK), Rc(open_recent_file(window_, CMD_RECENT_FILE_1)));
    EXPECT_EQ(1, open_read_only());
    close_file();

    set_read_only(0);
    script_dialogs({{"s.ac3"}});
    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    EXPECT_FALSE(open_dialogs_seen().at(0).read_only_checked);
    EXPECT_EQ(0, open_read_only());
    close_file();
    EXPECT_EQ(bytes, read_file_bytes(path));
}

TEST_F(OpenFile, FailedOpensReportAndChangeNothing) {
    const std::string locked = dir_.path("locked.ac3");
    const std::string junk = dir_.path("junk.ac3");
    write_stream_file(locked, 2);
    write_file_bytes(junk, std::vector<uint8_t>(300, 'j'));
    const auto junk_bytes = read_file_bytes(junk);
    script_dialogs({{"locked.ac3"}, {junk}, {locked}});
    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    close_file();
    recent_add_for_window(window_, junk.c_str());  // as the settings file would
    set_working_directory("C:\\elsewhere", 12);

    // Nobody else may open the file while the test holds it.
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    const auto menu = file_menu(window_);
    const auto list = recent_list();
    ASSERT_EQ(junk, list[0]);
    ASSERT_EQ(locked, list[1]);

    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(open_recent_file(window_, CMD_RECENT_FILE_1)));
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(open_recent_file(window_, CMD_RECENT_FILE_2)));
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(open_file_dialog(window_)));
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(open_file_dialog(window_)));
    CloseHandle(lock);

    // The recent-file path says "Can't", the dialog path "Can not".
    std::vector<std::string> shown;
    for (const BoxSeen& box : boxes_seen()) {
        EXPECT_EQ(ERROR_BOX_CAPTION, box.caption);
        shown.push_back(box.text);
    }
    EXPECT_EQ((std::vector<std::string>{"Invalid File Format.", "Can't open file.",
                                        "Invalid File Format.", "Can not open file."}),
              shown);
    EXPECT_EQ(menu, file_menu(window_));
    EXPECT_EQ(list, recent_list());
    EXPECT_EQ("C:\\elsewhere", working_directory());
    EXPECT_EQ(junk_bytes, read_file_bytes(junk));
}

TEST_F(OpenFile, LongestPathsOpenAndLongerOnesAreRefused) {
    // A folder that brings "folder\name" to the lengths wanted.
    const std::string folder = dir_.path(std::string(120, 'f'));
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    auto name_for = [&](size_t total) { return std::string(total - folder.size() - 1, 'n'); };
    start_in(folder);
    // 251 characters and ".AC3" fill the 255 a path may have; 252 do not.
    // 257 characters do not fit the dialog's own buffer.
    script_dialogs({{name_for(251)}, {name_for(252)}, {name_for(257)}});

    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    const std::string longest = folder + "\\" + name_for(251) + ".AC3";
    ASSERT_EQ(255u, longest.size());
    EXPECT_EQ(longest, open_name());
    EXPECT_EQ(longest, recent(0));
    // "&1  " leaves room for 251 characters of the path: the label is cut.
    EXPECT_EQ(("&1  " + longest).substr(0, 255), file_menu(window_).at(3));
    close_file();

    const auto list = recent_list();
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(open_file_dialog(window_)));
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(open_file_dialog(window_)));
    ASSERT_EQ(2u, boxes_seen().size());
    EXPECT_EQ("Can not open file.", boxes_seen()[0].text);
    EXPECT_EQ("Can not open file.", boxes_seen()[1].text);
    EXPECT_EQ(list, recent_list());
    EXPECT_FALSE(file_exists(folder + "\\" + name_for(252)));
    EXPECT_EQ(0u, answers_left());
}

TEST_F(OpenFile, AFileInADrivesRootMakesTheDriveTheFolder) {
    // "C:" alone would mean the drive's current folder, here not its root.
    SetEnvironmentVariableA("=C:", "C:\\windows");
    const std::string path = "C:\\bitdek-files-root-test.ac3";
    script_dialogs({{path}, {"never", false}});

    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    EXPECT_EQ(path, open_name());
    EXPECT_EQ("C:", working_directory());
    close_file();
    EXPECT_FALSE(file_exists(path));

    EXPECT_EQ(Rc(RC_CANCELLED), Rc(open_file_dialog(window_)));
    ASSERT_EQ(2u, open_dialogs_seen().size());
    EXPECT_EQ("C:\\", open_dialogs_seen()[1].folder);
}

}  // namespace
