// Texts shared by the displays.
#pragma once

// The one-space text that empty display fields and status bar parts show.
#define BLANK_TEXT_ID 20501
#define BLANK_TEXT " "
// Every string-table text is loaded into a buffer of this many characters.
#define TEXT_BUFFER_CHARS 60
