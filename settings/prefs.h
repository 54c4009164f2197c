// User preferences in memory, read through getters at each use so that a
// change takes effect at the next use. Nothing is range-checked: a setter
// stores what it is given.
#pragma once

// SPDIFMODE: playback output format. 0 "32-bit", 1 "16-bit channel 1", 2 "16-bit channel 2".
int get_spdif_mode();
void set_spdif_mode(int value);

// PREFRECFORMAT: layout of new recordings, a FileFormat.
int get_rec_format();
void set_rec_format(int value);

// ERRCHECK: nonzero checks the CRC of every AC-3 frame.
int get_err_check();
void set_err_check(int value);

// REQUIRETC: nonzero requires time code packets in a "Normal + Time Code" recording.
int get_require_tc();
void set_require_tc(int value);

// READONLY: nonzero opens files read-only.
int get_read_only();
void set_read_only(int value);

// Characters of a stored device name, terminator included. The system's
// names are far shorter, so a longer name, cut here, still names no device.
constexpr int DEVICE_NAME_CHARS = 256;

// PLAYDEVICE / RECDEVICE: the name of the device that Play / Record open;
// empty for the system's default device. get copies the name into name
// (DEVICE_NAME_CHARS characters); set stores it, cut to DEVICE_NAME_CHARS - 1
// characters.
void get_play_device(char* name);
void set_play_device(const char* name);
void get_rec_device(char* name);
void set_rec_device(const char* name);

// Time display mode: 0 SMPTE, 1 elapsed time, 2 frame count.
int get_time_display_mode();
void set_time_display_mode(int value);
