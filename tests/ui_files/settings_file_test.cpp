// The settings file under Wine: BITDEK.INI really lives in the prefix's
// Windows directory. The file is moved out of the way for the run and put
// back (or deleted) at the end. The first two tests rely on running first, in
// a fresh process: they see the preferences' and the recent list's start.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/prefs.h"
#include "tests/support/test_files.h"
#include "tests/ui_files/file_dialogs.h"
#include "tests/ui_files/test_window.h"
#include "ui/open_file.h"

namespace {

std::string ini_path() {
    char path[SETTINGS_PATH_CHARS];
    EXPECT_TRUE(settings_file_path(path));
    return path;
}

// The profile service may keep the file cached; this writes it out.
void flush_profile() {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini_path().c_str());
}

class IniFileGuard : public ::testing::Environment {
public:
    void SetUp() override {
        had_file_ = file_exists(ini_path());
        if (had_file_) {
            saved_ = read_file_bytes(ini_path());
            DeleteFileA(ini_path().c_str());
        }
    }
    void TearDown() override {
        flush_profile();
        DeleteFileA(ini_path().c_str());
        if (had_file_) {
            write_file_bytes(ini_path(), saved_);
        }
    }

private:
    bool had_file_ = false;
    std::vector<uint8_t> saved_;
};
::testing::Environment* const ini_guard = ::testing::AddGlobalTestEnvironment(new IniFileGuard);

void write_key(const char* section, const char* key, const std::string& value) {
    WritePrivateProfileStringA(section, key, value.c_str(), ini_path().c_str());
}

std::string read_key(const char* section, const char* key) {
    char value[1024];
    GetPrivateProfileStringA(section, key, "<missing>", value, sizeof value, ini_path().c_str());
    return value;
}

struct Prefs {
    int spdif, rec, err, tc, ro, time;
    bool operator==(const Prefs&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Prefs& p) {
    return os << p.spdif << "," << p.rec << "," << p.err << "," << p.tc << "," << p.ro << ","
              << p.time;
}
Prefs current_prefs() {
    return {get_spdif_mode(), get_rec_format(), get_err_check(),
            get_require_tc(), get_read_only(),  get_time_display_mode()};
}
void set_prefs(const Prefs& p) {
    set_spdif_mode(p.spdif);
    set_rec_format(p.rec);
    set_err_check(p.err);
    set_require_tc(p.tc);
    set_read_only(p.ro);
    set_time_display_mode(p.time);
}

RECT window_rect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

TEST(SettingsFile, WithoutAFileEverythingKeepsItsDefault) {
    ASSERT_FALSE(file_exists(ini_path()));
    HWND window = create_test_main_window();
    ASSERT_NE(nullptr, window);
    RECT before = window_rect(window);

    EXPECT_EQ(0, load_settings(window));

    EXPECT_EQ((Prefs{0, 0, 1, 1, 0, 0}), current_prefs());
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        EXPECT_EQ("", recent(i));
    }
    EXPECT_EQ("", working_directory());
    EXPECT_EQ((std::vector<std::string>{"&Open...\tCtrl+O", "&Close", "-", "E&xit\tAlt+X"}),
              file_menu(window));
    RECT after = window_rect(window);
    EXPECT_EQ(before.left, after.left);
    EXPECT_EQ(before.top, after.top);
    DestroyWindow(window);
}

TEST(SettingsFile, ThreeStoredFilesLoadInOrderAndSaveWithAnEmptyFourth) {
    write_key(SECTION_RECENT_FILES, "FILE1", "C:\\rec\\p.ac3");
    write_key(SECTION_RECENT_FILES, "FILE2", "C:\\rec\\Q.AC3");
    write_key(SECTION_RECENT_FILES, "FILE3", "D:\\r.ac3");
    write_key(SECTION_RECENT_FILES, "FILE4", "");
    HWND window = create_test_main_window();
    load_settings(window);

    EXPECT_EQ("C:\\rec\\p.ac3", recent(0));
    EXPECT_EQ("C:\\rec\\Q.AC3", recent(1));
    EXPECT_EQ("D:\\r.ac3", recent(2));
    EXPECT_EQ("", recent(3));
    EXPECT_EQ(
        (std::vector<std::string>{"&Open...\tCtrl+O", "&Close", "-", "&1  C:\\rec\\p.ac3",
                                  "&2  C:\\rec\\Q.AC3", "&3  D:\\r.ac3", "-", "E&xit\tAlt+X"}),
        file_menu(window));

    // Saving rewrites every key; the unused fourth is present and empty.
    write_key(SECTION_RECENT_FILES, "FILE4", "stale");
    save_settings(window);
    flush_profile();
    char section[1024] = {};
    GetPrivateProfileSectionA(SECTION_RECENT_FILES, section, sizeof section, ini_path().c_str());
    std::vector<std::string> lines;
    for (const char* line = section; *line != '\0'; line += std::strlen(line) + 1) {
        lines.push_back(line);
    }
    EXPECT_EQ((std::vector<std::string>{"FILE1=C:\\rec\\p.ac3", "FILE2=C:\\rec\\Q.AC3",
                                        "FILE3=D:\\r.ac3", "FILE4="}),
              lines);
    DestroyWindow(window);
}

TEST(SettingsFile, PreferencesPositionTimeModeAndFolderSurviveSaveAndLoad) {
    HWND window = create_test_main_window();
    RECT size = window_rect(window);
    SetWindowPos(window, nullptr, 140, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const Prefs chosen{2, 1, 0, 0, 1, 2};
    set_prefs(chosen);
    set_working_directory("C:\\rec\\sub\\take.ac3", 10);
    save_settings(window);
    DestroyWindow(window);

    EXPECT_EQ("2", read_key(SECTION_PREFERENCES, KEY_SPDIFMODE));
    EXPECT_EQ("140", read_key(SECTION_WINDOW_PLACEMENT, KEY_LEFT));
    EXPECT_EQ("C:\\rec\\sub", read_key(SECTION_WORKING_DIRECTORY, KEY_DIRECTORY));

    set_prefs(Prefs{0, 0, 1, 1, 0, 0});
    set_working_directory("", 0);
    window = create_test_main_window();
    load_settings(window);

    EXPECT_EQ(chosen, current_prefs());
    EXPECT_EQ("C:\\rec\\sub", working_directory());
    RECT moved = window_rect(window);
    EXPECT_EQ(140, moved.left);
    EXPECT_EQ(90, moved.top);
    EXPECT_EQ(size.right - size.left, moved.right - moved.left);
    EXPECT_EQ(size.bottom - size.top, moved.bottom - moved.top);
    DestroyWindow(window);
}

TEST(SettingsFile, HandEditedValuesArePassedOnAndOverlongPathsRefused) {
    write_key(SECTION_PREFERENCES, KEY_SPDIFMODE, "7");
    write_key(SECTION_PREFERENCES, KEY_PREFRECFORMAT, " +2");
    write_key(SECTION_PREFERENCES, KEY_ERRCHECK, "abc");
    write_key(SECTION_PREFERENCES, KEY_REQUIRETC, "-3x");
    write_key(SECTION_PREFERENCES, KEY_READONLY, "");
    write_key(SECTION_TIME_DISPLAY, KEY_RADIOBUTTON, "9");
    write_key(SECTION_WINDOW_PLACEMENT, KEY_LEFT, "-20");
    write_key(SECTION_WINDOW_PLACEMENT, KEY_TOP, "junk");
    // 256 characters: one more than a path may have. Cut to fit, it would
    // name another file.
    const std::string too_long = "C:\\" + std::string(253, 'x');
    write_key(SECTION_RECENT_FILES, "FILE1", too_long);
    write_key(SECTION_RECENT_FILES, "FILE2", "C:\\kept.ac3");
    write_key(SECTION_WORKING_DIRECTORY, KEY_DIRECTORY, too_long);
    HWND window = create_test_main_window();
    load_settings(window);

    EXPECT_EQ((Prefs{7, 2, 0, -3, 0, 9}), current_prefs());
    RECT moved = window_rect(window);
    EXPECT_EQ(-20, moved.left);
    EXPECT_EQ(0, moved.top);
    EXPECT_EQ("C:\\kept.ac3", recent(0));
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        EXPECT_EQ(std::string::npos, recent(i).find("xxxx")) << i;
    }
    EXPECT_EQ("", working_directory());
    DestroyWindow(window);
}

}  // namespace
