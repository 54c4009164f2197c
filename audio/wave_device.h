// The device each engine opens: the one the user chose by name in the
// preferences, looked up in the system's list at every start, because the
// list's order changes as devices come and go.
#pragma once

// The name under which output / input device id (0..count-1) is listed and
// chosen: the system's name, followed by " (2)", " (3)", ... for the second,
// third, ... device of the same name (the first such label that no earlier
// device has), so that a choice names one device.
// Writes label (DEVICE_NAME_CHARS characters); false when id names no device.
bool playback_device_label(int id, char* label);
bool record_device_label(int id, char* label);

// Finds the device Play uses (PLAYDEVICE) among the output devices present
// now, or the one Record uses (RECDEVICE) among the input devices, by label.
// Returns true with *id set to WAVE_DEFAULT_DEVICE when no device is chosen,
// or to the device of the chosen label. Returns false when no device present
// has it: a chosen device is never replaced by another.
bool find_playback_device(int* id);
bool find_record_device(int* id);
