// The device each engine opens: the one the user chose by name in the
// preferences, looked up in the system's list at every start, because the
// list's order changes as devices come and go.
#pragma once

// Finds the device Play uses (PLAYDEVICE) among the output devices present
// now, or the one Record uses (RECDEVICE) among the input devices. Returns
// true with *id set to WAVE_DEFAULT_DEVICE when no device is chosen, or to the
// first device of the chosen name. Returns false when no device present has
// that name: a chosen device is never replaced by another.
bool find_playback_device(int* id);
bool find_record_device(int* id);
