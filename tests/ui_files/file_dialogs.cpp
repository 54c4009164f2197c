#include "tests/ui_files/file_dialogs.h"

#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <deque>

#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"
#include "tests/ui_files/test_window.h"
#include "ui/open_file.h"

namespace {

std::deque<OpenAnswer> answers;
std::vector<OpenSeen> opens;
std::vector<BoxSeen> boxes;

// The file name box is an editable combo box in newer dialogs, an edit in older ones.
HWND file_name_box(HWND dialog) {
    HWND box = GetDlgItem(dialog, cmb13);
    return box != nullptr ? box : GetDlgItem(dialog, edt1);
}

void press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void answer(HWND dialog) {
    if (is_message_box(dialog)) {
        boxes.push_back({window_text(dialog), item_text(dialog, 0xFFFF)});
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
    opens.push_back({folder, IsDlgButtonChecked(dialog, chx1) == BST_CHECKED});
    SetWindowTextA(file_name_box(dialog), next.name.c_str());
    if (next.read_only >= 0) {
        CheckDlgButton(dialog, chx1, next.read_only == 1 ? BST_CHECKED : BST_UNCHECKED);
    }
    press(dialog, next.ok ? IDOK : IDCANCEL);
}

}  // namespace

void script_dialogs(std::vector<OpenAnswer> list) {
    answers.assign(list.begin(), list.end());
    opens.clear();
    boxes.clear();
    set_dialog_handler(answer);
}

void stop_scripting() {
    set_dialog_handler(nullptr);
}

const std::vector<OpenSeen>& open_dialogs_seen() {
    return opens;
}

const std::vector<BoxSeen>& boxes_seen() {
    return boxes;
}

size_t answers_left() {
    return answers.size();
}

std::vector<std::string> file_menu(HWND window) {
    HMENU menu = GetSubMenu(GetMenu(window), 0);
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[512] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        bool separator = (GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR) != 0;
        items.push_back(separator ? "-" : text);
    }
    return items;
}

std::string recent(int index) {
    char entry[RECENT_PATH_CHARS];
    recent_get(entry, index);
    return entry;
}

std::string working_directory() {
    char directory[RECENT_PATH_CHARS];
    get_working_directory(directory);
    return directory;
}

void write_stream_file(const std::string& path, int frames) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < frames; ++i) {
        FrameSpec spec;
        spec.seed = static_cast<uint32_t>(i + 1);
        for (Word w : make_frame(spec)) {
            bytes.push_back(static_cast<uint8_t>(w >> 8));
            bytes.push_back(static_cast<uint8_t>(w & 0xFF));
        }
    }
    write_file_bytes(path, bytes);
}
