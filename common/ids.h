// Command and control ids. Commands travel in the low 16 bits of WM_COMMAND's
// word parameter; the controls are those of the main window's template.
#pragma once

// File menu.
#define CMD_OPEN 2051
#define CMD_CLOSE 2052
#define CMD_EXIT 2053
#define CMD_RECENT_FILE_1 2054
#define CMD_RECENT_FILE_2 2055
#define CMD_RECENT_FILE_3 2056
#define CMD_RECENT_FILE_4 2057
// Options and Help menus.
#define CMD_PREFERENCES 2100
#define CMD_HELP 2200
#define CMD_ABOUT 2201
// Transport buttons.
#define CMD_STOP 3011
#define CMD_PLAY 3012
#define CMD_RECORD 3013
#define CMD_TO_START 3020
#define CMD_STEP_BACK 3021
#define CMD_STEP_FORWARD 3022
#define CMD_TO_END 3023
// The "Open File..." / "Close File" button.
#define CMD_OPEN_CLOSE 4100
// The frame errors' "Reset" button.
#define CMD_RESET_ERRORS 1201

// Display fields of the main window (one-line list boxes).
#define IDC_SAMPLE_RATE 1100
#define IDC_DATA_RATE 1101
#define IDC_BSMOD 1102
#define IDC_ACMOD 1103
#define IDC_LFE 1104
#define IDC_DIALNORM 1105
#define IDC_FRAME_ERRORS 1200
#define IDC_TIME 1300
// Time display radio buttons.
#define IDC_TIME_SMPTE 1400
#define IDC_TIME_ELAPSED 1401
#define IDC_TIME_FRAMES 1402
// Position slider (trackbar).
#define IDC_SLIDER 1600
// The static that marks where the transport buttons go.
#define IDC_BUTTON_BAR 101
