// Shared by the engine tests: stream files built by the layouts' byte rules,
// and a fixture that gives each test a fresh ring, device, store and
// preferences.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/capture.h"
#include "audio/playback.h"
#include "audio/wave_ring.h"
#include "bitstream/frame_crc.h"
#include "bitstream/time_code.h"
#include "common/file_format.h"
#include "common/result.h"
#include "common/transport_state.h"
#include "common/words.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"

// Frames made from shape (seeds vary), each with a time code packet whose
// frame number counts up, and the bytes of their file in layout format.
struct Records {
    std::vector<std::vector<Word>> frames, packets;
};
Records make_records(FrameSpec shape, int count);
std::vector<uint8_t> stream_file_bytes(int format, const Records& records);

// Writes a stream file into dir and opens it.
void open_stream(const TempDir& dir, const std::string& name, const std::vector<uint8_t>& bytes);

// On the scripted device (engine_fixture.cpp).
class EngineTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void open_stream(const std::string& name, const std::vector<uint8_t>& bytes) {
        ::open_stream(dir, name, bytes);
    }
    TempDir dir;
};
