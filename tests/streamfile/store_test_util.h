// Shared by the stream file store's tests: files of frames in each layout built
// byte by byte, and a fixture that leaves the store and the preferences as the
// program starts them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/words.h"
#include "streamfile/stream_file.h"
#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"

typedef std::vector<Word> Words;

// count frames of one kind, each with its own audio pattern.
std::vector<Words> make_frames(int count, FrameSpec spec = {});

// 44.1 kHz frames at 192 kbit/s whose lengths alternate (417 and 418 words).
std::vector<Words> make_alternating_frames(int count);

// A packet for frame i of a 25 fps time code starting at 10:00:00:00.
Words packet_for(int i);

// The bytes of a file holding the frames in format, each frame with
// packet_for(i) ahead of it in "Normal + Time Code". Byte order is explicit:
// high byte first for the first two layouts, low byte first for "PC Format".
std::vector<uint8_t> file_bytes(int format, const std::vector<Words>& frames);

// The words of a record as the fetch delivers it (packet in stream order first).
Words record_words(int format, const std::vector<Words>& frames, int i);

// Fetches records until the end; each one's words.
std::vector<Words> walk();

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Writes bytes to name in the temporary folder; returns the path.
    std::string make_file(const std::string& name, const std::vector<uint8_t>& bytes);
    StreamFile file();
    TempDir dir;
};
