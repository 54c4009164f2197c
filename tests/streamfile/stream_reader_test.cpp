#include <algorithm>
#include <cstring>

#include "tests/streamfile/store_test_util.h"

namespace {

constexpr int FORMATS[] = {FORMAT_NORMAL_TC, FORMAT_NORMAL, FORMAT_PC};

// Of a 384 kbit/s, 48 kHz frame: not the nominal size a file without frames
// is stepped by.
int32_t record_size(int format) {
    return format == FORMAT_NORMAL_TC ? 776 : 768;
}

// Fetches one record: its index among frames, or -1.
int fetch_index(int format, const std::vector<Words>& frames) {
    Words b(MAX_RECORD_WORDS);
    int32_t frame = stream_next_frame(b.data());
    b.resize(static_cast<size_t>(frame + (format == FORMAT_NORMAL_TC ? 8 : 0)));
    for (size_t i = 0; frame != 0 && i < frames.size(); ++i)
        if (b == record_words(format, frames, static_cast<int>(i)))
            return static_cast<int>(i);
    return -1;
}

TEST_F(StoreTest, NewEmptyOneByteAndForeignFiles) {
    set_rec_format(FORMAT_PC);
    std::string fresh = open("new.ac3");
    EXPECT_EQ(FORMAT_PC, file().format);
    EXPECT_EQ(0, file().read_only);  // a file just made is writable
    EXPECT_TRUE(file_exists(fresh));
    stream_close();
    EXPECT_FALSE(file_exists(fresh));

    // Only a file this open made is removed: not one that was empty before,
    // nor one that somebody else empties while it is open (a recorder
    // starting a new take), whichever way it was opened.
    std::string empty = open("empty.ac3", std::vector<uint8_t>{});
    EXPECT_EQ(FORMAT_PC, file().format);
    EXPECT_TRUE(walk().empty());
    stream_close();
    EXPECT_TRUE(file_exists(empty));
    for (int read_only : {1, 0}) {
        std::string emptied =
            make_file("emptied.ac3", frames_file_bytes(FORMAT_NORMAL, distinct_frames(2)));
        ASSERT_EQ(Rc(RC_OK), Rc(stream_open(emptied.c_str(), read_only)));
        write_file_bytes(emptied, {});
        reset_frame_info();  // back at the start, nothing left to show
        stream_seek(0, SEEK_TO_START);
        FrameInfo info;
        get_frame_info(&info);
        EXPECT_EQ(-1, info.frame_words);
        stream_close();
        EXPECT_TRUE(file_exists(emptied)) << read_only;
    }

    // No word in it, but not nothing: kept.
    std::string one = open("one.ac3", {0x0B});
    EXPECT_EQ(0, file().length);
    stream_close();
    EXPECT_EQ(std::vector<uint8_t>{0x0B}, read_file_bytes(one));

    std::vector<uint8_t> text(40, 'x');
    std::string foreign = make_file("notes.ac3", text);
    EXPECT_EQ(Rc(RC_INVALID_FORMAT), Rc(stream_open(foreign.c_str(), 0)));
    EXPECT_EQ(text, read_file_bytes(foreign));
    EXPECT_NE(Rc(RC_OK), Rc(stream_open(dir.dir().c_str(), 1)));  // a folder
    open("b.ac3", {0x0B, 0x77});  // the store is free for the next file
}

// Each layout, at each sample rate, is measured and fetched record by record,
// whole and with nothing past it, and is left as it was (the steps back and
// the jumps over windows are the sweep's, on real streams).
TEST_F(StoreTest, FetchDeliversEveryRecordWholeAndNothingElse) {
    const std::vector<Words> sets[] = {
        distinct_frames(10), distinct_frames(12, 1, 20, true),  // 44.1 kHz: 417 and 418 words
        distinct_frames(40, 2, 37),  // 1920 words, 1928 with a packet: 3 windows
        distinct_frames(600, 0, 0),  // 64 words: records start 1920 words before the window ends
    };
    for (const std::vector<Words>& frames : sets) {
        for (int format : FORMATS) {
            SCOPED_TRACE(testing::Message() << "format " << format << ", " << frames[0].size());
            std::vector<uint8_t> bytes = frames_file_bytes(format, frames);
            reset_frame_errors();
            std::string path = open("walk.ac3", bytes);
            EXPECT_EQ(format, file().format);
            EXPECT_EQ(static_cast<int32_t>(bytes.size() / 2), file().length);
            EXPECT_EQ(static_cast<int32_t>(frames.size()), file().frame_count);
            if (frames.size() == 10) {
                EXPECT_EQ(896.0, file().words_per_frame);
            }
            std::vector<Words> records = walk();
            ASSERT_EQ(frames.size(), records.size());
            for (size_t i = 0; i < frames.size(); ++i)
                ASSERT_EQ(record_words(format, frames, static_cast<int>(i)), records[i]) << i;
            EXPECT_EQ(0, get_frame_errors());
            EXPECT_EQ(file().length, stream_get_position());
            stream_close();
            EXPECT_EQ(bytes, read_file_bytes(path));

            // A last record cut short by the end of the file ends the walk.
            bytes.resize(bytes.size() - frames.back().size());  // half the last frame's bytes
            open("cut.ac3", bytes);
            EXPECT_EQ(frames.size() - 1, walk().size());
            EXPECT_LE(stream_get_position(), file().length);
            stream_close();
        }
    }
}

// Before any frame is parsed a move goes by the nominal record size; a record
// moved to is fetched next, not skipped.
TEST_F(StoreTest, MovesByTheNominalSizeBeforeAnyFrameIsParsed) {
    std::vector<Words> frames = distinct_frames(4, 0, 28);
    for (int format : {FORMAT_NORMAL_TC, FORMAT_PC}) {
        SCOPED_TRACE(format);
        open("m.ac3", frames_file_bytes(format, frames));
        reset_frame_info();
        stream_seek(2, SEEK_BY_FRAMES);
        EXPECT_EQ(2 * record_size(format), stream_get_position());
        reset_frame_info();
        stream_seek(-1, SEEK_BY_FRAMES);
        EXPECT_EQ(1, fetch_index(format, frames));
        stream_close();
    }
}

TEST_F(StoreTest, ScanFindsTheNextRecordAfterDamage) {
    std::vector<Words> frames = distinct_frames(3, 0, 28);
    for (int format : {FORMAT_NORMAL_TC, FORMAT_NORMAL}) {
        std::vector<uint8_t> bytes = frames_file_bytes(format, frames);
        bytes.insert(bytes.begin() + 2 * record_size(format), 200, 0x55);  // 100 junk words
        open("d.ac3", bytes);
        stream_seek(1, SEEK_BY_FRAMES);
        EXPECT_EQ(record_size(format) + 100, stream_get_position());
        EXPECT_EQ(1, fetch_index(format, frames));
        stream_close();
    }
}

// The last record's time code plus one frame; a file of one record too, whose
// step back from the end lands on word 0.
TEST_F(StoreTest, TimeCodeAtTheEnd) {
    for (int count : {30, 1}) {
        SCOPED_TRACE(count);
        open("tc.ac3", frames_file_bytes(FORMAT_NORMAL_TC, distinct_frames(count)));
        stream_end_time_code();
        EXPECT_EQ(file().length, stream_get_position());
        TimeCode end, expected;
        get_time_code(&end);
        decode_time_code(tc_packet(count - 1).data());
        advance_time_code();
        get_time_code(&expected);
        EXPECT_EQ(0, std::memcmp(&expected, &end, sizeof end));
        stream_close();
    }
}

}  // namespace
