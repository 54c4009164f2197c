// The scripted waveform device: an implementation of platform/wave.h for tests
// (link bitdek_scripted_wave instead of bitdek_platform_wave). It opens
// whatever it is asked to unless told to refuse, keeps submitted buffers in
// order, returns them only when the test says so (setting the done flag as a
// real device does, and posting MM_WOM_DONE / MM_WIM_DATA when the window
// given at open is a real window), fills input buffers from PCM the test
// supplies, keeps a copy of every submitted output buffer and counts calls.
// Besides the default device it lists the named devices the test gives it and
// notes which device every open asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/wave.h"

// Results for a refused call (MMSYSERR_ALLOCATED), a header the device cannot
// take now (WAVERR_STILLPLAYING), an id that names no device
// (MMSYSERR_BADDEVICEID) and a format the device refuses (WAVERR_BADFORMAT).
constexpr int SCRIPTED_REFUSED = 4, SCRIPTED_STILL_PLAYING = 33;
constexpr int SCRIPTED_BAD_DEVICE = 2, SCRIPTED_BAD_FORMAT = 32;

// A device in the system's list: its name, and whether it refuses every format.
struct ListedDevice {
    std::string name;
    bool refuses_format;
};

enum ScriptedCall : int {
    CALL_OUT_QUERY,
    CALL_OUT_OPEN,
    CALL_OUT_PREPARE,
    CALL_OUT_UNPREPARE,
    CALL_OUT_WRITE,
    CALL_OUT_RESET,
    CALL_OUT_CLOSE,
    CALL_IN_QUERY,
    CALL_IN_OPEN,
    CALL_IN_PREPARE,
    CALL_IN_UNPREPARE,
    CALL_IN_ADD_BUFFER,
    CALL_IN_START,
    CALL_IN_RESET,
    CALL_IN_CLOSE,
    CALL_COUNT
};

// Back to a fresh device: nothing open or queued, no refusals, no supplied
// PCM, no kept buffers, all counts 0, output buffers kept, no devices listed
// besides the default one.
void scripted_wave_reset();

// Makes the given call fail with SCRIPTED_REFUSED (refuse 1) or succeed
// again (refuse 0).
void scripted_wave_refuse(ScriptedCall call, int refuse);

// The output and input devices listed from now on, in the system's order (ids
// 0, 1, ...). The default device (WAVE_DEFAULT_DEVICE) is always there and
// takes any format.
void scripted_wave_list_devices(const std::vector<ListedDevice>& outputs,
                                const std::vector<ListedDevice>& inputs);

// What one direction of the device shows: open; started (input); the format
// given at the last query or open; buffers queued and not returned; the
// device id asked for by every open since the last reset, in order, whether
// it succeeded or not.
struct ScriptedDirection {
    bool open;
    bool started;
    WaveFormat format;
    int queued;
    std::vector<int> opens;
};
const ScriptedDirection& scripted_wave_out();
const ScriptedDirection& scripted_wave_in();

// Calls made of one kind since the last reset.
int scripted_wave_calls(ScriptedCall call);

// Calls that a real device would reject and the scripted one reports as
// faults: a header unprepared while queued, a buffer submitted without
// preparation, a device closed with buffers queued or still prepared, a call
// on a handle that is not open. 0 while the engines use the device correctly.
int scripted_wave_misuse();

// Returns the oldest count queued output buffers (fewer when fewer are
// queued), as played. Returns how many were returned.
int scripted_wave_return_output(int count);

// Whether wave_out_write keeps a copy of each buffer (on by default; off for
// benchmarks and allocation counts).
void scripted_wave_keep_output(bool keep);

// Every output buffer submitted since the last reset, in order, as its bytes
// stood at submission.
const std::vector<std::vector<uint8_t>>& scripted_wave_output_buffers();

// Appends PCM bytes (little-endian 16-bit stereo) to what the device will
// record.
void scripted_wave_supply_input(const uint8_t* bytes, size_t count);

// Supplied bytes not yet recorded.
size_t scripted_wave_input_left();

// Fills the oldest count queued input buffers (fewer when fewer are queued;
// none before wave_in_start) with the next supplied PCM, zeros once the
// supply is used up, and returns them. Returns how many were filled.
int scripted_wave_fill_input(int count);
