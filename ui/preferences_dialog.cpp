#include "ui/preferences_dialog.h"

#include "common/file_format.h"
#include "settings/prefs.h"
#include "ui/main_display.h"
#include "ui/resources/preferences_ids.h"
#include "ui/resources/resource.h"

namespace {

// The selection of the record format list when the dialog last looked: the
// "Require time code packets" box follows changes of it.
int last_record_format;

int combo_selection(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

// The list is filled from consecutive string ids, so its index is the value.
void init_combo(HWND dialog, int id, int first_string, int value) {
    fill_combo_from_strings(dialog, id, first_string, IDS_PREFERENCE_LIST_COUNT);
    enable_control(dialog, id, 1);
    // A value beyond the entries leaves the list without a selection.
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

void init_check_box(HWND dialog, int id, int value) {
    clear_radio(dialog, id);
    enable_control(dialog, id, 1);
    set_checked(dialog, id, value);
}

INT_PTR on_init_dialog(HWND dialog) {
    init_combo(dialog, IDC_PREF_OUTPUT_FORMAT, IDS_OUTPUT_FORMAT_FIRST, get_spdif_mode());
    init_combo(dialog, IDC_PREF_RECORD_FORMAT, IDS_RECORD_FORMAT_FIRST, get_rec_format());
    init_check_box(dialog, IDC_PREF_ERR_CHECK, get_err_check());
    // Time code can only be required of the layout that carries it.
    clear_radio(dialog, IDC_PREF_REQUIRE_TC);
    if (get_rec_format() == FORMAT_NORMAL_TC) {
        enable_control(dialog, IDC_PREF_REQUIRE_TC, 1);
        set_checked(dialog, IDC_PREF_REQUIRE_TC, get_require_tc());
    }
    init_check_box(dialog, IDC_PREF_READ_ONLY, get_read_only());
    last_record_format = combo_selection(dialog, IDC_PREF_RECORD_FORMAT);
    return TRUE;
}

// Ending a modal dialog takes effect after the procedure returns, so the
// controls are still there to be read.
void on_ok(HWND dialog) {
    EndDialog(dialog, IDOK);
    // A list without a selection reports CB_ERR: the stored value stays.
    int output_format = combo_selection(dialog, IDC_PREF_OUTPUT_FORMAT);
    if (output_format != CB_ERR) {
        set_spdif_mode(output_format);
    }
    int record_format = combo_selection(dialog, IDC_PREF_RECORD_FORMAT);
    if (record_format != CB_ERR) {
        set_rec_format(record_format);
    }
    set_err_check(is_checked(dialog, IDC_PREF_ERR_CHECK));
    set_require_tc(is_checked(dialog, IDC_PREF_REQUIRE_TC));
    set_read_only(is_checked(dialog, IDC_PREF_READ_ONLY));
}

// The boxes are manual: a click only reports, the dialog toggles the mark.
int toggle_check_box(HWND dialog, int id) {
    int checked = is_checked(dialog, id) ? 0 : 1;
    set_checked(dialog, id, checked);
    return checked;
}

// Any other command, the lists' notifications among them: follow a new
// record format with the "Require time code packets" box.
INT_PTR on_other_command(HWND dialog) {
    int selection = combo_selection(dialog, IDC_PREF_RECORD_FORMAT);
    if (selection == last_record_format) {
        return FALSE;
    }
    last_record_format = selection;
    switch (selection) {
        case FORMAT_NORMAL_TC:
            enable_control(dialog, IDC_PREF_REQUIRE_TC, 1);
            set_checked(dialog, IDC_PREF_REQUIRE_TC, get_require_tc());
            return TRUE;
        case FORMAT_NORMAL:
        case FORMAT_PC:
            // The mark stays: switching back and forth keeps what was chosen.
            enable_control(dialog, IDC_PREF_REQUIRE_TC, 0);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR on_command(HWND dialog, int id) {
    switch (id) {
        case IDOK:
            on_ok(dialog);
            return TRUE;
        case IDC_PREF_REQUIRE_TC:
            set_require_tc(toggle_check_box(dialog, IDC_PREF_REQUIRE_TC));
            return TRUE;
        case IDC_PREF_ERR_CHECK:
            toggle_check_box(dialog, IDC_PREF_ERR_CHECK);
            return TRUE;
        case IDC_PREF_READ_ONLY:
            set_read_only(toggle_check_box(dialog, IDC_PREF_READ_ONLY));
            return TRUE;
        default:
            // Cancel (Escape, the close box) lands here too and closes nothing.
            return on_other_command(dialog);
    }
}

}  // namespace

INT_PTR CALLBACK preferences_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return on_init_dialog(dialog);
        case WM_COMMAND:
            return on_command(dialog, LOWORD(wparam));
        default:
            return FALSE;
    }
}
