// The settings file: BITDEK.INI in the Windows directory keeps the
// preferences, the time display mode, the recent-file list, the main window's
// position and the open dialog's working directory between runs. Where that
// file cannot be written (a normal user on Windows: a 64-bit program gets no
// file virtualisation there), BITDEK.INI in %APPDATA%\bitdek\ takes its
// place and is read first from then on. Device names are stored in quotes,
// so that they read back exactly.
#pragma once

#include <windows.h>

// The file's name and its sections and keys. Numbers are decimal text; text
// that does not start with a number reads as 0.
#define SETTINGS_FILE_NAME "BITDEK.INI"
#define USER_SETTINGS_FOLDER "bitdek"  // under %APPDATA%
#define SECTION_PREFERENCES "User Preferences"
#define KEY_SPDIFMODE "SPDIFMODE"
#define KEY_PREFRECFORMAT "PREFRECFORMAT"
#define KEY_ERRCHECK "ERRCHECK"
#define KEY_REQUIRETC "REQUIRETC"
#define KEY_READONLY "READONLY"
#define KEY_PLAYDEVICE "PLAYDEVICE"  // device names; empty or absent: the default device
#define KEY_RECDEVICE "RECDEVICE"
#define SECTION_RECENT_FILES "Recent File List"
#define KEY_FILE_PREFIX "FILE"  // FILE1 (the most recent) .. FILE4
#define SECTION_WINDOW_PLACEMENT "Window Placement"
#define KEY_LEFT "LEFT"
#define KEY_TOP "TOP"
#define SECTION_TIME_DISPLAY "Time Display"
#define KEY_RADIOBUTTON "RADIOBUTTON"
#define SECTION_WORKING_DIRECTORY "Working Directory"
#define KEY_DIRECTORY "DIRECTORY"

// Characters of the file's full path, terminator included.
constexpr int SETTINGS_PATH_CHARS = 256;

// Writes the full path of the settings file into path (SETTINGS_PATH_CHARS
// characters). Returns false, with path empty, when the Windows directory is
// unknown or too long.
bool settings_file_path(char* path);

// Reads the settings file once at start-up and applies it: the five
// preferences and the time display mode (missing keys give the defaults), the
// recent files (FILE4 first, so FILE1 ends on top of the list and menu), the
// main window's position (its size stays), and the working directory. A
// stored path longer than 255 characters is ignored; a stored LEFT or TOP
// beyond +-32767 is taken as that limit. main_window: the main window,
// created and holding its menu. Returns 0. The device names are kept as read
// (quoted or not), whether such devices exist or not.
int load_settings(HWND main_window);

// Writes all of it back; called once when the main window is destroyed. The
// window's position is its restored one, also while minimised. Returns RC_OK,
// or RC_WRITE_FAILED when no file that the next start reads can be written
// (the per-user file exists and refuses writes; or neither the Windows
// directory's nor a per-user one can be written) or a write failed: the
// caller says so, for the choices of this run are lost.
int save_settings(HWND main_window);
