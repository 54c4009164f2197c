#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "bitstream/frame_crc.h"
#include "bitstream/time_code.h"
#include "common/file_format.h"
#include "platform/file_io.h"
#include "settings/prefs.h"
#include "tests/streamfile/store_test_util.h"

namespace {

constexpr int FORMATS[] = {FORMAT_NORMAL_TC, FORMAT_NORMAL, FORMAT_PC};

FrameSpec rate_448() {
    FrameSpec spec;
    spec.frmsizecod = 30;  // 448 kbit/s at 48 kHz: 896 words
    return spec;
}

int32_t record_size(int format, int32_t frame_words) {
    return frame_words + (format == FORMAT_NORMAL_TC ? 8 : 0);
}

// Fetches one record and tells which of frames it is (-1: none of them).
int fetch_index(int format, const std::vector<Words>& frames) {
    Words buffer(MAX_RECORD_WORDS);
    int32_t frame = stream_next_frame(buffer.data());
    if (frame == 0)
        return -1;
    buffer.resize(static_cast<size_t>(record_size(format, frame)));
    for (size_t i = 0; i < frames.size(); ++i)
        if (buffer == record_words(format, frames, static_cast<int>(i)))
            return static_cast<int>(i);
    return -1;
}

TEST_F(StoreTest, OpensEachLayoutAndMeasuresIt) {
    std::vector<Words> frames = make_frames(10, rate_448());
    for (int format : FORMATS) {
        SCOPED_TRACE(format);
        std::vector<uint8_t> bytes = file_bytes(format, frames);
        std::string path = make_file("ten.ac3", bytes);
        ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
        StreamFile f = file();
        EXPECT_STREQ(path.c_str(), f.name);
        EXPECT_EQ(format, f.format);
        EXPECT_EQ(format == FORMAT_NORMAL_TC ? 9040 : 8960, f.length);
        EXPECT_EQ(10, f.frame_count);
        EXPECT_EQ(896.0, f.words_per_frame);
        EXPECT_EQ(0, f.read_only);
        EXPECT_EQ(0, stream_get_position());
        stream_close();
        EXPECT_EQ(bytes, read_file_bytes(path));
    }

    // A trailing odd byte is no word: 4481 bytes are 2240 words.
    FrameSpec spec;
    spec.frmsizecod = 22;  // 448 words
    std::vector<uint8_t> odd = file_bytes(FORMAT_NORMAL, make_frames(5, spec));
    odd.push_back(0x42);
    std::string path = make_file("odd.ac3", odd);
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
    EXPECT_EQ(2240, file().length);
    EXPECT_EQ(5, file().frame_count);
}

TEST_F(StoreTest, NewEmptyAndForeignFiles) {
    set_rec_format(FORMAT_PC);
    std::string fresh = dir.path("new.ac3");
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(fresh.c_str(), 1)));
    EXPECT_EQ(FORMAT_PC, file().format);
    EXPECT_EQ(0, file().length);
    EXPECT_EQ(0, file().read_only);  // a file just made is always writable
    EXPECT_TRUE(file_exists(fresh));
    stream_close();
    EXPECT_FALSE(file_exists(fresh));

    set_rec_format(FORMAT_NORMAL_TC);
    std::string empty = make_file("empty.ac3", {});
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(empty.c_str(), 0)));
    EXPECT_EQ(FORMAT_NORMAL_TC, file().format);
    EXPECT_EQ(0, file().length);
    Words buffer(MAX_RECORD_WORDS);
    EXPECT_EQ(0, stream_next_frame(buffer.data()));
    stream_close();
    EXPECT_FALSE(file_exists(empty));

    // One byte is no word, but it is not nothing: closing keeps it.
    std::string one = make_file("one.ac3", {0x0B});
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(one.c_str(), 0)));
    EXPECT_EQ(0, file().length);
    stream_close();
    EXPECT_EQ(std::vector<uint8_t>{0x0B}, read_file_bytes(one));

    // Not a stream file: refused and left as it was; the store is free again.
    std::vector<uint8_t> text(40, 'x');
    std::string foreign = make_file("notes.ac3", text);
    EXPECT_EQ(Rc(RC_INVALID_FORMAT), Rc(stream_open(foreign.c_str(), 0)));
    EXPECT_EQ(0, file().length);
    EXPECT_EQ(0, file().frame_count);
    EXPECT_EQ(text, read_file_bytes(foreign));
    std::string good = make_file("good.ac3", file_bytes(FORMAT_NORMAL, make_frames(2)));
    EXPECT_EQ(Rc(RC_OK), Rc(stream_open(good.c_str(), 0)));
}

TEST_F(StoreTest, KeepsTheWholeOfALongPath) {
    std::string long_name = std::string(150, 'n') + ".ac3";
    std::string path = dir.path(long_name);
    ASSERT_GT(path.size(), 160u);
    ASSERT_LT(path.size(), static_cast<size_t>(STREAM_NAME_CHARS));
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
    EXPECT_STREQ(path.c_str(), file().name);
    stream_close();
    EXPECT_FALSE(file_exists(path));  // the delete needs the whole name

    // Too long to keep: refused rather than cut to another name.
    std::string too_long = dir.path(std::string(STREAM_NAME_CHARS, 'a'));
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(stream_open(too_long.c_str(), 0)));
    EXPECT_TRUE(std::filesystem::is_empty(dir.dir()));
}

TEST_F(StoreTest, ReadOnlyWhenWritingIsRefused) {
    std::vector<uint8_t> bytes = file_bytes(FORMAT_NORMAL, make_frames(3));
    std::string path = make_file("ro.ac3", bytes);
#ifdef _WIN32
    // Another program holds the file and lets nobody write it.
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
#else
    chmod(path.c_str(), 0444);
    MmFileHandle probe = mmfile_open(path.c_str(), MMF_READWRITE, nullptr);
    if (probe != nullptr) {
        mmfile_close(probe);
        GTEST_SKIP() << "this user may write a file without write permission (root)";
    }
#endif
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
    EXPECT_EQ(1, file().read_only);
    EXPECT_EQ(3, file().frame_count);
    stream_close();
#ifdef _WIN32
    CloseHandle(other);
#endif
    EXPECT_EQ(bytes, read_file_bytes(path));
}

TEST_F(StoreTest, FetchDeliversEveryRecordWhole) {
    FrameSpec biggest;
    biggest.fscod = 2;
    biggest.frmsizecod = 37;  // 1920 words: 1928-word records with time code
    const std::vector<Words> sets[] = {
        make_frames(10, rate_448()), make_alternating_frames(12),
        make_frames(40, biggest),  // several windows
    };
    for (const std::vector<Words>& frames : sets) {
        for (int format : FORMATS) {
            SCOPED_TRACE(testing::Message() << "format " << format << ", " << frames.size()
                                            << " frames of " << frames[0].size() << " words");
            std::string path = make_file("walk.ac3", file_bytes(format, frames));
            reset_frame_errors();
            ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
            std::vector<Words> records = walk();
            ASSERT_EQ(frames.size(), records.size());
            for (size_t i = 0; i < frames.size(); ++i)
                ASSERT_EQ(record_words(format, frames, static_cast<int>(i)), records[i]) << i;
            EXPECT_EQ(0, get_frame_errors());
            EXPECT_EQ(file().length, stream_get_position());
            Words buffer(MAX_RECORD_WORDS);
            EXPECT_EQ(0, stream_next_frame(buffer.data()));
            stream_close();
        }
    }
}

TEST_F(StoreTest, ARecordCutShortEndsTheWalk) {
    std::vector<Words> frames = make_frames(4, rate_448());
    for (int format : FORMATS) {
        SCOPED_TRACE(format);
        std::vector<uint8_t> bytes = file_bytes(format, frames);
        bytes.resize(bytes.size() - 600);  // the last frame loses 300 words
        std::string path = make_file("cut.ac3", bytes);
        ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
        EXPECT_EQ(3u, walk().size());
        EXPECT_EQ(3 * record_size(format, 896), stream_get_position());
        EXPECT_LE(stream_get_position(), file().length);
        stream_close();
    }
}

TEST_F(StoreTest, StepsByFramesInBothDirections) {
    std::vector<Words> frames = make_frames(10, rate_448());
    for (int format : {FORMAT_NORMAL_TC, FORMAT_PC}) {
        SCOPED_TRACE(format);
        const int32_t r = record_size(format, 896);
        std::string path = make_file("steps.ac3", file_bytes(format, frames));
        ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
        stream_seek(3, SEEK_BY_FRAMES);
        EXPECT_EQ(3 * r, stream_get_position());
        stream_seek(1, SEEK_BY_FRAMES);
        EXPECT_EQ(4 * r, stream_get_position());
        stream_seek(-2, SEEK_BY_FRAMES);
        EXPECT_EQ(2 * r, stream_get_position());
        EXPECT_EQ(2, fetch_index(format, frames));  // landed on, not consumed
        stream_seek(-2, SEEK_BY_FRAMES);            // from record 3 to record 1
        EXPECT_EQ(1, fetch_index(format, frames));
        stream_seek(-1, SEEK_BY_FRAMES);  // from record 2: record 1
        stream_seek(-1, SEEK_BY_FRAMES);  // from record 1: word -1, so word 0
        EXPECT_EQ(0, stream_get_position());
        EXPECT_EQ(0, fetch_index(format, frames));
        stream_seek(1000, SEEK_BY_FRAMES);
        EXPECT_EQ(file().length, stream_get_position());
        EXPECT_EQ(-1, fetch_index(format, frames));

        stream_seek(0, SEEK_TO_START);
        FrameInfo info;
        get_frame_info(&info);
        EXPECT_EQ(896, info.frame_words);
        EXPECT_EQ(0, stream_get_position());
        stream_seek(0, SEEK_TO_END);
        EXPECT_EQ(file().length, stream_get_position());
        EXPECT_EQ(-1, fetch_index(format, frames));
        stream_close();
    }
}

TEST_F(StoreTest, NavigatesALargeFileAcrossWindows) {
    std::vector<Words> frames = make_frames(400, rate_448());  // 11 windows
    for (int format : {FORMAT_NORMAL_TC, FORMAT_NORMAL}) {
        SCOPED_TRACE(format);
        std::string path = make_file("large.ac3", file_bytes(format, frames));
        ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
        int at = 0;  // record the position stands on
        for (int move : {150, -37, 200, -300, 1, 380, -399}) {
            stream_seek(move, SEEK_BY_FRAMES);
            int expected = std::max(0, std::min(399, at + move));
            EXPECT_EQ(expected, fetch_index(format, frames)) << "move " << move;
            at = expected + 1;
        }
        stream_close();
    }
}

TEST_F(StoreTest, ScanFindsTheNextRecordAfterDamage) {
    std::vector<Words> frames = make_frames(5, rate_448());
    for (int format : {FORMAT_NORMAL_TC, FORMAT_NORMAL}) {
        SCOPED_TRACE(format);
        std::vector<uint8_t> bytes = file_bytes(format, frames);
        size_t first = static_cast<size_t>(2 * record_size(format, 896));
        bytes.insert(bytes.begin() + static_cast<long>(first), 200, 0x55);  // 100 junk words
        std::string path = make_file("damaged.ac3", bytes);
        ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
        stream_seek(1, SEEK_BY_FRAMES);  // lands in the junk
        EXPECT_EQ(record_size(format, 896) + 100, stream_get_position());
        EXPECT_EQ(1, fetch_index(format, frames));
        stream_close();
    }
}

TEST_F(StoreTest, MovesBeforeAnyFrameIsParsedUseTheNominalSize) {
    std::vector<Words> frames = make_frames(6, rate_448());
    std::string path = make_file("nominal.ac3", file_bytes(FORMAT_NORMAL_TC, frames));
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
    reset_frame_info();
    stream_seek(2, SEEK_BY_FRAMES);
    EXPECT_EQ(2 * 904, stream_get_position());
    reset_frame_info();
    stream_seek(-1, SEEK_BY_FRAMES);
    EXPECT_EQ(1, fetch_index(FORMAT_NORMAL_TC, frames));
}

TEST_F(StoreTest, TimeCodeAtTheEnd) {
    std::vector<Words> frames = make_frames(30, rate_448());
    std::string path = make_file("tc.ac3", file_bytes(FORMAT_NORMAL_TC, frames));
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
    stream_end_time_code();
    EXPECT_EQ(file().length, stream_get_position());
    TimeCode end;
    get_time_code(&end);

    decode_time_code(packet_for(29).data());
    advance_time_code();
    TimeCode expected;
    get_time_code(&expected);
    EXPECT_EQ(expected.hours, end.hours);
    EXPECT_EQ(expected.minutes, end.minutes);
    EXPECT_EQ(expected.seconds, end.seconds);
    EXPECT_EQ(expected.frames, end.frames);
    EXPECT_EQ(expected.sample_offset, end.sample_offset);
    EXPECT_EQ(1, end.valid);
    stream_close();

    // Without time code in the file nothing moves.
    path = make_file("plain.ac3", file_bytes(FORMAT_NORMAL, frames));
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
    stream_end_time_code();
    EXPECT_EQ(0, stream_get_position());
}

}  // namespace
