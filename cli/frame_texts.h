// The texts under which the main window shows a frame's parameters, the file
// layout and times, so that the tool reports what the program shows; and
// strings as JSON gives them.
#pragma once

#include <string>

#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"

// Parameter texts of a frame; "" where the window's field shows nothing.
const char* data_rate_text(const FrameInfo& info);    // "448 kbps"
const char* sample_rate_text(const FrameInfo& info);  // "48 kHz"
const char* acmod_text(const FrameInfo& info);        // "3/2: L,C,R,Ls,Rs"
const char* lfe_text(const FrameInfo& info);          // "On"
const char* bsmod_text(const FrameInfo& info);        // "Main audio service: Complete main"
const char* dialnorm_text(const FrameInfo& info);     // "-27 dB"

// "Normal + Time Code", "Normal", "PC Format"; "" for any other value.
const char* format_text(int format);

// A time in seconds as hh:mm:ss.t (hours not wrapped).
std::string elapsed_text(double seconds);

// SMPTE text of a time code: "01:02:03:04 - 29.97 fps drop frame".
std::string time_code_text(const TimeCode& tc);

// s as a JSON string, quotes included.
std::string json_string(const std::string& s);
