// The preferences dialog run modally from a real main window; each case
// drives the dialog's controls from inside its modal loop and then presses OK.
#include "ui/preferences_dialog.h"

#include <gtest/gtest.h>

#include <functional>

#include "settings/prefs.h"
#include "tests/ui_files/test_window.h"
#include "ui/resources/preferences_ids.h"

namespace {

struct Prefs {
    int spdif, rec, err, tc, ro;
    bool operator==(const Prefs&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Prefs& p) {
    return os << p.spdif << "," << p.rec << "," << p.err << "," << p.tc << "," << p.ro;
}
Prefs current_prefs() {
    return {get_spdif_mode(), get_rec_format(), get_err_check(), get_require_tc(), get_read_only()};
}
void set_prefs(const Prefs& p) {
    set_spdif_mode(p.spdif);
    set_rec_format(p.rec);
    set_err_check(p.err);
    set_require_tc(p.tc);
    set_read_only(p.ro);
}

// What a check box looks like: enabled and checked.
struct Box {
    bool enabled, checked;
    bool operator==(const Box&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << (b.enabled ? "enabled" : "disabled") << "/"
              << (b.checked ? "checked" : "unchecked");
}
Box box(HWND dialog, int id) {
    return {IsWindowEnabled(GetDlgItem(dialog, id)) != 0,
            IsDlgButtonChecked(dialog, id) == BST_CHECKED};
}

int selection(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

// Chooses entry index of a drop-down list as the user does: the list changes
// its selection and tells the dialog.
void choose(HWND dialog, int id, int index) {
    HWND list = GetDlgItem(dialog, id);
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

class PreferencesDialog : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = create_test_main_window();
        ASSERT_NE(nullptr, window_);
    }
    void TearDown() override {
        set_dialog_handler(nullptr);
        DestroyWindow(window_);
    }

    // Runs the dialog; drive is called with it once it is up and must end it
    // (or arrange for it to end). Returns false when the dialog never showed.
    bool run(std::function<void(HWND)> drive) {
        bool shown = false;
        set_dialog_handler([&](HWND dialog) {
            if (window_text(dialog) != "Preferences") {
                ADD_FAILURE() << "unexpected window " << window_text(dialog);
                PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                return;
            }
            shown = true;
            drive(dialog);
        });
        INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), PREFERENCES_DIALOG_NAME,
                                         window_, preferences_dialog_proc, 0);
        EXPECT_NE(-1, result);
        set_dialog_handler(nullptr);
        return shown;
    }

    HWND window_ = nullptr;
};

TEST_F(PreferencesDialog, ShowsTheStoredValuesAndStoresTheControlsOnOk) {
    // ERRCHECK 2 is not "on" for the box; a format without time code leaves
    // its box disabled and unchecked, so OK stores REQUIRETC 0.
    set_prefs({1, 1, 2, 1, 1});
    ASSERT_TRUE(run([](HWND dialog) {
        EXPECT_EQ(3, SendDlgItemMessageA(dialog, IDC_PREF_OUTPUT_FORMAT, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(1, selection(dialog, IDC_PREF_OUTPUT_FORMAT));
        EXPECT_EQ(1, selection(dialog, IDC_PREF_RECORD_FORMAT));
        EXPECT_EQ("16-bit channel 1", window_text(GetDlgItem(dialog, IDC_PREF_OUTPUT_FORMAT)));
        EXPECT_EQ("Normal", window_text(GetDlgItem(dialog, IDC_PREF_RECORD_FORMAT)));
        EXPECT_EQ((Box{false, false}), box(dialog, IDC_PREF_REQUIRE_TC));
        EXPECT_EQ((Box{true, false}), box(dialog, IDC_PREF_ERR_CHECK));
        EXPECT_EQ((Box{true, true}), box(dialog, IDC_PREF_READ_ONLY));
        choose(dialog, IDC_PREF_OUTPUT_FORMAT, 2);
        click_button(dialog, IDOK);
    }));
    EXPECT_EQ((Prefs{2, 1, 0, 0, 1}), current_prefs());
}

TEST_F(PreferencesDialog, TimeCodeBoxFollowsTheRecordFormat) {
    set_prefs({0, 0, 1, 1, 0});
    ASSERT_TRUE(run([](HWND dialog) {
        EXPECT_EQ((Box{true, true}), box(dialog, IDC_PREF_REQUIRE_TC));
        // Away from "Normal + Time Code": disabled, the mark stays.
        choose(dialog, IDC_PREF_RECORD_FORMAT, 2);
        EXPECT_EQ((Box{false, true}), box(dialog, IDC_PREF_REQUIRE_TC));
        click_button(dialog, IDOK);
    }));
    EXPECT_EQ((Prefs{0, 2, 1, 1, 0}), current_prefs());

    set_prefs({0, 1, 1, 1, 0});
    ASSERT_TRUE(run([](HWND dialog) {
        EXPECT_EQ((Box{false, false}), box(dialog, IDC_PREF_REQUIRE_TC));
        // Back to "Normal + Time Code": the mark comes from the stored value.
        choose(dialog, IDC_PREF_RECORD_FORMAT, 0);
        EXPECT_EQ((Box{true, true}), box(dialog, IDC_PREF_REQUIRE_TC));
        // The time code and read-only boxes store at once, the CRC box on OK.
        click_button(dialog, IDC_PREF_REQUIRE_TC);
        click_button(dialog, IDC_PREF_READ_ONLY);
        click_button(dialog, IDC_PREF_ERR_CHECK);
        EXPECT_EQ((Box{true, false}), box(dialog, IDC_PREF_REQUIRE_TC));
        EXPECT_EQ((Box{true, true}), box(dialog, IDC_PREF_READ_ONLY));
        EXPECT_EQ((Box{true, false}), box(dialog, IDC_PREF_ERR_CHECK));
        EXPECT_EQ((Prefs{0, 1, 1, 0, 1}), current_prefs());
        // Out and in again: the mark follows the value just stored.
        choose(dialog, IDC_PREF_RECORD_FORMAT, 1);
        choose(dialog, IDC_PREF_RECORD_FORMAT, 0);
        EXPECT_EQ((Box{true, false}), box(dialog, IDC_PREF_REQUIRE_TC));
        click_button(dialog, IDC_PREF_REQUIRE_TC);
        click_button(dialog, IDOK);
    }));
    EXPECT_EQ((Prefs{0, 0, 0, 1, 1}), current_prefs());
}

TEST_F(PreferencesDialog, EscapeAndTheCloseBoxLeaveItOpen) {
    set_prefs({0, 0, 1, 1, 0});
    HWND window = window_;
    bool still_open = false;
    ASSERT_TRUE(run([&](HWND dialog) {
        HWND ok = GetDlgItem(dialog, IDOK);
        SetFocus(ok);
        PostMessageA(ok, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        // The close box's cancel is itself posted: look after it has run. An
        // ended dialog would have left its modal loop, and the step not run.
        post_step(
            window,
            [&still_open, dialog] {
                still_open = IsWindow(dialog) != 0;
                click_button(dialog, IDOK);
            },
            3);
    }));
    EXPECT_TRUE(still_open);
    EXPECT_EQ((Prefs{0, 0, 1, 1, 0}), current_prefs());
}

TEST_F(PreferencesDialog, ValuesBeyondTheListsAreKept) {
    set_prefs({7, 5, 1, 1, 0});
    ASSERT_TRUE(run([](HWND dialog) {
        EXPECT_EQ(CB_ERR, selection(dialog, IDC_PREF_OUTPUT_FORMAT));
        EXPECT_EQ(CB_ERR, selection(dialog, IDC_PREF_RECORD_FORMAT));
        EXPECT_EQ((Box{false, false}), box(dialog, IDC_PREF_REQUIRE_TC));
        click_button(dialog, IDOK);
    }));
    EXPECT_EQ((Prefs{7, 5, 1, 0, 0}), current_prefs());
}

}  // namespace
