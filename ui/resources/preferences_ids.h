// Controls of the "PREFERENCES" dialog. Included by preferences.rc and by the
// C++ code, so it holds preprocessor definitions only.
#pragma once

#define IDC_PREF_OUTPUT_FORMAT 5001  // drop-down list: index = SPDIFMODE
#define IDC_PREF_RECORD_FORMAT 5002  // drop-down list: index = PREFRECFORMAT
#define IDC_PREF_REQUIRE_TC 5003     // check box: REQUIRETC
#define IDC_PREF_ERR_CHECK 5004      // check box: ERRCHECK
#define IDC_PREF_READ_ONLY 5005      // check box: READONLY
