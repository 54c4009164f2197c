// The capture engine: records 48 kHz 16-bit stereo PCM from the chosen input
// device (the RECDEVICE preference, else the system's default), finds the
// data bursts in it (either placement), hands every complete payload to the
// bitstream layer and, while recording, to the recording writer. Runs on the
// wave buffer ring; the receiver carries over from one buffer to the next and
// from one capture to the next.
#pragma once

#include <cstdint>

#include "audio/burst_framing.h"
#include "platform/wave.h"

// What one scan found.
struct CaptureScan {
    int32_t frames;      // AC-3 frames completed
    int32_t time_codes;  // time code packets completed
    // RC_OK, or the writer's refusal (RC_NO_TIME_CODE, RC_WRITE_FAILED,
    // RC_FILE_TOO_LARGE) that ended the scan after the word that completed the
    // refused packet.
    int32_t refusal;
};

// Opens the input device chosen by name (RECDEVICE, looked up again now; the
// system's default device when none is chosen) at 48000 Hz, notifying window,
// queues the three buffers, starts the device and sets the receiver to seek
// Pa. A device left open by a refused stop (input or output) is first stopped
// again. Returns RC_OK; RC_RECORD_CLOSE_FAILED or RC_PLAYBACK_CLOSE_FAILED
// when that input or output device still refuses to stop; RC_NO_RECORD_DEVICE
// when the chosen device is not present, the device refuses the format,
// cannot be opened, or there is no wave buffer ring (then no device is
// touched). After RC_OK call stop_capture.
int start_capture(WindowHandle window);

// Scans the filled buffer at the ring's current node (all 24,576 words) and
// queues it again; call once per filled input buffer (MM_WIM_DATA) while
// recording or armed. transport_state STATE_RECORDING also writes every
// packet to the file. Counts a frame error when all three buffers had come
// back (overrun); clears the time code's valid flag when the buffer brought no
// time code packet. Returns the writer's refusal, RC_NO_TIME_CODE,
// RC_WRITE_FAILED or RC_FILE_TOO_LARGE (the caller stops); otherwise RC_DATA
// when an AC-3 frame was completed in this buffer, else RC_NO_DATA. While no
// capture runs it touches no buffer and returns RC_NO_DATA.
int on_input_buffer_filled(int transport_state);

// Runs the capture receiver over words PCM words (little-endian, as the device
// fills them) of any buffer, completing packets as on_input_buffer_filled does.
// Needs the wave buffer ring (its scratch buffer takes the payloads). Fills
// *scan; stops early after a refused packet. A time code burst shorter than a
// packet is dropped as if lost. A frame is recorded at the size its header
// gives: a shorter burst with the missing words as zeros, and with ERRCHECK on
// counted as a frame error; a longer one cut. A burst too short to carry a
// frame header (4 words), or whose header gives no size, is not recorded.
void receive_pcm(const uint8_t* pcm, int32_t words, int transport_state, CaptureScan* scan);

// Resets the device, unregisters the three headers, closes the device, and
// (the first time after a start) cuts the file at its position and measures
// it again: the take ends at the stop also when the device refuses to. Returns
// RC_OK (also when no capture was started); RC_WRITE_FAILED when the file
// could not be cut; otherwise RC_RECORD_CLOSE_FAILED when reset or close is
// refused: the device stays open, keeps the ring's buffers (device_open stays
// set) and is stopped again by the next call or the next start of either
// engine. Nothing is queued after it (active 0); a reset refused again is
// passed over once the device has handed all three buffers back, so that the
// close is tried.
int stop_capture();
