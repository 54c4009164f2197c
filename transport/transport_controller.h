// The transport controller: turns every user command and every buffer
// notification of the waveform devices into calls of the file store, the audio
// engines and the displays. It is the only writer of the transport state.
#pragma once

#include <windows.h>

// The message texts of the controller (the program's own wording).
#define TEXT_NO_PLAYBACK_DEVICE "Cannot open sound card for playback."
#define TEXT_NO_RECORD_DEVICE "Cannot open sound card for record."
#define TEXT_NO_TIME_CODE "Input stream does not have time code."
#define TEXT_WRITE_FAILED "Cannot write to the file."
#define TEXT_FILE_FULL "The file has reached 2 GB, the largest it can be."
#define TEXT_CONFIRM_ERASE \
    "This action will permanently erase the remainder of the file.\n\n\tDo you want to continue?"

// The full reset to "no file": state STATE_NO_FILE, frame parameters and time
// code cleared, parameter fields, slider and time display reset, no-file look.
// Called at start-up and by CMD_CLOSE.
void reset_to_no_file(HWND window);

// Opens path, named from outside the program (its command line, a file
// dropped on the window), with open_named_file, after stopping and closing a
// file that is open, and shows it ready. Does nothing while the input device
// runs, as File, Open does nothing then.
void open_outside_file(HWND window, const char* path);

// Redraws what follows the file and the devices, in this order: frame
// parameters, slider, time display, state look.
void refresh_main_window(HWND window);

// Takes MM_WOM_DONE (feeds the playback engine while playing; stops it once
// it has drained) and MM_WIM_DATA (scans the buffer while the input device
// runs; stops on a stream without the time code the file needs, or on a write
// failure, and says why). One that names a buffer the engine does not wait
// for (left behind by a device stopped since) is dropped. Returns 1 for these
// two messages in every state, else 0.
LRESULT audio_notification_handler(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Offers the message to the file commands, files dropped on the window
// (WM_DROPFILES: the first is opened with open_outside_file, unless a box has
// the window disabled), the transport buttons, the position slider, the
// preferences command, the time display buttons and the frame-error reset,
// in this order. Returns 1 when one of them took it, else 0. Commands are
// told apart by the low 16 bits of the word parameter alone.
LRESULT transport_command_handler(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
