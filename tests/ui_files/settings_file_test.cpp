// The settings file under Wine: BITDEK.INI really lives in the prefix's
// Windows directory; it is moved aside for the run and put back (or deleted)
// at the end. The first test relies on running first in a fresh process: it
// sees the preferences and the recent list as the program starts with them.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include "common/result.h"
#include "tests/support/test_files.h"
#include "tests/ui_files/ui_test_support.h"
#include "ui/open_file.h"

namespace {

std::string ini_path() {
    char path[SETTINGS_PATH_CHARS];
    EXPECT_TRUE(settings_file_path(path));
    return path;
}

// Writes out what the profile service may cache of the file, then removes it.
void remove_ini() {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini_path().c_str());
    DeleteFileA(ini_path().c_str());
}

// Moves the real file aside for the run and puts it back (or deletes ours).
class IniFileGuard : public ::testing::Environment {
    void SetUp() override {
        if ((had_file_ = file_exists(ini_path()))) {
            saved_ = read_file_bytes(ini_path());
        }
        remove_ini();
    }
    void TearDown() override {
        remove_ini();
        if (had_file_) {
            write_file_bytes(ini_path(), saved_);
        }
    }
    bool had_file_ = false;
    std::vector<uint8_t> saved_;
};
::testing::Environment* const ini_guard = ::testing::AddGlobalTestEnvironment(new IniFileGuard);

void write_key(const char* section, const char* key, const std::string& value) {
    WritePrivateProfileStringA(section, key, value.c_str(), ini_path().c_str());
}

void move_to(HWND window, int left, int top) {
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT window_rect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

TEST(SettingsFile, MissingFileGivesDefaultsAndWhatIsSavedLoadsAgain) {
    ASSERT_FALSE(file_exists(ini_path()));
    HWND window = test_main_window();
    load_settings(window);
    const Prefs defaults{0, 0, 1, 1, 0, 0};
    EXPECT_EQ(defaults, current_prefs());
    EXPECT_EQ(std::vector<std::string>(4, ""), recent_list());

    // A run that opened three files, and hand-edited values: passed on as they
    // are, but a path longer than 255 characters is refused, not cut to name
    // another file, and a TOP near the largest number goes as far as a large
    // one, not round to the other side.
    write_key(SECTION_WINDOW_PLACEMENT, KEY_TOP, "10000");
    load_settings(window);
    const LONG low = window_rect(window).top;
    const std::string too_long = "C:\\" + std::string(253, 'x');
    write_key(SECTION_RECENT_FILES, "FILE1", "C:\\rec\\p.ac3");
    write_key(SECTION_RECENT_FILES, "FILE2", "C:\\rec\\Q.AC3");
    write_key(SECTION_RECENT_FILES, "FILE3", "D:\\r.ac3");
    write_key(SECTION_RECENT_FILES, "FILE4", too_long);
    write_key(SECTION_WORKING_DIRECTORY, KEY_DIRECTORY, too_long);
    write_key(SECTION_PREFERENCES, KEY_SPDIFMODE, "7");
    write_key(SECTION_PREFERENCES, KEY_PLAYDEVICE, "Old Card");
    write_key(SECTION_WINDOW_PLACEMENT, KEY_LEFT, "-20");
    write_key(SECTION_WINDOW_PLACEMENT, KEY_TOP, "2147483600");
    load_settings(window);
    const std::vector<std::string> list{"C:\\rec\\p.ac3", "C:\\rec\\Q.AC3", "D:\\r.ac3", ""};
    EXPECT_EQ(list, recent_list());
    EXPECT_EQ(8u, file_menu(window).size());
    EXPECT_EQ("", working_directory());
    EXPECT_EQ(7, current_prefs().spdif);
    EXPECT_EQ("Old Card", current_prefs().play_device);
    EXPECT_EQ(-20, window_rect(window).left);
    EXPECT_EQ(low, window_rect(window).top);

    // Saving writes every key again, the unused one empty; closed while
    // minimised, the restored position is kept.
    write_key(SECTION_RECENT_FILES, "FILE4", "stale");
    move_to(window, 140, 90);
    // Names that the profile functions would trim read back exactly.
    const Prefs chosen{2, 1, 0, 0, 1, 2, "S/PDIF Out ", "'Line In'"};
    set_prefs(chosen);
    set_working_directory("C:\\rec\\sub\\take.ac3", 10);
    ShowWindow(window, SW_MINIMIZE);
    save_settings(window);
    ShowWindow(window, SW_RESTORE);

    set_prefs(defaults);
    set_working_directory("", 0);
    move_to(window, 300, 200);
    load_settings(window);
    EXPECT_EQ(chosen, current_prefs());
    EXPECT_EQ(list, recent_list());
    EXPECT_EQ("C:\\rec\\sub", working_directory());
    EXPECT_EQ(140, window_rect(window).left);
    EXPECT_EQ(90, window_rect(window).top);
}

// Where the Windows directory's file cannot be written, the settings go to
// %APPDATA%\bitdek\BITDEK.INI, which is read first from then on; the user's
// old file stays as it was. Under Wine a file is held open without write
// sharing to refuse the writes (root ignores read-only attributes), and
// APPDATA names a test folder, outside the ANSI code page, for the run of
// this test. A per-user file that refuses writes loses the run's choices,
// and save_settings says so.
TEST(SettingsFile, AFileThatCannotBeWrittenGivesWayToThePerUserFile) {
    TempDir temp;
    wchar_t real_appdata[SETTINGS_PATH_CHARS] = L"";
    GetEnvironmentVariableW(L"APPDATA", real_appdata, SETTINGS_PATH_CHARS);
    const std::wstring appdata = std::wstring(temp.dir().begin(), temp.dir().end()) + L"\\\x4E2D";
    const std::wstring user = appdata + L"\\bitdek\\BITDEK.INI";
    CreateDirectoryW(appdata.c_str(), nullptr);
    SetEnvironmentVariableW(L"APPDATA", appdata.c_str());

    write_key(SECTION_PREFERENCES, KEY_SPDIFMODE, "1");
    HANDLE held = CreateFileA(ini_path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    const Prefs chosen{2, 2, 1, 0, 0, 1};
    set_prefs(chosen);
    EXPECT_EQ(RC_OK, save_settings(test_main_window()));
    CloseHandle(held);
    EXPECT_EQ(1u, GetPrivateProfileIntA(SECTION_PREFERENCES, KEY_SPDIFMODE, 9, ini_path().c_str()));

    set_prefs(Prefs{0, 0, 1, 1, 0, 0});
    load_settings(test_main_window());
    EXPECT_EQ(chosen, current_prefs());

    held = CreateFileW(user.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(RC_WRITE_FAILED, save_settings(test_main_window()));
    CloseHandle(held);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, user.c_str());
    DeleteFileW(user.c_str());
    RemoveDirectoryW((appdata + L"\\bitdek").c_str());
    RemoveDirectoryW(appdata.c_str());
    SetEnvironmentVariableW(L"APPDATA", real_appdata);
}

}  // namespace
