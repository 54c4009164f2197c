// The open dialog driven in a real main window: the test types a name into
// the system's dialog and presses OK or Cancel; message boxes are recorded.
#include "ui/open_file.h"

#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <deque>

#include "common/ids.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/support/test_files.h"
#include "tests/ui_files/ui_test_support.h"
#include "ui/report_error.h"

namespace {

// Open dialogs take the next answer: the name typed, OK (else Cancel), and the
// read-only box set to 0 or 1 before OK (-1 leaves it). Message boxes are
// recorded and answered with OK.
struct OpenAnswer {
    std::string name;
    bool ok = true;
    int read_only = -1;
};
struct OpenSeen {
    std::string folder;  // where the dialog started
    bool read_only_checked;
};
std::deque<OpenAnswer> answers;
std::vector<OpenSeen> opens_seen;
std::vector<std::string> box_texts;  // each box checked to be an error box

void press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, id, reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void answer_dialog(HWND dialog) {
    if (HWND text = GetDlgItem(dialog, 0xFFFF)) {  // a message box's text
        EXPECT_EQ(ERROR_BOX_CAPTION, window_text(dialog));
        box_texts.push_back(window_text(text));
        press(dialog, IDOK);
        return;
    }
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected dialog \"" << window_text(dialog) << "\"";
        press(dialog, IDCANCEL);
        return;
    }
    OpenAnswer next = answers.front();
    answers.pop_front();
    char folder[MAX_PATH] = "";
    SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
    opens_seen.push_back({folder, IsDlgButtonChecked(dialog, chx1) == BST_CHECKED});
    // The file name box: an editable combo box in newer dialogs, an edit in older.
    SetWindowTextA(GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1),
                   next.name.c_str());
    if (next.read_only >= 0) {
        CheckDlgButton(dialog, chx1, next.read_only == 1 ? BST_CHECKED : BST_UNCHECKED);
    }
    press(dialog, next.ok ? IDOK : IDCANCEL);
}

void script_dialogs(std::vector<OpenAnswer> list) {
    answers.assign(list.begin(), list.end());
    opens_seen.clear();
    box_texts.clear();
    set_dialog_handler(answer_dialog);
}

StreamFile open_file() {
    StreamFile file;
    stream_get_file(&file);
    return file;
}

class OpenFile : public ::testing::Test {
protected:
    void SetUp() override {
        set_read_only(0);
        start_in(dir_.dir());
    }
    void start_in(const std::string& folder) {
        set_working_directory(folder.c_str(), static_cast<int>(folder.size()));
    }
    std::string label(int number, const std::string& path) {
        return ("&" + std::to_string(number) + "  " + path).substr(0, 255);
    }

    HWND window_ = test_main_window();
    TempDir dir_;
};

TEST_F(OpenFile, CompletesTheNameRemembersTheFolderAndTakesTheReadOnlyBox) {
    // "C:" alone would name the drive's current folder, not its root.
    SetEnvironmentVariableA("=C:", "C:\\windows");
    const std::string in_root = "C:\\bitdek-files-root-test.ac3";
    const std::string kept = dir_.path("s.ac3");
    write_stream_file(kept, 3);
    const auto bytes = read_file_bytes(kept);
    script_dialogs({{"take2"}, {"x.Ac3"}, {in_root}, {"never", false}, {kept}, {kept, true, 0}});
    auto expect_open = [&](const std::string& name, int read_only) {
        ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
        EXPECT_EQ(name, open_file().name);
        EXPECT_EQ(read_only, open_file().read_only);
        close_file();
    };
    expect_open(dir_.path("take2.AC3"), 0);
    EXPECT_EQ(dir_.dir(), working_directory());
    // Only the two exact spellings of the extension are taken as they are.
    expect_open(dir_.path("x.Ac3.AC3"), 0);
    expect_open(in_root, 0);
    DeleteFileA(in_root.c_str());
    EXPECT_EQ("C:", working_directory());
    EXPECT_EQ(Rc(RC_CANCELLED), Rc(open_file_dialog(window_)));

    // The box starts as the preference and decides the open; a recent-file
    // command always takes the preference.
    set_read_only(1);
    expect_open(kept, 1);
    expect_open(kept, 0);
    ASSERT_EQ(Rc(RC_OK), Rc(open_recent_file(window_, CMD_RECENT_FILE_1)));
    EXPECT_EQ(1, open_file().read_only);
    close_file();
    EXPECT_EQ(bytes, read_file_bytes(kept));

    ASSERT_EQ(6u, opens_seen.size());
    EXPECT_EQ(dir_.dir(), opens_seen[2].folder);
    EXPECT_EQ("C:\\", opens_seen[3].folder);
    EXPECT_TRUE(box_texts.empty());
}

TEST_F(OpenFile, FailedOpensReportAndChangeNothingAndTheLongestPathOpens) {
    const std::string folder = dir_.path(std::string(120, 'f'));
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    auto name_for = [&](size_t total) { return std::string(total - folder.size() - 1, 'n'); };
    const std::string locked = dir_.path("locked.ac3");
    const std::string junk = dir_.path("junk.ac3");
    write_stream_file(locked, 2);
    write_file_bytes(junk, std::vector<uint8_t>(300, 'j'));
    // 251 characters and ".AC3" fill the 255 a path may have; 252 do not;
    // 257 do not fit the dialog's own buffer.
    script_dialogs({{junk}, {locked}, {name_for(252)}, {name_for(257)}, {name_for(251)}});
    recent_add_for_window(window_, locked.c_str());  // as the settings file would
    recent_add_for_window(window_, junk.c_str());
    start_in(folder);
    // Nobody else may open the file while the test holds it.
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    const auto menu = file_menu(window_);
    const auto list = recent_list();

    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(open_recent_file(window_, CMD_RECENT_FILE_1)));
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(open_recent_file(window_, CMD_RECENT_FILE_2)));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(open_file_dialog(window_)));
    }
    CloseHandle(lock);
    EXPECT_EQ((std::vector<std::string>{"Invalid File Format.", "Can't open file.",
                                        "Invalid File Format.", "Can not open file.",
                                        "Can not open file.", "Can not open file."}),
              box_texts);
    EXPECT_EQ(menu, file_menu(window_));
    EXPECT_EQ(list, recent_list());
    EXPECT_EQ(folder, working_directory());
    EXPECT_EQ(std::vector<uint8_t>(300, 'j'), read_file_bytes(junk));

    ASSERT_EQ(Rc(RC_OK), Rc(open_file_dialog(window_)));
    const std::string longest = folder + "\\" + name_for(251) + ".AC3";
    EXPECT_EQ(longest, open_file().name);
    EXPECT_EQ(longest, recent_list()[0]);
    EXPECT_EQ(label(1, longest), file_menu(window_).at(3)) << "cut to its buffer";
    close_file();
}

TEST_F(OpenFile, RecentListMovesToFrontDropsTheFourthAndRenumbers) {
    std::vector<std::string> p;
    for (char name : std::string("PQRST")) {
        p.push_back(dir_.path(name + std::string(".AC3")));
    }
    // An empty path (an unused settings key) is no entry.
    for (const std::string& path : {p[3], p[2], p[1], p[0], std::string()}) {
        recent_add_for_window(window_, path.c_str());
    }
    ASSERT_EQ(Rc(RC_OK), Rc(open_recent_file(window_, CMD_RECENT_FILE_3)));
    close_file();
    recent_add_for_window(window_, p[4].c_str());
    const std::vector<std::string> order{p[4], p[2], p[0], p[1]};
    EXPECT_EQ(order, recent_list());
    HMENU menu = GetSubMenu(GetMenu(window_), 0);
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        EXPECT_EQ(label(i + 1, order[i]), file_menu(window_).at(3 + i));
        EXPECT_EQ(CMD_RECENT_FILE_1 + i, static_cast<int>(GetMenuItemID(menu, 3 + i)));
    }
}

}  // namespace
