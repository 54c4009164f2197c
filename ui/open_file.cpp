#include "ui/open_file.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cassert>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "common/ids.h"
#include "common/result.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "ui/report_error.h"
#include "ui/resources/resource.h"

namespace {

// The File menu is the menu bar's first popup. Its resource items are Open,
// Close, a separator and Exit; the list goes in front of that separator.
constexpr int FILE_MENU_POSITION = 0;
constexpr int RECENT_SEPARATOR_POSITION = 2;
constexpr int RECENT_FIRST_ITEM_POSITION = 3;

// Stream file extensions that are accepted as they are, compared case included.
constexpr char EXTENSION_LOWER[] = ".ac3";
constexpr char EXTENSION_UPPER[] = ".AC3";
constexpr int EXTENSION_CHARS = 4;

constexpr char TEXT_DIALOG_OPEN_FAILED[] = "Can not open file.";
constexpr char TEXT_RECENT_OPEN_FAILED[] = "Can't open file.";
constexpr char TEXT_INVALID_FORMAT[] = "Invalid File Format.";
constexpr char TEXT_FILE_TOO_LARGE[] = "Files of 2 GB or more cannot be opened.";

struct RecentFileList {
    char entries[RECENT_FILE_COUNT][RECENT_PATH_CHARS];
    int count;  // entries shown in the menu, 0 to RECENT_FILE_COUNT
};

RecentFileList recent_files;
char working_directory[RECENT_PATH_CHARS];

// Characters before the path's last backslash; 0 when the only backslash is
// the first character or there is none.
int folder_chars(const char* path) {
    const char* last = std::strrchr(path, '\\');
    return last == nullptr ? 0 : static_cast<int>(last - path);
}

bool has_stream_extension(const char* path) {
    size_t length = std::strlen(path);
    if (length < EXTENSION_CHARS) {
        return false;
    }
    const char* tail = path + length - EXTENSION_CHARS;
    return std::strcmp(tail, EXTENSION_LOWER) == 0 || std::strcmp(tail, EXTENSION_UPPER) == 0;
}

// Builds the dialog's filter list from the string table: the text's last
// character separates the parts and becomes a zero. filter holds chars + 1
// zeroed characters, so the list always ends in two zeros.
void load_filter(HWND window, char* filter, int chars) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    int length = LoadStringA(instance, IDS_OPEN_FILTER, filter, chars);
    if (length <= 0) {
        return;
    }
    char separator = filter[length - 1];
    for (int i = 0; i < length; ++i) {
        if (filter[i] == separator) {
            filter[i] = '\0';
        }
    }
}

// Shows why stream_open failed; the store answers RC_INVALID_FORMAT for an
// existing file that is no stream file, RC_FILE_TOO_LARGE for one past its
// 2 GB limit, and another code when it has no way to open or create the file.
void report_open_failure(HWND window, int result, const char* cannot_open_text) {
    if (result == RC_INVALID_FORMAT) {
        report_error(window, TEXT_INVALID_FORMAT);
    } else if (result == RC_FILE_TOO_LARGE) {
        report_error(window, TEXT_FILE_TOO_LARGE);
    } else {
        report_error(window, cannot_open_text);
    }
}

// Opens path: on success its folder becomes the working directory and it
// tops the recent list; a failure says why, with cannot_open_text when the
// store found no way to open it.
int open_and_remember(HWND window, const char* path, int read_only, const char* cannot_open_text) {
    int result = stream_open(path, read_only);
    if (result != RC_OK) {
        report_open_failure(window, result, cannot_open_text);
        return RC_OPEN_FAILED;
    }
    set_working_directory(path, folder_chars(path));
    recent_add(path, GetMenu(window));
    return RC_OK;
}

// Whether name converts to the ANSI code page and back unchanged, so that the
// ANSI calls open this very file. Checked by the round trip: the flags that
// report a lossy conversion are refused where the code page is UTF-8.
bool spelled_in_code_page(const wchar_t* name, char* path) {
    if (WideCharToMultiByte(CP_ACP, 0, name, -1, path, RECENT_PATH_CHARS, nullptr, nullptr) <= 0) {
        return false;
    }
    wchar_t back[RECENT_PATH_CHARS];
    return MultiByteToWideChar(CP_ACP, 0, path, -1, back, RECENT_PATH_CHARS) > 0 &&
           std::wcscmp(back, name) == 0;
}

// A name from the shell in the ANSI code page the rest of the program uses. A
// name that code page cannot spell is tried by its short (8.3) form; without
// one it is left empty and refused as unopenable, never approximated into a
// name that may be another file's.
void to_ansi_path(const wchar_t* name, char* path) {
    if (spelled_in_code_page(name, path)) {
        return;
    }
    wchar_t short_name[RECENT_PATH_CHARS];
    DWORD length = GetShortPathNameW(name, short_name, RECENT_PATH_CHARS);
    if (length > 0 && length < RECENT_PATH_CHARS && spelled_in_code_page(short_name, path)) {
        return;
    }
    path[0] = '\0';
}

void remove_recent_items(HMENU file_menu) {
    if (recent_files.count <= 0) {
        return;
    }
    for (int i = 0; i < recent_files.count + 1; ++i) {
        RemoveMenu(file_menu, RECENT_SEPARATOR_POSITION, MF_BYPOSITION);
    }
}

void insert_recent_items(HMENU file_menu) {
    if (recent_files.count <= 0) {
        return;
    }
    InsertMenuA(file_menu, RECENT_SEPARATOR_POSITION, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    for (int i = 0; i < recent_files.count; ++i) {
        // A path of more than 251 characters does not fit after "&n  ": cut it.
        char label[RECENT_PATH_CHARS];
        int wanted = std::snprintf(label, sizeof label, "&%d  %s", i + 1, recent_files.entries[i]);
        assert(wanted > 0);
        (void)wanted;
        InsertMenuA(file_menu, RECENT_FIRST_ITEM_POSITION + i, MF_BYPOSITION | MF_STRING,
                    CMD_RECENT_FILE_1 + i, label);
    }
}

}  // namespace

int open_file_dialog(HWND window) {
    char folder[RECENT_PATH_CHARS + 1];
    get_working_directory(folder);
    // "C:" alone names the drive's current folder; its root is "C:\".
    if (std::strlen(folder) == 2 && folder[1] == ':') {
        std::strcat(folder, "\\");
    }

    char filter[RECENT_PATH_CHARS + 1] = {};
    load_filter(window, filter, RECENT_PATH_CHARS);

    char path[RECENT_PATH_CHARS] = "";
    char title[RECENT_PATH_CHARS] = "";
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrFileTitle = title;
    dialog.nMaxFileTitle = sizeof title;
    dialog.lpstrInitialDir = folder;
    // No OFN_FILEMUSTEXIST: a new name starts a new recording.
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_SHOWHELP;
    if (get_read_only() != 0) {
        dialog.Flags |= OFN_READONLY;
    }

    if (!GetOpenFileNameA(&dialog)) {
        // Zero is also the answer to a name too long for the buffer: that is
        // no cancel, the user chose a file that cannot be opened.
        if (CommDlgExtendedError() != 0) {
            report_error(window, TEXT_DIALOG_OPEN_FAILED);
            return RC_OPEN_FAILED;
        }
        return RC_CANCELLED;
    }

    if (!has_stream_extension(path)) {
        // The completed name must still fit the list and the store.
        if (std::strlen(path) + EXTENSION_CHARS >= sizeof path) {
            report_error(window, TEXT_DIALOG_OPEN_FAILED);
            return RC_OPEN_FAILED;
        }
        std::strcat(path, EXTENSION_UPPER);
    }

    return open_and_remember(window, path, (dialog.Flags & OFN_READONLY) != 0 ? 1 : 0,
                             TEXT_DIALOG_OPEN_FAILED);
}

int open_named_file(HWND window, const char* name) {
    // A relative name from a command prompt is kept in the list by its full path.
    char path[RECENT_PATH_CHARS];
    DWORD length = GetFullPathNameA(name, sizeof path, path, nullptr);
    DWORD attributes =
        length > 0 && length < sizeof path ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    // Only the open dialog starts new recordings: a name from outside that
    // names no file is a mistake, not a new file.
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        report_error(window, TEXT_DIALOG_OPEN_FAILED);
        return RC_OPEN_FAILED;
    }
    return open_and_remember(window, path, get_read_only(), TEXT_DIALOG_OPEN_FAILED);
}

bool first_named_file(const wchar_t* command_line, char* path) {
    int count = 0;
    wchar_t** names = CommandLineToArgvW(command_line, &count);
    if (names == nullptr) {
        return false;
    }
    // The first entry is the program itself.
    const bool named = count > 1;
    if (named) {
        to_ansi_path(names[1], path);
    }
    LocalFree(names);
    return named;
}

bool first_dropped_file(HDROP drop, char* path) {
    // The buffer fits the whole name: one cut short could name another file.
    const UINT chars = DragQueryFileW(drop, 0, nullptr, 0);
    if (chars == 0) {
        return false;
    }
    std::wstring name(chars, L'\0');
    DragQueryFileW(drop, 0, name.data(), chars + 1);
    to_ansi_path(name.c_str(), path);
    return true;
}

int close_file() {
    return stream_close();
}

int open_recent_file(HWND window, int command_id) {
    assert(command_id >= CMD_RECENT_FILE_1 && command_id < CMD_RECENT_FILE_1 + RECENT_FILE_COUNT);
    char path[RECENT_PATH_CHARS];
    recent_get(path, command_id - CMD_RECENT_FILE_1);

    // An unused entry names no file; the store is not asked to open "".
    if (path[0] == '\0') {
        report_error(window, TEXT_RECENT_OPEN_FAILED);
        return RC_OPEN_FAILED;
    }
    return open_and_remember(window, path, get_read_only(), TEXT_RECENT_OPEN_FAILED);
}

void recent_add(const char* path, HMENU menu) {
    assert(path != nullptr);
    assert(std::strlen(path) < RECENT_PATH_CHARS);
    // An empty path would become an empty, numbered menu entry.
    if (path[0] == '\0') {
        return;
    }
    HMENU file_menu = GetSubMenu(menu, FILE_MENU_POSITION);
    remove_recent_items(file_menu);

    // A path already listed moves up from its place; a new one pushes the
    // last entry out.
    int slot = RECENT_FILE_COUNT - 1;
    int count = recent_files.count + 1;
    for (int j = 0; j < RECENT_FILE_COUNT; ++j) {
        if (std::strcmp(path, recent_files.entries[j]) == 0) {
            count -= 1;
            slot = j;
            break;
        }
    }
    if (count > RECENT_FILE_COUNT) {
        count = RECENT_FILE_COUNT;
    }
    recent_files.count = count;
    for (int k = slot; k >= 1; --k) {
        std::memcpy(recent_files.entries[k], recent_files.entries[k - 1], RECENT_PATH_CHARS);
    }
    std::memset(recent_files.entries[0], 0, RECENT_PATH_CHARS);
    std::strcpy(recent_files.entries[0], path);

    insert_recent_items(file_menu);
}

void recent_add_for_window(HWND window, const char* path) {
    char entry[RECENT_PATH_CHARS] = {};
    std::strncpy(entry, path, RECENT_PATH_CHARS - 1);
    recent_add(entry, GetMenu(window));
}

void recent_get(char* destination, int index) {
    assert(destination != nullptr);
    assert(index >= 0 && index < RECENT_FILE_COUNT);
    std::memcpy(destination, recent_files.entries[index], RECENT_PATH_CHARS);
}

void get_working_directory(char* destination) {
    assert(destination != nullptr);
    std::memcpy(destination, working_directory, RECENT_PATH_CHARS);
}

void set_working_directory(const char* path, int count) {
    assert(path != nullptr);
    assert(count >= 0);
    std::memset(working_directory, 0, sizeof working_directory);
    size_t chars = std::strlen(path);
    if (chars > static_cast<size_t>(count)) {
        chars = static_cast<size_t>(count);
    }
    if (chars > RECENT_PATH_CHARS - 1) {
        chars = RECENT_PATH_CHARS - 1;
    }
    std::memcpy(working_directory, path, chars);
}
