// The status bar along the bottom of the main window: four parts (transport
// status, CRC checking, the file's frame count, the file's layout), replaced by
// one help line while the user moves through the menus.
#pragma once

#include <windows.h>

// The status bar's child id in the main window.
#define IDC_STATUS_BAR 100

constexpr int STATUS_PART_COUNT = 4;
// Right edges of the parts as percentages of the main window's client width;
// the last part reaches the right edge (-1).
constexpr int STATUS_PART_EDGES[STATUS_PART_COUNT] = {27, 33, 66, -1};

// Creates the status bar of window (destroying one made before), sets its four
// parts from the window's client width, shows it and notes the window's menu
// for the menu help. Call once the window exists and before any text is set.
void create_status_bar(HWND window);

// Shows the text of string id (empty for an id without text) in part 0..3.
// window is not used; without a status bar nothing happens.
void set_status_text_id(HWND window, int part, int string_id);

// Shows text in part 0..3. window is not used; without a status bar nothing
// happens.
void set_status_text(HWND window, int part, const char* text);

// Handler of the main window's chain. WM_SYSCOLORCHANGE is passed on to the
// status bar and returns 0 so that later handlers see it too; WM_MENUSELECT
// shows the menu help and returns 1 (0 when there is no status bar); every
// other message returns 0.
int status_bar_handler(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Shows the help line for a WM_MENUSELECT (its word and long parameters): the
// text at the command's id for a command, at 20400 + position for a popup of
// the menu bar, an empty line for system-menu entries and anything else; the
// closing of the menu brings the four parts back.
void show_menu_help(HWND window, WPARAM wparam, LPARAM lparam);
