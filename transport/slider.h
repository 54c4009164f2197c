// The position slider (IDC_SLIDER): a trackbar of fixed range 0..SLIDER_MAX
// that stands for the open file's frames, kept in step with the read position
// unless the user is dragging its thumb.
#pragma once

#include <windows.h>

constexpr int SLIDER_MAX = 32767;

// Disables the slider, puts the thumb at 0, sets the range 0..SLIDER_MAX and
// resumes tracking.
void reset_slider(HWND window);

// Disables the slider while the input device runs (enables it otherwise); then,
// while tracking, moves the thumb to the current frame.
void update_slider(HWND window);

// Frames from the current position to the frame the thumb points at (negative:
// backwards). 0 for a file without frames.
int slider_frame_delta(HWND window);

// 1: the thumb follows the file position; 0: the user is dragging it.
void set_slider_tracking(int flag);
