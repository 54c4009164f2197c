// Controls of the "PREFERENCES" dialog. Included by preferences.rc and by the
// C++ code, so it holds preprocessor definitions only.
#pragma once

#define IDC_PREF_OUTPUT_FORMAT 5001  // drop-down list: index = SPDIFMODE
#define IDC_PREF_RECORD_FORMAT 5002  // drop-down list: index = PREFRECFORMAT
#define IDC_PREF_REQUIRE_TC 5003     // check box: REQUIRETC
#define IDC_PREF_ERR_CHECK 5004      // check box: ERRCHECK
#define IDC_PREF_READ_ONLY 5005      // check box: READONLY

// The device lists, and their labels and note (texts from the string table).
#define IDC_PREF_PLAY_DEVICE 5006  // drop-down list: PLAYDEVICE by name
#define IDC_PREF_REC_DEVICE 5007   // drop-down list: RECDEVICE by name
#define IDC_PREF_PLAY_DEVICE_TEXT 5008
#define IDC_PREF_REC_DEVICE_TEXT 5009
#define IDC_PREF_DEVICE_NOTE 5010
#define IDC_PREF_DEVICE_NOTE_2 5011
