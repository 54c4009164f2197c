// The preferences dialog run modally from a real main window; each case
// drives the controls from inside the modal loop, then presses OK.
#include "ui/preferences_dialog.h"

#include <gtest/gtest.h>

#include "settings/prefs.h"
#include "settings/settings_file.h"
#include "tests/scripted_wave/scripted_wave.h"
#include "tests/ui_files/ui_test_support.h"
#include "ui/resources/preferences_ids.h"

namespace {

// A check box as "enabled/checked" flags, e.g. "10": enabled, unchecked.
std::string box(HWND dialog, int id) {
    return std::string(IsWindowEnabled(GetDlgItem(dialog, id)) ? "1" : "0") +
           (IsDlgButtonChecked(dialog, id) == BST_CHECKED ? "1" : "0");
}

// Chooses entry index of a drop-down list as the user does: the list changes
// its selection and tells the dialog.
void choose(HWND dialog, int id, int index) {
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The entries of a drop-down list, the selected one marked with "*".
std::vector<std::string> entries(HWND dialog, int id) {
    std::vector<std::string> texts;
    const LRESULT count = SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
    const LRESULT selected = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[512] = "";
        SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(i),
                            reinterpret_cast<LPARAM>(text));
        texts.push_back((i == selected ? "*" : "") + std::string(text));
    }
    return texts;
}

// The chosen devices, play and record, as "play|record".
std::string devices() {
    char play[DEVICE_NAME_CHARS], rec[DEVICE_NAME_CHARS];
    get_play_device(play);
    get_rec_device(rec);
    return std::string(play) + "|" + rec;
}

std::string settings_path() {
    char path[SETTINGS_PATH_CHARS] = "";
    settings_file_path(path);
    return path;
}

std::string stored(const char* key) {
    char value[256] = "";
    GetPrivateProfileStringA(SECTION_PREFERENCES, key, "(absent)", value, sizeof value,
                             settings_path().c_str());
    return value;
}

class PreferencesDialog : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = create_test_main_window();
        scripted_wave_reset();
        set_play_device("");
        set_rec_device("");
    }
    void TearDown() override { DestroyWindow(window_); }

    // Runs the dialog; drive gets it once it is up and must press OK.
    void run(std::function<void(HWND)> drive) {
        int shown = 0;
        set_dialog_handler([&](HWND dialog) {
            ++shown;
            drive(dialog);
        });
        EXPECT_EQ(IDOK, DialogBoxParamA(GetModuleHandleA(nullptr), PREFERENCES_DIALOG_NAME, window_,
                                        preferences_dialog_proc, 0));
        set_dialog_handler(nullptr);
        EXPECT_EQ(1, shown);
    }

    HWND window_ = nullptr;
};

TEST_F(PreferencesDialog, ShowsTheStoredValuesAndStoresTheControlsOnOk) {
    // ERRCHECK 2 is not "on" for its box; a layout without time code leaves
    // that box disabled and unchecked, so OK stores REQUIRETC 0.
    set_prefs({1, 1, 2, 1, 1, 0});
    run([](HWND dialog) {
        EXPECT_EQ("16-bit channel 1", window_text(GetDlgItem(dialog, IDC_PREF_OUTPUT_FORMAT)));
        EXPECT_EQ("Normal", window_text(GetDlgItem(dialog, IDC_PREF_RECORD_FORMAT)));
        EXPECT_EQ("00", box(dialog, IDC_PREF_REQUIRE_TC));
        EXPECT_EQ("10", box(dialog, IDC_PREF_ERR_CHECK));
        EXPECT_EQ("11", box(dialog, IDC_PREF_READ_ONLY));
        choose(dialog, IDC_PREF_OUTPUT_FORMAT, 2);
        click_button(dialog, IDOK);
    });
    EXPECT_EQ((Prefs{2, 1, 0, 0, 1, 0}), current_prefs());

    // Values beyond the lists show no selection and are kept.
    set_prefs({7, 5, 1, 1, 0, 0});
    run([](HWND dialog) {
        for (int id : {IDC_PREF_OUTPUT_FORMAT, IDC_PREF_RECORD_FORMAT}) {
            EXPECT_EQ(CB_ERR, SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
        }
        click_button(dialog, IDOK);
    });
    EXPECT_EQ((Prefs{7, 5, 1, 0, 0, 0}), current_prefs());
}

TEST_F(PreferencesDialog, TimeCodeBoxFollowsTheRecordFormat) {
    set_prefs({0, 0, 1, 1, 0, 0});
    run([](HWND dialog) {
        EXPECT_EQ("11", box(dialog, IDC_PREF_REQUIRE_TC));
        choose(dialog, IDC_PREF_RECORD_FORMAT, 2);
        EXPECT_EQ("01", box(dialog, IDC_PREF_REQUIRE_TC)) << "disabled, the mark stays";
        click_button(dialog, IDOK);
    });
    EXPECT_EQ((Prefs{0, 2, 1, 1, 0, 0}), current_prefs());

    set_prefs({0, 1, 1, 1, 0, 0});
    run([](HWND dialog) {
        choose(dialog, IDC_PREF_RECORD_FORMAT, 0);
        EXPECT_EQ("11", box(dialog, IDC_PREF_REQUIRE_TC)) << "the mark from the stored value";
        // The time code and read-only boxes store at once, the CRC box on OK.
        click_button(dialog, IDC_PREF_REQUIRE_TC);
        click_button(dialog, IDC_PREF_READ_ONLY);
        click_button(dialog, IDC_PREF_ERR_CHECK);
        EXPECT_EQ((Prefs{0, 1, 1, 0, 1, 0}), current_prefs());
        choose(dialog, IDC_PREF_RECORD_FORMAT, 1);
        choose(dialog, IDC_PREF_RECORD_FORMAT, 0);
        EXPECT_EQ("10", box(dialog, IDC_PREF_REQUIRE_TC));
        click_button(dialog, IDC_PREF_REQUIRE_TC);
        click_button(dialog, IDOK);
    });
    EXPECT_EQ((Prefs{0, 0, 0, 1, 1, 0}), current_prefs());
}

// The lists offer the devices present in the system's order; the choice is
// stored by name in BITDEK.INI and found again by the next run, wherever the
// device then stands in the list.
TEST_F(PreferencesDialog, DeviceChoiceIsStoredByNameAndFoundAgain) {
    const ListedDevice speakers{"Speakers", false}, digital{"Digital Output", false};
    const ListedDevice line{"Line In", false}, digital_in{"Digital Input", false};
    scripted_wave_list_devices({speakers, digital}, {line, digital_in});
    set_prefs({0, 0, 1, 1, 0, 0});
    set_rec_device("Digital Input");
    run([](HWND dialog) {
        EXPECT_EQ((std::vector<std::string>{"*Default device", "Speakers", "Digital Output"}),
                  entries(dialog, IDC_PREF_PLAY_DEVICE));
        EXPECT_EQ((std::vector<std::string>{"Default device", "Line In", "*Digital Input"}),
                  entries(dialog, IDC_PREF_REC_DEVICE));
        choose(dialog, IDC_PREF_PLAY_DEVICE, 2);
        choose(dialog, IDC_PREF_REC_DEVICE, 0);
        click_button(dialog, IDOK);
    });
    EXPECT_EQ("Digital Output|", devices());

    DeleteFileA(settings_path().c_str());
    save_settings(window_);
    // The profile service may cache the file: have it written out first.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, settings_path().c_str());
    EXPECT_EQ("Digital Output", stored(KEY_PLAYDEVICE));
    EXPECT_EQ("", stored(KEY_RECDEVICE));

    set_play_device("");
    set_rec_device("Line In");
    load_settings(window_);
    DeleteFileA(settings_path().c_str());
    scripted_wave_list_devices({digital, speakers}, {digital_in});
    run([](HWND dialog) {
        EXPECT_EQ((std::vector<std::string>{"Default device", "*Digital Output", "Speakers"}),
                  entries(dialog, IDC_PREF_PLAY_DEVICE));
        EXPECT_EQ((std::vector<std::string>{"*Default device", "Digital Input"}),
                  entries(dialog, IDC_PREF_REC_DEVICE));
        click_button(dialog, IDOK);
    });
    EXPECT_EQ("Digital Output|", devices());
}

// A chosen device that is not present is shown as such and kept, never
// replaced by another; choosing an entry replaces it.
TEST_F(PreferencesDialog, MissingDeviceIsShownAndKeptUntilAnotherIsChosen) {
    scripted_wave_list_devices({{"Speakers", false}}, {});
    set_play_device("USB Audio");
    set_rec_device("USB Audio In");
    run([](HWND dialog) {
        EXPECT_EQ(
            (std::vector<std::string>{"Default device", "Speakers", "*USB Audio (not present)"}),
            entries(dialog, IDC_PREF_PLAY_DEVICE));
        EXPECT_EQ((std::vector<std::string>{"Default device", "*USB Audio In (not present)"}),
                  entries(dialog, IDC_PREF_REC_DEVICE));
        click_button(dialog, IDOK);
    });
    EXPECT_EQ("USB Audio|USB Audio In", devices());
    run([](HWND dialog) {
        choose(dialog, IDC_PREF_PLAY_DEVICE, 1);
        choose(dialog, IDC_PREF_REC_DEVICE, 0);
        click_button(dialog, IDOK);
    });
    EXPECT_EQ("Speakers|", devices());
}

TEST_F(PreferencesDialog, EscapeAndTheCloseBoxLeaveItOpen) {
    set_prefs({0, 0, 1, 1, 0, 0});
    bool still_open = false;
    run([&](HWND dialog) {
        HWND ok = GetDlgItem(dialog, IDOK);
        SetFocus(ok);
        PostMessageA(ok, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        // The close box's cancel is itself posted: look after it has run. A
        // dialog that had ended would have left its loop, and the step not run.
        post_step(
            window_,
            [&still_open, dialog] {
                still_open = IsWindow(dialog) != 0;
                click_button(dialog, IDOK);
            },
            3);
    });
    EXPECT_TRUE(still_open);
    EXPECT_EQ((Prefs{0, 0, 1, 1, 0, 0}), current_prefs());
}

}  // namespace
