// Opening stream files: the common open dialog, the recent-file list shown in
// the File menu, and the working directory the dialog starts in.
#pragma once

#include <windows.h>
#include <shellapi.h>

// Entries of the recent-file list, most recent first.
constexpr int RECENT_FILE_COUNT = 4;
// Characters of a recent-file entry and of the working directory: a path of
// at most 255 characters and its terminator.
constexpr int RECENT_PATH_CHARS = 256;

// Shows the open dialog owned by window, starting in the working directory.
// A chosen name that does not end in ".ac3" or ".AC3" gets ".AC3" appended; a
// name that does not exist yet is created. The dialog's read-only box starts
// as the READONLY preference and its final state is passed to stream_open.
// Returns RC_OK (the file is open: call close_file later; the working
// directory is the file's folder and the file tops the recent list),
// RC_CANCELLED (nothing changed), or RC_OPEN_FAILED (the reason was shown with
// report_error; the list and the working directory are unchanged).
int open_file_dialog(HWND window);

// Opens name, a file named from outside the program (its command line, a
// drop), as the open dialog opens a chosen file whose read-only box was left
// as the READONLY preference: the same checks, messages, working directory
// and recent list. The name is taken as it is, no extension added, and made a
// full path; a name that is no existing file is refused with "Can not open
// file." and nothing is created. Returns RC_OK (call close_file later) or
// RC_OPEN_FAILED (the reason was shown).
int open_named_file(HWND window, const char* name);

// The first file named on command_line (the whole line as GetCommandLineW
// gives it, the program's own name first) or dropped (drop, from
// WM_DROPFILES), into path (RECENT_PATH_CHARS characters) in the ANSI code
// page. A name that cannot be spelled there or is too long comes out as one
// that open_named_file refuses. False when no file is named.
bool first_named_file(const wchar_t* command_line, char* path);
bool first_dropped_file(HDROP drop, char* path);

// Closes the open stream file (deleted when empty). Returns the result of
// stream_close, RC_OK.
int close_file();

// Opens recent-file entry command_id - CMD_RECENT_FILE_1 (command_id from
// CMD_RECENT_FILE_1 to CMD_RECENT_FILE_4) with the READONLY preference. Call
// only with no file open. Returns RC_OK (the entry moves to the top and its
// folder becomes the working directory; call close_file later) or
// RC_OPEN_FAILED (the reason was shown with report_error; the entry stays).
int open_recent_file(HWND window, int command_id);

// Puts path (at most 255 characters) at the top of the recent list: an equal
// entry (compared case included) moves up, a new path pushes the others down
// and the fourth drops out. Then rebuilds the list in the File menu, position
// 0 of menu: after "Close" a separator of its own and the entries "&1  path"
// .. "&4  path" as CMD_RECENT_FILE_1 onwards, labels cut to 255 characters.
// An empty path changes nothing.
void recent_add(const char* path, HMENU menu);

// recent_add with the menu of window.
void recent_add_for_window(HWND window, const char* path);

// Copies entry index (0 the most recent, up to RECENT_FILE_COUNT - 1) into
// destination (RECENT_PATH_CHARS characters); an unused entry is empty.
void recent_get(char* destination, int index);

// Copies the working directory into destination (RECENT_PATH_CHARS characters).
void get_working_directory(char* destination);

// Makes the first count characters of path (fewer if path is shorter, at most
// 255) the working directory.
void set_working_directory(const char* path, int count);
