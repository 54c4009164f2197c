#include "ui/main_display.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "common/file_format.h"
#include "common/ids.h"
#include "common/texts.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "transport/transport_state.h"
#include "ui/button_bar.h"
#include "ui/resources/resource.h"
#include "ui/status_bar.h"

namespace {

// Status bar parts written here.
constexpr int PART_TRANSPORT = 0;
constexpr int PART_CRC = 1;
constexpr int PART_FRAME_COUNT = 2;
constexpr int PART_FILE_FORMAT = 3;

// The record button blinks in STATE_RECORD_ARMED: each refresh adds the step,
// and passing the threshold toggles the picture, so it changes every second
// refresh.
constexpr int BLINK_STEP = 8;
constexpr int BLINK_THRESHOLD = 12;

// bsmod 7 means a different service depending on acmod; these are its entries.
constexpr int BSMOD_SHARED = 7;
constexpr int BSMOD_ENTRY_VOICE_OVER = 8;  // acmod 1
constexpr int BSMOD_ENTRY_KARAOKE = 9;     // acmod 2..7
constexpr int BSMOD_ENTRY_RESERVED = 10;   // acmod 0

struct DisplayState {
    int last_shown_state;
    int blink_counter;
    int blink_on;
};

DisplayState display = {STATE_NO_FILE, 0, 0};

struct ParameterField {
    int id;
    int first_string;
    int count;
};

// In the order in which the fields are filled and shown.
constexpr ParameterField PARAMETER_FIELDS[] = {
    {IDC_DATA_RATE, IDS_DATA_RATE_FIRST, IDS_DATA_RATE_COUNT},
    {IDC_SAMPLE_RATE, IDS_SAMPLE_RATE_FIRST, IDS_SAMPLE_RATE_COUNT},
    {IDC_ACMOD, IDS_ACMOD_FIRST, IDS_ACMOD_COUNT},
    {IDC_LFE, IDS_LFE_FIRST, IDS_LFE_COUNT},
    {IDC_BSMOD, IDS_BSMOD_FIRST, IDS_BSMOD_COUNT},
    {IDC_DIALNORM, IDS_DIALNORM_FIRST, IDS_DIALNORM_COUNT},
};

constexpr int POSITIONING_BUTTONS[] = {CMD_TO_START, CMD_STEP_BACK, CMD_STEP_FORWARD, CMD_TO_END};

int bsmod_entry(const FrameInfo& info) {
    if (info.bsmod != BSMOD_SHARED) {
        return info.bsmod + 1;
    }
    if (info.acmod == 0) {
        return BSMOD_ENTRY_RESERVED;
    }
    return info.acmod == 1 ? BSMOD_ENTRY_VOICE_OVER : BSMOD_ENTRY_KARAOKE;
}

void set_menu_item(HWND window, int command, int enable) {
    EnableMenuItem(GetMenu(window), command, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

void set_open_close_text(HWND window, int string_id) {
    char text[TEXT_BUFFER_CHARS];
    load_text(string_id, text, TEXT_BUFFER_CHARS);
    SetDlgItemTextA(window, CMD_OPEN_CLOSE, text);
}

void show_file_title(HWND window, const StreamFile& file) {
    char title[TEXT_BUFFER_CHARS];
    char separator[TEXT_BUFFER_CHARS];
    load_text(IDS_APP_TITLE, title, TEXT_BUFFER_CHARS);
    load_text(IDS_TITLE_SEPARATOR, separator, TEXT_BUFFER_CHARS);
    char text[2 * TEXT_BUFFER_CHARS + STREAM_NAME_CHARS];
    std::snprintf(text, sizeof(text), "%s%s%s", title, separator, file.name);
    SetWindowTextA(window, text);
}

int file_frame_count(const StreamFile& file) {
    const double words = words_per_record(file);
    if (words <= 0.0) {
        return 0;
    }
    return static_cast<int>(file.length / words + 0.5);
}

// The parts of the look that follow the open file rather than the state.
void show_file_details(HWND window, const StreamFile& file) {
    show_number(window, IDC_FRAME_ERRORS, get_frame_errors(), 1);
    enable_control(window, CMD_RESET_ERRORS, 1);

    char label[TEXT_BUFFER_CHARS];
    load_text(IDS_FRAME_COUNT, label, TEXT_BUFFER_CHARS);
    char count_text[TEXT_BUFFER_CHARS + 16];
    std::snprintf(count_text, sizeof(count_text), "%s%d ", label, file_frame_count(file));
    set_status_text(window, PART_FRAME_COUNT, count_text);

    if (file.format >= FORMAT_NORMAL_TC && file.format <= FORMAT_PC) {
        set_status_text_id(window, PART_FILE_FORMAT, IDS_FILE_FORMAT_FIRST + file.format);
    }
    set_status_text_id(window, PART_CRC, get_err_check() != 0 ? IDS_CRC : IDS_BLANK);

    if (file.format == FORMAT_NORMAL_TC) {
        enable_control(window, IDC_TIME_SMPTE, 1);
    } else {
        enable_control(window, IDC_TIME_SMPTE, 0);
        if (get_time_display_mode() == 0) {
            // A file without time code cannot show SMPTE: switch the display.
            SendMessageA(window, WM_COMMAND, IDC_TIME_ELAPSED, 0);
        }
    }
}

void apply_state_look(HWND window, int state, const StreamFile& file) {
    switch (state) {
        case STATE_NO_FILE:
            break;
        case STATE_READY:
            enable_control(window, IDC_TIME_ELAPSED, 1);
            enable_control(window, IDC_TIME_FRAMES, 1);
            set_button_enabled(window, CMD_STOP, 1);
            set_button_pressed(window, CMD_STOP, 1);
            set_button_enabled(window, CMD_PLAY, 1);
            set_button_pressed(window, CMD_PLAY, 0);
            // A recording whose file could be reopened only for reading
            // arrives here with the record button still enabled and pressed.
            set_button_enabled(window, CMD_RECORD, file.read_only == 0 ? 1 : 0);
            set_button_pressed(window, CMD_RECORD, 0);
            for (int id : POSITIONING_BUTTONS) {
                set_button_enabled(window, id, 1);
            }
            set_menu_item(window, CMD_OPEN, 0);
            set_menu_item(window, CMD_CLOSE, 1);
            set_status_text_id(window, PART_TRANSPORT, IDS_READY);
            show_file_title(window, file);
            set_open_close_text(window, IDS_CLOSE_FILE);
            break;
        case STATE_PLAYING:
            set_button_pressed(window, CMD_STOP, 0);
            set_button_pressed(window, CMD_PLAY, 1);
            set_button_enabled(window, CMD_RECORD, 0);
            set_status_text_id(window, PART_TRANSPORT, IDS_PLAYING);
            break;
        case STATE_RECORDING:
            set_button_pressed(window, CMD_PLAY, 1);
            set_button_pressed(window, CMD_RECORD, 1);
            break;
        case STATE_RECORD_ARMED:
            set_button_pressed(window, CMD_STOP, 0);
            set_button_pressed(window, CMD_PLAY, 0);
            set_button_pressed(window, CMD_RECORD, 1);
            for (int id : POSITIONING_BUTTONS) {
                set_button_enabled(window, id, 0);
            }
            display.blink_on = 1;
            break;
        default:
            assert(!"unknown transport state");
            break;
    }
}

// Makes the one-line field id exactly one entry high, keeping its top edge, so
// that no part of a neighbouring entry shows below the current one.
void fit_to_one_line(HWND window, int id) {
    HWND field = GetDlgItem(window, id);
    const LRESULT item_height = SendMessageA(field, LB_GETITEMHEIGHT, 0, 0);
    if (field == nullptr || item_height == LB_ERR || item_height <= 0) {
        return;
    }
    RECT outer;
    RECT inner;
    GetWindowRect(field, &outer);
    GetClientRect(field, &inner);
    const int frame = (outer.bottom - outer.top) - (inner.bottom - inner.top);
    const int height = static_cast<int>(item_height) + frame;
    if (outer.bottom - outer.top != height) {
        SetWindowPos(field, nullptr, 0, 0, outer.right - outer.left, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace

int load_text(int id, char* buffer, int chars) {
    assert(buffer != nullptr && chars > 0);
    buffer[0] = '\0';
    const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, chars);
    if (length <= 0) {
        buffer[0] = '\0';
        return 0;
    }
    return length;
}

double words_per_record(const StreamFile& file) {
    if (file.words_per_frame <= 0.0) {
        return 0.0;
    }
    // Counting a file with time code by its frames alone would add one frame
    // in every 112 (904-word records against 896-word frames).
    return file.format == FORMAT_NORMAL_TC ? file.words_per_frame + TIME_CODE_PACKET_WORDS
                                           : file.words_per_frame;
}

void init_parameter_fields(HWND window) {
    for (const ParameterField& field : PARAMETER_FIELDS) {
        fill_list_from_strings(window, field.id, field.first_string, field.count);
    }
}

void show_frame_parameters(HWND window) {
    FrameInfo info;
    get_frame_info(&info);
    if (info.frame_words <= 0) {
        return;
    }
    const int entries[] = {
        info.frmsizecod / 2 + 1, info.fscod + 1,    info.acmod + 1,
        info.lfeon + 1,          bsmod_entry(info), info.dialnorm + 1,
    };
    static_assert(sizeof(entries) / sizeof(entries[0]) ==
                  sizeof(PARAMETER_FIELDS) / sizeof(PARAMETER_FIELDS[0]));
    for (size_t i = 0; i < sizeof(entries) / sizeof(entries[0]); ++i) {
        select_list_entry(window, PARAMETER_FIELDS[i].id, entries[i], 1);
    }
}

void show_no_file(HWND window) {
    clear_number_field(window, IDC_FRAME_ERRORS);
    enable_control(window, CMD_RESET_ERRORS, 0);
    const int buttons[] = {CMD_STOP,      CMD_PLAY,         CMD_RECORD, CMD_TO_START,
                           CMD_STEP_BACK, CMD_STEP_FORWARD, CMD_TO_END};
    for (int id : buttons) {
        set_button_enabled(window, id, 0);
    }
    set_menu_item(window, CMD_OPEN, 1);
    set_menu_item(window, CMD_CLOSE, 0);
    set_status_text_id(window, PART_TRANSPORT, IDS_NO_FILE_OPEN);
    set_status_text_id(window, PART_CRC, IDS_BLANK);
    set_status_text(window, PART_FRAME_COUNT, BLANK_TEXT);
    set_status_text(window, PART_FILE_FORMAT, BLANK_TEXT);
    char title[TEXT_BUFFER_CHARS];
    load_text(IDS_APP_TITLE, title, TEXT_BUFFER_CHARS);
    SetWindowTextA(window, title);
    enable_control(window, CMD_OPEN_CLOSE, 1);
    set_open_close_text(window, IDS_OPEN_FILE);
    display.last_shown_state = STATE_NO_FILE;
}

void show_transport_state(HWND window) {
    const int state = get_transport_state();
    StreamFile file;
    std::memset(&file, 0, sizeof(file));
    if (state != STATE_NO_FILE) {
        stream_get_file(&file);
        show_file_details(window, file);
    }
    if (state == display.last_shown_state) {
        if (state == STATE_RECORD_ARMED) {
            display.blink_counter += BLINK_STEP;
            if (display.blink_counter > BLINK_THRESHOLD) {
                display.blink_on = 1 - display.blink_on;
                set_button_pressed(window, CMD_RECORD, display.blink_on);
                display.blink_counter = 0;
            }
        }
        return;
    }
    display.blink_counter = 0;
    apply_state_look(window, state, file);
    display.last_shown_state = state;
}

namespace {

// Fills a list or combo box (by its reset, add and select messages) with the
// texts of consecutive string ids, disabled and with nothing selected.
void fill_from_strings(HWND window,
                       int id,
                       int first,
                       int count,
                       UINT reset,
                       UINT add,
                       UINT select) {
    SendDlgItemMessageA(window, id, reset, 0, 0);
    for (int i = 0; i < count; ++i) {
        char text[TEXT_BUFFER_CHARS];
        load_text(first + i, text, TEXT_BUFFER_CHARS);
        SendDlgItemMessageA(window, id, add, 0, reinterpret_cast<LPARAM>(text));
    }
    EnableWindow(GetDlgItem(window, id), FALSE);
    SendDlgItemMessageA(window, id, select, static_cast<WPARAM>(-1), 0);
}

}  // namespace

void fill_list_from_strings(HWND window, int id, int first, int count) {
    fill_from_strings(window, id, first, count, LB_RESETCONTENT, LB_ADDSTRING, LB_SETCURSEL);
    fit_to_one_line(window, id);
}

void fill_combo_from_strings(HWND window, int id, int first, int count) {
    fill_from_strings(window, id, first, count, CB_RESETCONTENT, CB_ADDSTRING, CB_SETCURSEL);
}

void select_list_entry(HWND window, int id, int index, int enable) {
    EnableWindow(GetDlgItem(window, id), enable ? TRUE : FALSE);
    const LRESULT current = SendDlgItemMessageA(window, id, LB_GETCURSEL, 0, 0);
    if (current != index) {
        SendDlgItemMessageA(window, id, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        // A list without selection does not always scroll to its current
        // entry by itself; the one visible line must be that entry.
        SendDlgItemMessageA(window, id, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    }
}

void clear_number_field(HWND window, int id) {
    // No entry is made current here: in the emptied list there is none to
    // choose, and a list that remembered the choice would show the blank entry
    // highlighted.
    SendDlgItemMessageA(window, id, LB_RESETCONTENT, 0, 0);
    EnableWindow(GetDlgItem(window, id), FALSE);
    write_number_field(window, id, "%d", -1);
    fit_to_one_line(window, id);
}

int read_number_field(HWND window, int id) {
    const LRESULT length = SendDlgItemMessageA(window, id, LB_GETTEXTLEN, 0, 0);
    // LB_GETTEXT takes no buffer size: a longer entry than the buffer holds
    // (or none) is not a number this field wrote.
    if (length == LB_ERR || length >= TEXT_BUFFER_CHARS) {
        return -1;
    }
    char text[TEXT_BUFFER_CHARS] = "";
    SendDlgItemMessageA(window, id, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
    if (std::strcmp(text, BLANK_TEXT) == 0) {
        return -1;
    }
    return static_cast<int>(std::strtol(text, nullptr, 10));
}

void write_number_field(HWND window, int id, const char* format, int value) {
    char text[TEXT_BUFFER_CHARS];
    if (value == -1) {
        std::snprintf(text, sizeof(text), "%s", BLANK_TEXT);
    } else {
        std::snprintf(text, sizeof(text), format, value);
    }
    SendDlgItemMessageA(window, id, LB_DELETESTRING, 0, 0);
    SendDlgItemMessageA(window, id, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void show_number(HWND window, int id, int value, int enable) {
    EnableWindow(GetDlgItem(window, id), enable ? TRUE : FALSE);
    if (value != read_number_field(window, id)) {
        write_number_field(window, id, "%d", value);
    }
}

void show_text(HWND window, int id, const char* text, int enable) {
    EnableWindow(GetDlgItem(window, id), enable ? TRUE : FALSE);
    SendDlgItemMessageA(window, id, LB_DELETESTRING, 0, 0);
    SendDlgItemMessageA(window, id, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void clear_radio(HWND window, int id) {
    EnableWindow(GetDlgItem(window, id), FALSE);
    CheckDlgButton(window, id, BST_UNCHECKED);
}

int is_checked(HWND window, int id) {
    return IsDlgButtonChecked(window, id) == BST_CHECKED ? 1 : 0;
}

void set_checked(HWND window, int id, int value) {
    CheckDlgButton(window, id, value == 1 ? BST_CHECKED : BST_UNCHECKED);
}

void enable_control(HWND window, int id, int enable) {
    EnableWindow(GetDlgItem(window, id), enable ? TRUE : FALSE);
}
