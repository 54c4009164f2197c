#include "settings/settings_file.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/prefs.h"
#include "ui/open_file.h"

namespace {

// Values are read into a buffer larger than any value kept, so that a value
// that is too long is seen whole and can be refused instead of cut to a
// different path.
constexpr int READ_BUFFER_CHARS = 2 * RECENT_PATH_CHARS;
constexpr int NUMBER_TEXT_CHARS = 24;

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

// Leading whitespace, an optional sign and decimal digits; anything else
// reads as 0. Out-of-range values are passed on as the platform converts them.
long text_to_long(const char* text) {
    return std::strtol(text, nullptr, 10);
}

int read_number(const char* path, const char* section, const char* key, long default_value) {
    char default_text[NUMBER_TEXT_CHARS];
    std::snprintf(default_text, sizeof default_text, "%ld", default_value);
    char value[READ_BUFFER_CHARS];
    GetPrivateProfileStringA(section, key, default_text, value, sizeof value, path);
    return static_cast<int>(text_to_long(value));
}

void write_number(const char* path, const char* section, const char* key, long value) {
    char text[NUMBER_TEXT_CHARS];
    std::snprintf(text, sizeof text, "%ld", value);
    WritePrivateProfileStringA(section, key, text, path);
}

// Reads a path value into destination (RECENT_PATH_CHARS characters); a value
// that does not fit leaves destination empty.
void read_path(const char* path, const char* section, const char* key, char* destination) {
    char value[READ_BUFFER_CHARS];
    DWORD length = GetPrivateProfileStringA(section, key, "", value, sizeof value, path);
    std::memset(destination, 0, RECENT_PATH_CHARS);
    if (length < RECENT_PATH_CHARS) {
        std::memcpy(destination, value, length);
    }
}

void file_key(char* key, size_t chars, int index) {
    std::snprintf(key, chars, "%s%d", KEY_FILE_PREFIX, index + 1);
}

// Moves the window to the stored left and top, keeping its size; with no
// stored position it stays where it is.
void load_window_position(const char* path, HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    long width = rect.right - rect.left;
    long height = rect.bottom - rect.top;
    long left = read_number(path, SECTION_WINDOW_PLACEMENT, KEY_LEFT, rect.left);
    long top = read_number(path, SECTION_WINDOW_PLACEMENT, KEY_TOP, rect.top);
    placement.length = sizeof placement;
    placement.flags = 0;
    // Moving must not show the window: at start-up it is still hidden, its
    // buttons not yet laid out, and the start-up shows it when it is ready.
    placement.showCmd = IsWindowVisible(window) ? SW_SHOWNORMAL : SW_HIDE;
    placement.rcNormalPosition.left = left;
    placement.rcNormalPosition.top = top;
    placement.rcNormalPosition.right = left + width;
    placement.rcNormalPosition.bottom = top + height;
    SetWindowPlacement(window, &placement);
}

// The per-user file, %APPDATA%\bitdek\BITDEK.INI, into path
// (SETTINGS_PATH_CHARS characters). False, with path empty, when APPDATA is
// not set or the path is too long.
bool user_settings_file_path(char* path) {
    path[0] = '\0';
    char appdata[SETTINGS_PATH_CHARS];
    DWORD length = GetEnvironmentVariableA("APPDATA", appdata, sizeof appdata);
    if (length == 0 || length >= sizeof appdata) {
        return false;
    }
    int wanted = std::snprintf(path, SETTINGS_PATH_CHARS, "%s\\%s\\%s", appdata,
                               USER_SETTINGS_FOLDER, SETTINGS_FILE_NAME);
    if (wanted < 0 || wanted >= SETTINGS_PATH_CHARS) {
        path[0] = '\0';
        return false;
    }
    return true;
}

bool file_is_there(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Opens the file for writing, as the profile service will, creating it when
// missing. False when that is refused.
bool can_write(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

// The file to read, or to write: the per-user file once it exists, else the
// Windows directory's; for writing, the per-user file (its folder created)
// also when the Windows directory's cannot be written. False when there is
// no file to use.
bool choose_settings_path(char* path, bool for_writing) {
    char user[SETTINGS_PATH_CHARS];
    const bool have_user = user_settings_file_path(user);
    if (have_user && file_is_there(user)) {
        std::memcpy(path, user, SETTINGS_PATH_CHARS);
        return true;
    }
    const bool have_windows = settings_file_path(path);
    if (!for_writing || !have_user || (have_windows && can_write(path))) {
        return have_windows;
    }
    char folder[SETTINGS_PATH_CHARS];
    std::memcpy(folder, user, SETTINGS_PATH_CHARS);
    *std::strrchr(folder, '\\') = '\0';
    CreateDirectoryA(folder, nullptr);
    std::memcpy(path, user, SETTINGS_PATH_CHARS);
    return true;
}

}  // namespace

bool settings_file_path(char* path) {
    assert(path != nullptr);
    path[0] = '\0';
    char directory[SETTINGS_PATH_CHARS];
    UINT length = GetWindowsDirectoryA(directory, sizeof directory);
    if (length == 0 || length >= sizeof directory) {
        return false;
    }
    int wanted = std::snprintf(path, SETTINGS_PATH_CHARS, "%s\\%s", directory, SETTINGS_FILE_NAME);
    if (wanted < 0 || wanted >= SETTINGS_PATH_CHARS) {
        path[0] = '\0';
        return false;
    }
    return true;
}

int load_settings(HWND main_window) {
    assert(main_window != nullptr);
    char path[SETTINGS_PATH_CHARS];
    // Without a file to read everything keeps its default.
    if (!choose_settings_path(path, false)) {
        return 0;
    }

    int values[PREFERENCE_COUNT];
    for (int i = 0; i < PREFERENCE_COUNT; ++i) {
        values[i] = read_number(path, SECTION_PREFERENCES, PREFERENCE_KEYS[i].key,
                                PREFERENCE_KEYS[i].default_value);
    }
    set_spdif_mode(values[0]);
    set_rec_format(values[1]);
    set_err_check(values[2]);
    set_require_tc(values[3]);
    set_read_only(values[4]);
    // Devices by name, so that a card added or removed shifts no choice.
    char device[READ_BUFFER_CHARS];
    GetPrivateProfileStringA(SECTION_PREFERENCES, KEY_PLAYDEVICE, "", device, sizeof device, path);
    set_play_device(device);
    GetPrivateProfileStringA(SECTION_PREFERENCES, KEY_RECDEVICE, "", device, sizeof device, path);
    set_rec_device(device);

    // Last to first, each as if just opened: FILE1 ends on top. The empty keys
    // of a shorter list come first and change nothing.
    char files[RECENT_FILE_COUNT][RECENT_PATH_CHARS];
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        char key[NUMBER_TEXT_CHARS];
        file_key(key, sizeof key, i);
        read_path(path, SECTION_RECENT_FILES, key, files[i]);
    }
    for (int i = RECENT_FILE_COUNT - 1; i >= 0; --i) {
        recent_add_for_window(main_window, files[i]);
    }

    load_window_position(path, main_window);

    set_time_display_mode(read_number(path, SECTION_TIME_DISPLAY, KEY_RADIOBUTTON, 0));

    char directory[RECENT_PATH_CHARS];
    read_path(path, SECTION_WORKING_DIRECTORY, KEY_DIRECTORY, directory);
    set_working_directory(directory, RECENT_PATH_CHARS - 1);
    return 0;
}

int save_settings(HWND main_window) {
    assert(main_window != nullptr);
    char path[SETTINGS_PATH_CHARS];
    if (!choose_settings_path(path, true)) {
        return 0;
    }

    const int values[PREFERENCE_COUNT] = {
        get_spdif_mode(), get_rec_format(), get_err_check(), get_require_tc(), get_read_only(),
    };
    for (int i = 0; i < PREFERENCE_COUNT; ++i) {
        write_number(path, SECTION_PREFERENCES, PREFERENCE_KEYS[i].key, values[i]);
    }
    char device[DEVICE_NAME_CHARS];
    get_play_device(device);
    WritePrivateProfileStringA(SECTION_PREFERENCES, KEY_PLAYDEVICE, device, path);
    get_rec_device(device);
    WritePrivateProfileStringA(SECTION_PREFERENCES, KEY_RECDEVICE, device, path);

    // Every key is written, an unused entry with an empty value.
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        char key[NUMBER_TEXT_CHARS];
        file_key(key, sizeof key, i);
        char entry[RECENT_PATH_CHARS];
        recent_get(entry, i);
        WritePrivateProfileStringA(SECTION_RECENT_FILES, key, entry, path);
    }

    // The restored position: a minimised window's own rectangle lies far off
    // the screen.
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(main_window, &placement);
    write_number(path, SECTION_WINDOW_PLACEMENT, KEY_LEFT, placement.rcNormalPosition.left);
    write_number(path, SECTION_WINDOW_PLACEMENT, KEY_TOP, placement.rcNormalPosition.top);

    write_number(path, SECTION_TIME_DISPLAY, KEY_RADIOBUTTON, get_time_display_mode());

    char directory[RECENT_PATH_CHARS];
    get_working_directory(directory);
    WritePrivateProfileStringA(SECTION_WORKING_DIRECTORY, KEY_DIRECTORY, directory, path);
    return 0;
}
