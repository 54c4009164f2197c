// The application frame: start-up, the main window and its procedure, the
// about box and the message loop.
#pragma once

#include <windows.h>

// The main window's class, which its dialog template names.
#define MAIN_WINDOW_CLASS "bitdek"
// Resource names of the main window's template, menu, accelerators and icon,
// and of the about box.
#define MAIN_WINDOW_RESOURCE "bitdek"
#define ABOUT_BOX_TEMPLATE "ABOUTBOX"

#define TEXT_NO_MEMORY "Could not allocate memory."
#define TEXT_SETTINGS_NOT_SAVED "The settings could not be saved: BITDEK.INI cannot be written."
#define TEXT_HELP "Help not yet implemented!"
#define HELP_BOX_CAPTION "Orvel Digital Recorder Help"

// Start-up up to a visible main window: keeps the instance, initialises the
// common controls, registers the class (once per process), loads the
// accelerators, creates the main window from its template, allocates the wave
// buffer ring (a failure is reported with a warning box and start-up goes on),
// loads the settings, creates the status bar, resets to the no-file look, lays
// out the button bar, shows the window with show_command and focuses "Open
// File...". The window takes dropped files; the first file named on
// command_line (as GetCommandLineW gives it; none when null) is opened with
// open_outside_file. Returns the main window (null when it could not be
// created).
// The window lives until WM_CLOSE (or the end of the session); its WM_DESTROY
// saves the settings (saying so when they cannot be), frees the ring and posts
// the quit message.
HWND start_program(HINSTANCE instance, int show_command, const wchar_t* command_line = nullptr);

// Runs the message loop for window until the quit message: accelerators
// first, then the dialog keyboard interface (Tab, arrows, mnemonics), then
// dispatch. Returns the quit message's code.
int run_message_loop(HWND window);

// The instance handle kept by start_program, for resource loads.
HINSTANCE app_instance();

// The main window's procedure: closing (the end of the session too) and
// destruction, exit, help and about itself, and, as a dialog box does, the
// focus handed back to the control that had it when the window is active
// again; everything else goes to the transport controller's notification and
// command handlers, the button bar and the status bar, in this order. Returns
// 1 for a message one of them handled, else DefWindowProcA's result.
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The about box's dialog procedure; OK, Escape and the close box end it.
INT_PTR CALLBACK about_box_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
