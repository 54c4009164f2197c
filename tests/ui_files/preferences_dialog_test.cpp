// The preferences dialog run modally from a real main window; each case
// drives the controls from inside the modal loop, then presses OK.
#include "ui/preferences_dialog.h"

#include <gtest/gtest.h>

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

class PreferencesDialog : public ::testing::Test {
protected:
    void SetUp() override { window_ = create_test_main_window(); }
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
