// The tool's waveform device, a file-backed implementation of platform/wave.h.
// The output device writes every buffer submitted to it to the run's output
// (cli/output_file.h) as little-endian samples, in the order of submission;
// the input device fills its queued buffers from the PCM source
// (cli/pcm_source.h). Neither has a clock: the tool delivers the device's
// notifications itself, one finished buffer at a time, in the order the
// buffers were queued, exactly as the window messages would arrive.
#pragma once

#include <cstdint>

// Marks the oldest submitted output buffer finished. Returns true when there
// was one (the caller then handles it as a buffer-done notification), false
// when no buffer is outstanding.
bool file_wave_output_done();

// Fills the oldest queued input buffer from the PCM source and marks it
// finished. Returns true when it holds at least one word of input (the caller
// then handles it as a buffer-filled notification); false when the input has
// ended, or no buffer is queued, or the device is not started.
bool file_wave_input_filled();

// The sample rate the output device was last opened with; 0 before.
uint32_t file_wave_output_rate();

// True after a write of an output buffer failed; everything after it is lost.
bool file_wave_output_failed();

// Output buffers written so far.
int64_t file_wave_output_buffers();
