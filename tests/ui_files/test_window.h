// A main window built from the program's "bitdek" template, and the answering
// of modal dialogs and message boxes from inside their modal loops: a CBT hook
// notices each dialog as it is activated and the main window's test procedure
// hands it to the handler, so every answer is driven by messages, not timing.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Registers the class "bitdek" with the test procedure (once) and creates a
// hidden main window from the template, menu included.
HWND create_test_main_window();

// Each dialog or message box activated from now on is passed, once, to
// handler while its modal loop runs. An empty handler removes the hook.
void set_dialog_handler(std::function<void(HWND dialog)> handler);

// Runs step from the main window's message processing after every message
// posted before it (and after those the handled messages post in turn, hops
// times over).
void post_step(HWND main_window, std::function<void()> step, int hops = 1);

std::string window_text(HWND window);
std::string item_text(HWND dialog, int id);

// A message box as the system builds it: its text sits in the static 0xFFFF.
bool is_message_box(HWND dialog);

// Presses a dialog's button the way a click does: through the button itself.
void click_button(HWND dialog, int id);
