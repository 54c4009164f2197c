// The transport button bar: seven bitmap push buttons (stop, play, record, a
// gap, to start, step back, step forward, to end) spread over the bar's area,
// each showing a picture built from its bitmap resource in the system's button
// colours, a brighter picture while pressed, and a washed-out one while
// disabled.
#pragma once

#include <windows.h>

// One entry of the bar, in bar order. A control_id of 0 marks a gap.
struct TransportButton {
    int control_id;  // the button's control id
    int bitmap_id;   // normal picture; the pressed picture is bitmap_id + 1
    int aux_id;      // a per-button number that no operation reads
    int pressed;     // 1: shows the pressed picture while enabled
    int enabled;     // 1: enabled, picture in system colours; 0: washed out
    int visible;     // 1: shown
};

constexpr int BUTTON_COUNT = 8;         // entries of the bar, the gap included
constexpr int BUTTON_SLOT_UNITS = 62;   // width units of a button entry
constexpr int BUTTON_WIDTH_UNITS = 60;  // a button's own width within its slot
constexpr int GAP_UNITS = 12;           // width units of a gap entry

// Places the buttons over IDC_BUTTON_BAR in proportion to its width, applies
// each entry's flags and hides the bar's static. Call once, after the window
// is created.
void layout_button_bar(HWND window);

// Set one flag of the button with control id to value and bring the button in
// line (its picture; EnableWindow; ShowWindow). An id that the bar does not
// hold is ignored.
void set_button_pressed(HWND window, int control_id, int value);
void set_button_enabled(HWND window, int control_id, int value);
void set_button_visible(HWND window, int control_id, int value);

// Index of the first entry with control id, or -1.
int find_button(int control_id);

// Builds the picture of entry index (0..BUTTON_COUNT-1, not the gap) from its
// flags, sets it on the button and deletes the picture it showed before.
void update_button_image(HWND window, int index);

// A screen-compatible bitmap of resource bitmap_id: enabled nonzero maps black,
// grey, light grey and white to the system's button text, shadow, face and
// highlight colours; zero turns every colour but black into white. Returns
// nullptr when the resource cannot be loaded or the bitmap cannot be made. The
// caller deletes the bitmap (DeleteObject).
HBITMAP load_button_bitmap(HINSTANCE instance, int bitmap_id, int enabled);

// Handler of the main window's chain: on WM_SYSCOLORCHANGE rebuilds every
// picture in the new colours. Returns 0 for every message.
int button_bar_handler(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
