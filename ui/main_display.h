// The main window display: the six frame parameter fields, the frame-error
// field and everything that follows from the open file and the transport state
// (enabled controls and menu items, pressed buttons, title, the open/close
// button, status texts), plus the small control helpers that the other dialogs
// and displays use. Every display field is a one-line list box without
// selection: a vocabulary field holds all its texts and shows one by making it
// the current entry; a one-entry field holds one text that is replaced.
#pragma once

#include <windows.h>

#include "streamfile/stream_file.h"

// Fills the six parameter fields from the string table; each ends disabled and
// showing its blank entry.
void init_parameter_fields(HWND window);

// Shows the current FrameInfo in the six fields (enabling them). Does nothing
// while no frame has been parsed.
void show_frame_parameters(HWND window);

// Gives the window its look without an open file: blank, disabled frame-error
// field, disabled transport buttons, Open enabled and Close grayed in the menu,
// status "No file open", plain title, "Open File..." button.
void show_no_file(HWND window);

// Refreshes what depends on the open file (frame errors, frame count, layout,
// CRC mark, SMPTE button) and applies the look of the current transport state;
// in STATE_RECORD_ARMED every second call toggles the record button's picture.
void show_transport_state(HWND window);

// Control helpers. Each takes the window and a control id first.

// Empties list box id, appends the texts of string ids first..first+count-1
// (an id without text gives an empty entry), disables it and sets no entry current.
void fill_list_from_strings(HWND window, int id, int first, int count);

// The same for combo box id.
void fill_combo_from_strings(HWND window, int id, int first, int count);

// Enables (enable nonzero) or disables list box id, then makes entry index the
// current, visible entry unless it already is. An index the list does not hold
// leaves the visible entry as it was.
void select_list_entry(HWND window, int id, int index, int enable);

// Empties one-entry field id, disables it and leaves it holding the blank text.
void clear_number_field(HWND window, int id);

// The number that one-entry field id shows: -1 for the blank text or an empty
// list, else its leading decimal number (0 when there is none).
int read_number_field(HWND window, int id);

// Replaces the entry of one-entry field id with the blank text (value -1) or
// with value formatted by format (a printf format taking one int).
void write_number_field(HWND window, int id, const char* format, int value);

// Enables or disables field id and shows value with "%d", rewriting the field
// only when the number differs from what it shows.
void show_number(HWND window, int id, int value, int enable);

// Enables or disables field id and replaces its entry with text.
void show_text(HWND window, int id, const char* text, int enable);

// Disables button id and removes its check mark.
void clear_radio(HWND window, int id);

// 1 when button id is checked, else 0.
int is_checked(HWND window, int id);

// Checks button id when value equals 1, unchecks it for any other value.
void set_checked(HWND window, int id, int value);

// Enables (enable nonzero) or disables control id.
void enable_control(HWND window, int id, int enable);

// The words one frame takes in the file: its nominal frame length, plus the
// time code packet stored before each frame of a "Normal + Time Code" file. 0
// while the file has no frame size yet.
double words_per_record(const StreamFile& file);

// Loads string id into buffer (chars characters, terminator included); an id
// without text gives the empty text. Returns the length.
int load_text(int id, char* buffer, int chars);
