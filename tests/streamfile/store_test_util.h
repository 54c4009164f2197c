// Records as the fetch delivers them, and a fixture that leaves
// the store and the preferences as the program starts them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bitstream/frame_crc.h"
#include "bitstream/time_code.h"
#include "common/burst.h"
#include "common/file_format.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"

typedef std::vector<Word> Words;

// Record i as the fetch delivers it (packet in stream order, marker in s6).
Words record_words(int format, const std::vector<Words>& frames, int i);
// Fetches to the end; checks that nothing past each record is written.
std::vector<Words> walk();

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { stream_close(); }
    std::string make_file(const std::string& name, const std::vector<uint8_t>& bytes);
    // Opens name in the test's folder, written with bytes first if given;
    // returns the path.
    std::string open(const std::string& name, const std::vector<uint8_t>* bytes = nullptr);
    std::string open(const std::string& name, const std::vector<uint8_t>& bytes) {
        return open(name, &bytes);
    }
    StreamFile file();
    TempDir dir;
};
