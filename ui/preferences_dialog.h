// The preferences dialog: a modal dialog that edits the five user
// preferences and chooses the playback and record devices by name. It has no
// Cancel: Escape and the close box leave it open, OK stores the lists'
// selections and the boxes' states.
#pragma once

#include <windows.h>

// Name of the dialog template (looked up without regard to case).
#define PREFERENCES_DIALOG_NAME "PREFERENCES"

// The dialog procedure, for DialogBoxParamA with PREFERENCES_DIALOG_NAME and
// the main window as owner (the parameter is not used). Changes to "Require
// time code packets" and "Open files read-only" are stored as soon as the box
// is clicked, the rest when OK is pressed. A list without a selection (a
// stored value outside its entries) keeps the stored value. The device lists
// show the devices present when the dialog opens; a stored device that is
// not present is shown with a mark and kept unless another entry is chosen.
// Returns nonzero for a handled message.
INT_PTR CALLBACK preferences_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
