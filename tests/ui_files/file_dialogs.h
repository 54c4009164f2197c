// Scripted answers for the common open dialog and the program's message
// boxes, given from inside their modal loops (see test_window.h).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct OpenAnswer {
    std::string name;    // typed into the file name box
    bool ok = true;      // OK, else Cancel
    int read_only = -1;  // 0 or 1: the read-only box before OK; -1 leaves it
};

// What the open dialog showed when it came up.
struct OpenSeen {
    std::string folder;      // the folder it started in
    bool read_only_checked;  // its read-only box
};

struct BoxSeen {
    std::string caption;
    std::string text;
};

// From now on every open dialog takes the next answer (a dialog without one
// fails the test and is cancelled) and every message box is recorded and
// answered with OK.
void script_dialogs(std::vector<OpenAnswer> answers);
void stop_scripting();

// The dialogs and boxes seen since script_dialogs, in order.
const std::vector<OpenSeen>& open_dialogs_seen();
const std::vector<BoxSeen>& boxes_seen();

// Answers not yet used.
size_t answers_left();

// The File menu of window as text, a separator as "-".
std::vector<std::string> file_menu(HWND window);
// Recent-file entry index and the working directory, as strings.
std::string recent(int index);
std::string working_directory();
// A "Normal" stream file of frames frames (high byte first, as the bitstream is).
void write_stream_file(const std::string& path, int frames);
