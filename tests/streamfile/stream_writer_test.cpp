#include <gtest/gtest.h>

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "bitstream/time_code.h"
#include "common/burst.h"
#include "common/file_format.h"
#include "settings/prefs.h"
#include "tests/streamfile/store_test_util.h"

namespace {

// As the capture engine does: dispatch, then hand the payload to the writer.
int write_frame(Words frame) {
    dispatch_packet(frame.data(), PACKET_AC3_FRAME);
    return stream_write(frame.data(), static_cast<int32_t>(frame.size()), PACKET_AC3_FRAME);
}

int write_packet(Words packet) {
    return stream_write(packet.data(), 8, PACKET_TIME_CODE);
}

// The bytes of one frame alone, high byte first.
std::vector<uint8_t> normal_bytes(const Words& frame) {
    return file_bytes(FORMAT_NORMAL, {frame});
}

TEST_F(StoreTest, RecordsEachLayoutAndReadsItBack) {
    FrameSpec spec;
    spec.frmsizecod = 30;
    std::vector<Words> frames = make_frames(12, spec);
    for (int format : {FORMAT_NORMAL_TC, FORMAT_NORMAL, FORMAT_PC}) {
        SCOPED_TRACE(format);
        set_rec_format(format);
        std::string path = dir.path("rec.ac3");
        ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
        stream_set_new_format(format);
        stream_resume();
        for (size_t i = 0; i < frames.size(); ++i) {
            if (format == FORMAT_NORMAL_TC) {
                ASSERT_EQ(Rc(RC_OK), Rc(write_packet(packet_for(static_cast<int>(i)))));
            }
            ASSERT_EQ(Rc(RC_OK), Rc(write_frame(frames[i])));
        }
        int32_t r = 896 + (format == FORMAT_NORMAL_TC ? 8 : 0);
        EXPECT_EQ(12 * r, file().length);
        EXPECT_EQ(12, file().frame_count);
        EXPECT_EQ(12 * r, stream_get_position());
        EXPECT_EQ(896.0, file().words_per_frame);
        EXPECT_EQ(Rc(RC_OK), Rc(stream_truncate()));
        stream_measure();
        EXPECT_EQ(12, file().frame_count);
        EXPECT_EQ(file_bytes(format, frames), read_file_bytes(path));

        stream_seek(0, SEEK_TO_START);
        std::vector<Words> records = walk();
        ASSERT_EQ(frames.size(), records.size());
        for (size_t i = 0; i < frames.size(); ++i)
            EXPECT_EQ(record_words(format, frames, static_cast<int>(i)), records[i]);
        stream_close();
        EXPECT_TRUE(file_exists(path));
        std::remove(path.c_str());
    }
}

TEST_F(StoreTest, NewTimeCodeRecordingWithoutTimeCode) {
    std::vector<Words> frames = make_frames(3);
    set_rec_format(FORMAT_NORMAL_TC);
    std::string path = dir.path("no_tc.ac3");

    // Allowed: the first frame goes (its packet may have come before the
    // start), the second is written and the recording goes on as "Normal".
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
    stream_resume();
    EXPECT_EQ(Rc(RC_OK), Rc(write_frame(frames[0])));
    EXPECT_EQ(0, file().length);
    EXPECT_EQ(Rc(RC_OK), Rc(write_frame(frames[1])));
    EXPECT_EQ(FORMAT_NORMAL, file().format);
    EXPECT_EQ(1, file().frame_count);
    EXPECT_EQ(Rc(RC_OK), Rc(stream_truncate()));
    stream_close();
    EXPECT_EQ(normal_bytes(frames[1]), read_file_bytes(path));
    std::remove(path.c_str());

    // Required: refused, nothing written, and the empty file goes on closing.
    set_require_tc(1);
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
    stream_resume();
    EXPECT_EQ(Rc(RC_OK), Rc(write_frame(frames[0])));
    EXPECT_EQ(Rc(RC_NO_TIME_CODE), Rc(write_frame(frames[1])));
    EXPECT_EQ(0, file().length);
    EXPECT_EQ(FORMAT_NORMAL_TC, file().format);
    EXPECT_EQ(Rc(RC_OK), Rc(stream_truncate()));
    stream_close();
    EXPECT_FALSE(file_exists(path));
}

TEST_F(StoreTest, PacketsPauseAndAppend) {
    std::vector<Words> frames = make_frames(4);
    set_rec_format(FORMAT_NORMAL_TC);
    std::string path = dir.path("tc.ac3");
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
    stream_resume();
    // Two packets in a row: only the second is kept with the frame.
    EXPECT_EQ(Rc(RC_OK), Rc(write_packet(packet_for(7))));
    EXPECT_EQ(Rc(RC_OK), Rc(write_packet(packet_for(0))));
    EXPECT_EQ(Rc(RC_OK), Rc(write_frame(frames[0])));
    // A packet staged before a pause is used after it.
    EXPECT_EQ(Rc(RC_OK), Rc(write_packet(packet_for(1))));
    stream_resume();
    EXPECT_EQ(Rc(RC_OK), Rc(write_frame(frames[1])));
    // After a resume the first frame without a packet goes; the next is refused.
    stream_resume();
    EXPECT_EQ(Rc(RC_OK), Rc(write_frame(frames[3])));
    EXPECT_EQ(Rc(RC_NO_TIME_CODE), Rc(write_frame(frames[3])));
    EXPECT_EQ(Rc(RC_OK), Rc(write_packet(packet_for(2))));
    EXPECT_EQ(Rc(RC_OK), Rc(write_frame(frames[2])));
    EXPECT_EQ(3, file().frame_count);
    EXPECT_EQ(Rc(RC_OK), Rc(stream_truncate()));
    stream_close();
    std::vector<Words> three(frames.begin(), frames.begin() + 3);
    EXPECT_EQ(file_bytes(FORMAT_NORMAL_TC, three), read_file_bytes(path));

    // Appending without time code to a file that has it: refused whatever
    // REQUIRETC says.
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
    stream_seek(0, SEEK_TO_END);
    stream_resume();
    EXPECT_EQ(Rc(RC_OK), Rc(write_frame(frames[3])));
    EXPECT_EQ(Rc(RC_NO_TIME_CODE), Rc(write_frame(frames[3])));
    // Packets do not belong in a file without time code: ignored.
    stream_close();
    std::string plain = dir.path("plain.ac3");
    set_rec_format(FORMAT_NORMAL);
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(plain.c_str(), 0)));
    stream_resume();
    EXPECT_EQ(Rc(RC_OK), Rc(write_packet(packet_for(0))));
    EXPECT_EQ(Rc(RC_OK), Rc(write_frame(frames[0])));
    EXPECT_EQ(Rc(RC_OK), Rc(stream_truncate()));
    stream_close();
    EXPECT_EQ(normal_bytes(frames[0]), read_file_bytes(plain));
}

TEST_F(StoreTest, OverwritesFromTheMiddleAndCuts) {
    FrameSpec spec;
    spec.frmsizecod = 30;
    std::vector<Words> old_frames = make_frames(10, spec);
    std::vector<Words> new_frames = make_frames(2);  // 768 words
    std::string path = make_file("mid.ac3", file_bytes(FORMAT_NORMAL, old_frames));
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
    stream_seek(4, SEEK_BY_FRAMES);
    stream_cut_at_position();
    EXPECT_EQ(4 * 896, file().length);
    EXPECT_EQ(4, file().frame_count);
    stream_set_new_format(FORMAT_PC);  // not at word 0: the layout stays
    stream_resume();
    for (const Words& f : new_frames)
        ASSERT_EQ(Rc(RC_OK), Rc(write_frame(f)));
    EXPECT_EQ(4 * 896 + 2 * 768, file().length);
    EXPECT_EQ(6, file().frame_count);
    EXPECT_EQ(Rc(RC_OK), Rc(stream_truncate()));
    stream_measure();
    EXPECT_EQ(4 * 896 + 2 * 768, file().length);
    std::vector<Words> expected(old_frames.begin(), old_frames.begin() + 4);
    expected.insert(expected.end(), new_frames.begin(), new_frames.end());
    EXPECT_EQ(file_bytes(FORMAT_NORMAL, expected), read_file_bytes(path));

    // From word 0 the recording takes the new layout.
    stream_seek(0, SEEK_TO_START);
    stream_cut_at_position();
    stream_set_new_format(FORMAT_PC);
    stream_resume();
    ASSERT_EQ(Rc(RC_OK), Rc(write_frame(new_frames[0])));
    EXPECT_EQ(768.0, file().words_per_frame);
    EXPECT_EQ(Rc(RC_OK), Rc(stream_truncate()));
    EXPECT_EQ(file_bytes(FORMAT_PC, {new_frames[0]}), read_file_bytes(path));
}

TEST_F(StoreTest, AFailedWriteIsReportedAndChangesNothing) {
    std::vector<Words> frames = make_frames(3);
    std::vector<uint8_t> bytes = file_bytes(FORMAT_NORMAL, frames);
    std::string path = make_file("ro.ac3", bytes);
    // A handle open for reading only: every write fails.
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 1)));
    EXPECT_EQ(1, file().read_only);
    stream_seek(0, SEEK_TO_END);
    stream_resume();
    EXPECT_EQ(Rc(RC_WRITE_FAILED), Rc(write_frame(frames[0])));
    EXPECT_EQ(3 * 768, stream_get_position());
    EXPECT_EQ(3 * 768, file().length);
    EXPECT_EQ(3, file().frame_count);
    stream_close();
    EXPECT_EQ(bytes, read_file_bytes(path));
}

TEST_F(StoreTest, AFailedCutIsReported) {
    std::vector<Words> frames = make_frames(4);
    std::vector<uint8_t> bytes = file_bytes(FORMAT_NORMAL, frames);
    std::string path = make_file("cut.ac3", bytes);
#ifdef _WIN32
    // Another program reads the file and lets nobody write it: the cut and the
    // reopen for writing fail, the reopen for reading does not.
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 1)));
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    stream_seek(2, SEEK_BY_FRAMES);
    EXPECT_EQ(Rc(RC_WRITE_FAILED), Rc(stream_truncate()));
    CloseHandle(other);
    EXPECT_EQ(1, file().read_only);
    stream_seek(0, SEEK_TO_START);
    EXPECT_EQ(4u, walk().size());
    stream_close();
    EXPECT_EQ(bytes, read_file_bytes(path));
#else
    // The file is gone from under the handle: nothing to cut or reopen.
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
    stream_seek(2, SEEK_BY_FRAMES);
    ASSERT_EQ(0, unlink(path.c_str()));
    EXPECT_EQ(Rc(RC_WRITE_FAILED), Rc(stream_truncate()));
    Words buffer(MAX_RECORD_WORDS);
    EXPECT_EQ(0, stream_next_frame(buffer.data()));
    stream_resume();
    EXPECT_EQ(Rc(RC_WRITE_FAILED), Rc(write_frame(frames[0])));
    EXPECT_EQ(Rc(RC_OK), Rc(stream_close()));
    EXPECT_FALSE(file_exists(path));
#endif
}

#ifndef _WIN32
// A full disk, made real by a file size limit in a child process: the record
// that does not fit is reported, counts for nothing and leaves what was on
// disk before it whole.
TEST_F(StoreTest, AFullDiskKeepsWholeRecords) {
    FrameSpec spec;
    spec.frmsizecod = 30;
    std::vector<Words> frames = make_frames(8, spec);  // 1792 bytes each
    std::vector<Words> first(frames.begin(), frames.begin() + 3);
    std::string path = make_file("full.ac3", file_bytes(FORMAT_NORMAL, first));

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {12000, 12000};  // room for 6 frames and a part
        setrlimit(RLIMIT_FSIZE, &limit);
        int step = 1;
        auto check = [&step](bool ok) {
            if (!ok)
                _exit(step);
            ++step;
        };
        check(stream_open(path.c_str(), 0) == RC_OK);
        stream_seek(0, SEEK_TO_END);
        stream_resume();
        for (int i = 3; i < 6; ++i)
            check(write_frame(frames[static_cast<size_t>(i)]) == RC_OK);
        check(write_frame(frames[6]) == RC_WRITE_FAILED);
        check(write_frame(frames[7]) == RC_WRITE_FAILED);
        StreamFile f;
        stream_get_file(&f);
        check(f.length == 6 * 896 && f.frame_count == 6 && stream_get_position() == 6 * 896);
        check(stream_truncate() == RC_OK);
        stream_close();
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status)) << "the child's check that failed";
    std::vector<Words> six(frames.begin(), frames.begin() + 6);
    EXPECT_EQ(file_bytes(FORMAT_NORMAL, six), read_file_bytes(path));
}
#endif

}  // namespace
