// The preferences dialog run modally from a real main window; each case
// drives the controls from inside the modal loop, then presses OK.
#include "ui/preferences_dialog.h"

#include <gtest/gtest.h>

#include "audio/wave_device.h"
#include "settings/prefs.h"
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

// Runs the dialog over the main window; drive gets it once it is up and must press OK.
void run(std::function<void(HWND)> drive) {
    int shown = 0;
    set_dialog_handler([&](HWND dialog) {
        ++shown;
        drive(dialog);
    });
    EXPECT_EQ(IDOK, DialogBoxParamA(GetModuleHandleA(nullptr), PREFERENCES_DIALOG_NAME,
                                    test_main_window(), preferences_dialog_proc, 0));
    set_dialog_handler(nullptr);
    EXPECT_EQ(1, shown);
}

TEST(PreferencesDialog, ShowsTheStoredValuesAndStoresTheControls) {
    // ERRCHECK 2 is not "on" for its box; a layout without time code leaves
    // that box disabled and unchecked.
    set_prefs({1, 1, 2, 1, 1, 0});
    run([](HWND dialog) {
        EXPECT_EQ("16-bit channel 1", window_text(GetDlgItem(dialog, IDC_PREF_OUTPUT_FORMAT)));
        EXPECT_EQ("Normal", window_text(GetDlgItem(dialog, IDC_PREF_RECORD_FORMAT)));
        EXPECT_EQ("00", box(dialog, IDC_PREF_REQUIRE_TC));
        EXPECT_EQ("10", box(dialog, IDC_PREF_ERR_CHECK));
        EXPECT_EQ("11", box(dialog, IDC_PREF_READ_ONLY));
        // The time code box follows the record format, its mark from the
        // stored value; disabled, the mark stays.
        choose(dialog, IDC_PREF_RECORD_FORMAT, 0);
        EXPECT_EQ("11", box(dialog, IDC_PREF_REQUIRE_TC));
        choose(dialog, IDC_PREF_RECORD_FORMAT, 2);
        EXPECT_EQ("01", box(dialog, IDC_PREF_REQUIRE_TC));
        choose(dialog, IDC_PREF_RECORD_FORMAT, 0);
        // The time code and read-only boxes store at once, the CRC box on OK.
        click_button(dialog, IDC_PREF_REQUIRE_TC);
        click_button(dialog, IDC_PREF_READ_ONLY);
        click_button(dialog, IDC_PREF_ERR_CHECK);
        EXPECT_EQ((Prefs{1, 1, 2, 0, 0, 0}), current_prefs());
        choose(dialog, IDC_PREF_OUTPUT_FORMAT, 2);
        click_button(dialog, IDOK);
    });
    EXPECT_EQ((Prefs{2, 0, 1, 0, 0, 0}), current_prefs());
}

// Values beyond the lists show no selection and are kept. Cancel, from
// Escape or the close box, closes nothing: only OK ends the dialog.
TEST(PreferencesDialog, UnknownValuesAreKeptAndOnlyOkCloses) {
    set_prefs({7, 5, 1, 1, 0, 0});
    run([](HWND dialog) {
        for (int id : {IDC_PREF_OUTPUT_FORMAT, IDC_PREF_RECORD_FORMAT}) {
            EXPECT_EQ(CB_ERR, SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
        }
        HWND ok = GetDlgItem(dialog, IDOK);
        SetFocus(ok);
        PostMessageA(ok, WM_KEYDOWN, VK_ESCAPE, 0);
        // The close box's Cancel is posted while this runs, OK after it.
        SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(ok));
    });
    EXPECT_EQ((Prefs{7, 5, 1, 0, 0, 0}), current_prefs());
}

// The lists offer the devices present in the system's order and select the
// choice by name, two of one name told apart (also from one named as the
// second of them); a chosen device that is not present is shown as such and
// kept, never replaced by another, until an entry is chosen.
TEST(PreferencesDialog, DeviceListsSelectTheChoiceByNameAndKeepAMissingOne) {
    scripted_wave_list_devices(
        {{"Out", false}, {"Digital", false}, {"Out", false}, {"Out (2)", false}},
        {{"Line In", false}});
    set_prefs({0, 0, 1, 1, 0, 0, "Digital", "USB Audio In"});
    run([](HWND dialog) {
        EXPECT_EQ((std::vector<std::string>{"Default device", "Out", "*Digital", "Out (2)",
                                            "Out (2) (2)"}),
                  entries(dialog, IDC_PREF_PLAY_DEVICE));
        EXPECT_EQ(
            (std::vector<std::string>{"Default device", "Line In", "*USB Audio In (not present)"}),
            entries(dialog, IDC_PREF_REC_DEVICE));
        click_button(dialog, IDOK);
    });
    EXPECT_EQ((Prefs{0, 0, 1, 1, 0, 0, "Digital", "USB Audio In"}), current_prefs());
    run([](HWND dialog) {
        choose(dialog, IDC_PREF_PLAY_DEVICE, 4);
        choose(dialog, IDC_PREF_REC_DEVICE, 0);
        click_button(dialog, IDOK);
    });
    EXPECT_EQ((Prefs{0, 0, 1, 1, 0, 0, "Out (2) (2)", ""}), current_prefs());
    int id = -1;
    EXPECT_TRUE(find_playback_device(&id));
    EXPECT_EQ(3, id) << "the card chosen";
}

}  // namespace
