#include "ui/preferences_dialog.h"

#include <cstdio>
#include <cstring>

#include "audio/wave_device.h"
#include "common/file_format.h"
#include "common/texts.h"
#include "platform/wave.h"
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

// Item data of a device list entry: the name of a device present now, or the
// stored name of a chosen device that is not (OK then keeps the stored name).
constexpr LPARAM ENTRY_PRESENT = 0;
constexpr LPARAM ENTRY_NOT_PRESENT = 1;

void set_text_from_string(HWND dialog, int id, int string_id) {
    char text[TEXT_BUFFER_CHARS];
    load_text(string_id, text, sizeof text);
    SetDlgItemTextA(dialog, id, text);
}

int add_entry(HWND dialog, int id, const char* text, LPARAM data) {
    const int index = static_cast<int>(
        SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    SendDlgItemMessageA(dialog, id, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
    return index;
}

// "Default device", then the devices of one direction in the system's order,
// by label (two of one name apart), selecting the chosen one; a chosen device that is not present
// is listed last with its mark, so that the user sees why Play or Record fail.
void init_device_list(HWND dialog, int id, bool output, const char* chosen) {
    SendDlgItemMessageA(dialog, id, CB_RESETCONTENT, 0, 0);
    char text[DEVICE_NAME_CHARS + TEXT_BUFFER_CHARS];
    load_text(IDS_DEFAULT_DEVICE, text, TEXT_BUFFER_CHARS);
    int selection = add_entry(dialog, id, text, ENTRY_PRESENT);
    bool found = chosen[0] == '\0';
    const int count = output ? wave_out_device_count() : wave_in_device_count();
    for (int i = 0; i < count; ++i) {
        char name[DEVICE_NAME_CHARS];
        if (!(output ? playback_device_label(i, name) : record_device_label(i, name))) {
            continue;
        }
        const int index = add_entry(dialog, id, name, ENTRY_PRESENT);
        if (!found && std::strcmp(name, chosen) == 0) {
            selection = index;
            found = true;
        }
    }
    if (!found) {
        char mark[TEXT_BUFFER_CHARS];
        load_text(IDS_NOT_PRESENT, mark, sizeof mark);
        std::snprintf(text, sizeof text, "%s%s", chosen, mark);
        selection = add_entry(dialog, id, text, ENTRY_NOT_PRESENT);
    }
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

// The device name the list's selection stands for ("" for the default device).
// False when the selection keeps the stored name: the entry of a device not
// present, or no selection.
bool selected_device(HWND dialog, int id, char* name) {
    name[0] = '\0';
    const LRESULT index = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR || SendDlgItemMessageA(dialog, id, CB_GETITEMDATA,
                                               static_cast<WPARAM>(index), 0) != ENTRY_PRESENT) {
        return false;
    }
    if (index == 0) {
        return true;
    }
    const LRESULT length =
        SendDlgItemMessageA(dialog, id, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0 || length >= DEVICE_NAME_CHARS) {
        return false;
    }
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(name));
    return true;
}

void init_device_lists(HWND dialog) {
    set_text_from_string(dialog, IDC_PREF_PLAY_DEVICE_TEXT, IDS_PLAY_DEVICE_LABEL);
    set_text_from_string(dialog, IDC_PREF_REC_DEVICE_TEXT, IDS_REC_DEVICE_LABEL);
    set_text_from_string(dialog, IDC_PREF_DEVICE_NOTE, IDS_DEVICE_NOTE);
    set_text_from_string(dialog, IDC_PREF_DEVICE_NOTE_2, IDS_DEVICE_NOTE_2);
    char chosen[DEVICE_NAME_CHARS];
    get_play_device(chosen);
    init_device_list(dialog, IDC_PREF_PLAY_DEVICE, true, chosen);
    get_rec_device(chosen);
    init_device_list(dialog, IDC_PREF_REC_DEVICE, false, chosen);
}

void init_check_box(HWND dialog, int id, int value) {
    clear_radio(dialog, id);
    enable_control(dialog, id, 1);
    set_checked(dialog, id, value);
}

INT_PTR on_init_dialog(HWND dialog) {
    init_combo(dialog, IDC_PREF_OUTPUT_FORMAT, IDS_OUTPUT_FORMAT_FIRST, get_spdif_mode());
    init_combo(dialog, IDC_PREF_RECORD_FORMAT, IDS_RECORD_FORMAT_FIRST, get_rec_format());
    init_device_lists(dialog);
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
    char device[DEVICE_NAME_CHARS];
    if (selected_device(dialog, IDC_PREF_PLAY_DEVICE, device)) {
        set_play_device(device);
    }
    if (selected_device(dialog, IDC_PREF_REC_DEVICE, device)) {
        set_rec_device(device);
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
