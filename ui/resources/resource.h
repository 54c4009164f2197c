// String-table ids of every text the program shows, and the ids of the
// resources that are not named. Included by bitdek.rc and by the C++ code, so
// it holds preprocessor definitions only.
#pragma once

// Menu help: a command's help text sits at the command's own id (2051..2201,
// see common/ids.h); the three popups of the menu bar at this base plus their
// position.
#define IDS_MENU_POPUP_HELP 20400

// Vocabulary fields of the main window: the first id of each list (no text, the
// blank entry 0), then the entries at the following ids.
#define IDS_SAMPLE_RATE_FIRST 10099
#define IDS_SAMPLE_RATE_COUNT 4
#define IDS_SAMPLE_RATE_NOT_INDICATED 10103
#define IDS_DATA_RATE_FIRST 10199
#define IDS_DATA_RATE_COUNT 39
#define IDS_BSMOD_FIRST 10299
#define IDS_BSMOD_COUNT 11
#define IDS_ACMOD_FIRST 10399
#define IDS_ACMOD_COUNT 9
#define IDS_DIALNORM_FIRST 10499
#define IDS_DIALNORM_COUNT 33
#define IDS_LFE_FIRST 10599
#define IDS_LFE_COUNT 3

// The open dialog's filter list; its last character separates the parts.
#define IDS_OPEN_FILTER 10700

// Preference lists: playback output formats and record layouts (3 each).
#define IDS_OUTPUT_FORMAT_FIRST 20000
#define IDS_RECORD_FORMAT_FIRST 20100
#define IDS_PREFERENCE_LIST_COUNT 3

// The preferences dialog's device lists: their first entry, the mark after a
// stored device that is not present, the lists' labels and the two lines of
// the note below them.
#define IDS_DEFAULT_DEVICE 20600
#define IDS_NOT_PRESENT 20601
#define IDS_PLAY_DEVICE_LABEL 20602
#define IDS_REC_DEVICE_LABEL 20603
#define IDS_DEVICE_NOTE 20604
#define IDS_DEVICE_NOTE_2 20605

// Status bar part 0 (transport status) and part 1.
#define IDS_NO_FILE_OPEN 20200
#define IDS_READY 20201
#define IDS_PLAYING 20202
#define IDS_RECORDING 20203
#define IDS_PRESS_PLAY_TO_RECORD 20204
#define IDS_WAITING_FOR_DATA 20205
#define IDS_CRC 20206

// Status bar part 3: the file's layout, by FileFormat (0..2).
#define IDS_FILE_FORMAT_FIRST 20300

// Main window texts.
#define IDS_ZERO_ELAPSED 20500
#define IDS_BLANK 20501
#define IDS_APP_TITLE 20502
#define IDS_OPEN_FILE 20503
#define IDS_CLOSE_FILE 20504
#define IDS_FRAME_COUNT 20505
#define IDS_TITLE_SEPARATOR 20506

// SMPTE suffixes: the frame rate at this base + rate code (1..9), then the
// drop-frame mark.
#define IDS_FRAME_RATE_BASE 21009
#define IDS_DROP_FRAME 21019

// The pictures of the transport buttons; a pressed picture is the normal one + 1.
#define IDB_STOP 4002
#define IDB_STOP_ACTIVE 4003
#define IDB_PLAY 4004
#define IDB_PLAY_ACTIVE 4005
#define IDB_RECORD 4006
#define IDB_RECORD_ACTIVE 4007
#define IDB_TO_START 4008
#define IDB_STEP_BACK 4009
#define IDB_STEP_FORWARD 4010
#define IDB_TO_END 4011
