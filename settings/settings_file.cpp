#include "settings/settings_file.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "common/result.h"
#include "settings/prefs.h"
#include "ui/open_file.h"

namespace {

// Values are read into a buffer larger than any value kept, so that a value
// that is too long is seen whole and can be refused instead of cut to a
// different path.
constexpr int READ_BUFFER_CHARS = 2 * RECENT_PATH_CHARS;
constexpr int NUMBER_TEXT_CHARS = 24;
// Window coordinates stay within what the system itself keeps (16 bits), so
// that a hand-edited one cannot overflow the window's right edge.
constexpr long COORDINATE_LIMIT = 32767;

// Defaults of the five preferences, in the order they are read and written.
struct PreferenceKey {
    const char* key;
    int default_value;
};
constexpr PreferenceKey PREFERENCE_KEYS[] = {
    {KEY_SPDIFMODE, 0}, {KEY_PREFRECFORMAT, 0}, {KEY_ERRCHECK, 1},
    {KEY_REQUIRETC, 1}, {KEY_READONLY, 0},
};
constexpr int PREFERENCE_COUNT = sizeof PREFERENCE_KEYS / sizeof PREFERENCE_KEYS[0];

// The file goes through the wide-character functions: the per-user folder's
// path may hold characters that the ANSI code page has not. The values are
// the program's own ANSI text.
std::wstring wide(const char* text) {
    const int chars = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring result(chars > 1 ? chars - 1 : 0, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, result.data(), chars);
    return result;
}

// Reads a value, default_text when it is missing, into value (chars
// characters); one that does not fit reads as empty. Returns its length.
int read_text(const wchar_t* file,
              const char* section,
              const char* key,
              const char* default_text,
              char* value,
              int chars) {
    wchar_t text[READ_BUFFER_CHARS];
    const DWORD length =
        GetPrivateProfileStringW(wide(section).c_str(), wide(key).c_str(),
                                 wide(default_text).c_str(), text, READ_BUFFER_CHARS, file);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), value,
                                          chars - 1, nullptr, nullptr);
    value[bytes] = '\0';
    return bytes;
}

bool write_text(const wchar_t* file, const char* section, const char* key, const char* value) {
    return WritePrivateProfileStringW(wide(section).c_str(), wide(key).c_str(), wide(value).c_str(),
                                      file) != 0;
}

// Leading whitespace, an optional sign and decimal digits; anything else
// reads as 0. Out-of-range values are passed on as the platform converts them.
long read_number(const wchar_t* file, const char* section, const char* key, long default_value) {
    char text[READ_BUFFER_CHARS];
    std::snprintf(text, sizeof text, "%ld", default_value);
    read_text(file, section, key, text, text, sizeof text);
    return std::strtol(text, nullptr, 10);
}

bool write_number(const wchar_t* file, const char* section, const char* key, long value) {
    char text[NUMBER_TEXT_CHARS];
    std::snprintf(text, sizeof text, "%ld", value);
    return write_text(file, section, key, text);
}

// The profile functions trim blanks and quotes from what they read back, so
// a name is stored in quotes: one that ends in a space (a name cut to 31
// characters may) reads back whole. Unquoted names of older files read as
// before.
bool write_name(const wchar_t* file, const char* key, const char* name) {
    char quoted[DEVICE_NAME_CHARS + 2];
    std::snprintf(quoted, sizeof quoted, "\"%s\"", name);
    return write_text(file, SECTION_PREFERENCES, key, quoted);
}

// Reads a path value into destination (RECENT_PATH_CHARS characters); a value
// that does not fit leaves destination empty.
void read_path(const wchar_t* file, const char* section, const char* key, char* destination) {
    char value[READ_BUFFER_CHARS];
    const int length = read_text(file, section, key, "", value, sizeof value);
    std::memset(destination, 0, RECENT_PATH_CHARS);
    if (length < RECENT_PATH_CHARS) {
        std::memcpy(destination, value, static_cast<size_t>(length));
    }
}

void file_key(char* key, size_t chars, int index) {
    std::snprintf(key, chars, "%s%d", KEY_FILE_PREFIX, index + 1);
}

long clamp_coordinate(long value) {
    return std::clamp(value, -COORDINATE_LIMIT, COORDINATE_LIMIT);
}

// Moves the window to the stored left and top, keeping its size; with no
// stored position it stays where it is. The placement's normal position is
// what is saved, in the work area's coordinates: the default is taken from
// it too, not from the screen's.
void load_window_position(const wchar_t* file, HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    RECT& normal = placement.rcNormalPosition;
    const long width = normal.right - normal.left;
    const long height = normal.bottom - normal.top;
    const long left =
        clamp_coordinate(read_number(file, SECTION_WINDOW_PLACEMENT, KEY_LEFT, normal.left));
    const long top =
        clamp_coordinate(read_number(file, SECTION_WINDOW_PLACEMENT, KEY_TOP, normal.top));
    placement.length = sizeof placement;
    placement.flags = 0;
    // Moving must not show the window: at start-up it is still hidden, its
    // buttons not yet laid out, and the start-up shows it when it is ready.
    placement.showCmd = IsWindowVisible(window) ? SW_SHOWNORMAL : SW_HIDE;
    normal.left = left;
    normal.top = top;
    normal.right = left + width;
    normal.bottom = top + height;
    SetWindowPlacement(window, &placement);
}

// Joins a folder and a name into path (SETTINGS_PATH_CHARS characters).
// False, with path empty, when the folder is unknown or the path too long.
bool join_path(wchar_t* path, const wchar_t* folder, DWORD length, const wchar_t* name) {
    path[0] = L'\0';
    if (length == 0 || length >= SETTINGS_PATH_CHARS) {
        return false;
    }
    const int wanted = std::swprintf(path, SETTINGS_PATH_CHARS, L"%ls\\%ls", folder, name);
    if (wanted < 0 || wanted >= SETTINGS_PATH_CHARS) {
        path[0] = L'\0';
        return false;
    }
    return true;
}

bool windows_file_path(wchar_t* path) {
    wchar_t directory[SETTINGS_PATH_CHARS];
    const UINT length = GetWindowsDirectoryW(directory, SETTINGS_PATH_CHARS);
    return join_path(path, directory, length, L"" SETTINGS_FILE_NAME);
}

// The per-user file, %APPDATA%\bitdek\BITDEK.INI.
bool user_file_path(wchar_t* path) {
    wchar_t appdata[SETTINGS_PATH_CHARS];
    const DWORD length = GetEnvironmentVariableW(L"APPDATA", appdata, SETTINGS_PATH_CHARS);
    return join_path(path, appdata, length, L"" USER_SETTINGS_FOLDER "\\" SETTINGS_FILE_NAME);
}

bool file_is_there(const wchar_t* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// Opens the file for writing, as the profile service will, creating it when
// missing. False when that is refused.
bool can_write(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

// The file to read: the per-user file once it exists, else the Windows
// directory's. False when there is neither path.
bool choose_file_to_read(wchar_t* path) {
    return (user_file_path(path) && file_is_there(path)) || windows_file_path(path);
}

// The file to write, one that the next start reads and that takes the
// writes: the per-user file once it exists; else the Windows directory's
// when it can be written, else a new per-user file (its folder made). False
// when the file chosen cannot be written.
bool choose_file_to_write(wchar_t* path) {
    wchar_t user[SETTINGS_PATH_CHARS];
    const bool have_user = user_file_path(user);
    if (have_user && file_is_there(user)) {
        std::wmemcpy(path, user, SETTINGS_PATH_CHARS);
        return can_write(path);
    }
    if (windows_file_path(path) && can_write(path)) {
        return true;
    }
    if (!have_user) {
        return false;
    }
    std::wmemcpy(path, user, SETTINGS_PATH_CHARS);
    *std::wcsrchr(user, L'\\') = L'\0';
    CreateDirectoryW(user, nullptr);
    return can_write(path);
}

}  // namespace

bool settings_file_path(char* path) {
    assert(path != nullptr);
    wchar_t file[SETTINGS_PATH_CHARS];
    const bool ok =
        windows_file_path(file) &&
        WideCharToMultiByte(CP_ACP, 0, file, -1, path, SETTINGS_PATH_CHARS, nullptr, nullptr) > 0;
    if (!ok) {
        path[0] = '\0';
    }
    return ok;
}

int load_settings(HWND main_window) {
    assert(main_window != nullptr);
    wchar_t file[SETTINGS_PATH_CHARS];
    // Without a file to read everything keeps its default.
    if (!choose_file_to_read(file)) {
        return 0;
    }

    int values[PREFERENCE_COUNT];
    for (int i = 0; i < PREFERENCE_COUNT; ++i) {
        values[i] = static_cast<int>(read_number(file, SECTION_PREFERENCES, PREFERENCE_KEYS[i].key,
                                                 PREFERENCE_KEYS[i].default_value));
    }
    set_spdif_mode(values[0]);
    set_rec_format(values[1]);
    set_err_check(values[2]);
    set_require_tc(values[3]);
    set_read_only(values[4]);
    // Devices by name, so that a card added or removed shifts no choice.
    char device[READ_BUFFER_CHARS];
    read_text(file, SECTION_PREFERENCES, KEY_PLAYDEVICE, "", device, sizeof device);
    set_play_device(device);
    read_text(file, SECTION_PREFERENCES, KEY_RECDEVICE, "", device, sizeof device);
    set_rec_device(device);

    // Last to first, each as if just opened: FILE1 ends on top. The empty keys
    // of a shorter list come first and change nothing.
    char files[RECENT_FILE_COUNT][RECENT_PATH_CHARS];
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        char key[NUMBER_TEXT_CHARS];
        file_key(key, sizeof key, i);
        read_path(file, SECTION_RECENT_FILES, key, files[i]);
    }
    for (int i = RECENT_FILE_COUNT - 1; i >= 0; --i) {
        recent_add_for_window(main_window, files[i]);
    }

    load_window_position(file, main_window);

    set_time_display_mode(
        static_cast<int>(read_number(file, SECTION_TIME_DISPLAY, KEY_RADIOBUTTON, 0)));

    char directory[RECENT_PATH_CHARS];
    read_path(file, SECTION_WORKING_DIRECTORY, KEY_DIRECTORY, directory);
    set_working_directory(directory, RECENT_PATH_CHARS - 1);
    return 0;
}

int save_settings(HWND main_window) {
    assert(main_window != nullptr);
    wchar_t file[SETTINGS_PATH_CHARS];
    if (!choose_file_to_write(file)) {
        return RC_WRITE_FAILED;
    }

    bool ok = true;
    const int values[PREFERENCE_COUNT] = {
        get_spdif_mode(), get_rec_format(), get_err_check(), get_require_tc(), get_read_only(),
    };
    for (int i = 0; i < PREFERENCE_COUNT; ++i) {
        ok &= write_number(file, SECTION_PREFERENCES, PREFERENCE_KEYS[i].key, values[i]);
    }
    char device[DEVICE_NAME_CHARS];
    get_play_device(device);
    ok &= write_name(file, KEY_PLAYDEVICE, device);
    get_rec_device(device);
    ok &= write_name(file, KEY_RECDEVICE, device);

    // Every key is written, an unused entry with an empty value.
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        char key[NUMBER_TEXT_CHARS];
        file_key(key, sizeof key, i);
        char entry[RECENT_PATH_CHARS];
        recent_get(entry, i);
        ok &= write_text(file, SECTION_RECENT_FILES, key, entry);
    }

    // The restored position: a minimised window's own rectangle lies far off
    // the screen.
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(main_window, &placement);
    ok &= write_number(file, SECTION_WINDOW_PLACEMENT, KEY_LEFT, placement.rcNormalPosition.left);
    ok &= write_number(file, SECTION_WINDOW_PLACEMENT, KEY_TOP, placement.rcNormalPosition.top);

    ok &= write_number(file, SECTION_TIME_DISPLAY, KEY_RADIOBUTTON, get_time_display_mode());

    char directory[RECENT_PATH_CHARS];
    get_working_directory(directory);
    ok &= write_text(file, SECTION_WORKING_DIRECTORY, KEY_DIRECTORY, directory);
    return ok ? RC_OK : RC_WRITE_FAILED;
}
