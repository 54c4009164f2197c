// The playback engine: plays the open stream file out of the chosen output
// device (the PLAYDEVICE preference, else the system's default) as 16-bit
// stereo PCM, one block of 1536 sample pairs per frame at the frame's own
// sample rate, every frame inside a data burst (after its time code burst in
// files with time code). Runs on the wave buffer ring.
#pragma once

#include <cstdint>

#include "audio/burst_framing.h"
#include "common/words.h"
#include "platform/wave.h"

// Opens the output device chosen by name (PLAYDEVICE, looked up again now;
// the system's default device when none is chosen) at the current frame's
// sample rate (48000 Hz when no frame with a defined sample rate code has been
// parsed), notifying window, and queues three silent buffers. A device left
// open by a refused stop (output or input) is first stopped again. Returns
// RC_OK; RC_PLAYBACK_CLOSE_FAILED or RC_RECORD_CLOSE_FAILED when that output
// or input device still refuses to stop; RC_NO_PLAYBACK_DEVICE when the
// chosen device is not present, the device refuses the format, cannot be
// opened, or there is no wave buffer ring (then no device is touched). After
// RC_OK call stop_playback.
int start_playback(WindowHandle window);

// Refills the returned buffer at the ring's current node with the next eight
// frames and queues it again; call once per finished output buffer (MM_WOM_DONE)
// while playing. Counts a frame error when all three buffers had come back
// (underrun) and for every frame too long for its block in the 16-bit formats.
// Returns RC_OK; RC_END_OF_FILE when the file ended in this buffer (the
// reader is back at the start, the device drains); after that RC_OK until all
// three buffers are back, then RC_PLAYBACK_DRAINED: the caller stops.
int on_output_buffer_done();

// Fills buffer (0xC000 bytes, WAVE_BUFFER_BYTES) with the next frames of the
// open stream file, one per block of 3072 words in the output format of the
// SPDIFMODE preference, each after its time code burst in a file with time
// code; scratch (at least MAX_RECORD_WORDS words) takes each record on its
// way. Blocks without a frame stay silent. A frame too long for its block is
// not sent and counts as a frame error. Returns the frames placed: 8, or
// fewer when the file ended. The device-free part of the refill.
int fill_output_buffer(uint8_t* buffer, Word* scratch);

// Resets the device, unregisters the three headers and closes the device;
// nothing is queued after it (active 0). Returns RC_OK (also when no device
// is open), or RC_PLAYBACK_CLOSE_FAILED when reset or close is refused: the
// device stays open, keeps the ring's buffers (device_open stays set) and is
// stopped again by the next call or the next start of either engine. A reset
// refused again is then passed over once the device has handed all three
// buffers back, so that the close is tried.
int stop_playback();
