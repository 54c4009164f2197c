#include <gtest/gtest.h>

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "bitstream/frame_parser.h"
#include "tests/streamfile/store_test_util.h"

namespace {

// As the capture engine does: dispatch, then hand the payload over.
int frame(Words f) {
    dispatch_packet(f.data(), PACKET_AC3_FRAME);
    return stream_write(f.data(), static_cast<int32_t>(f.size()), PACKET_AC3_FRAME);
}

int packet(int i) {
    Words p = tc_packet(i);
    return stream_write(p.data(), 8, PACKET_TIME_CODE);
}

std::vector<Words> part(const std::vector<Words>& frames, size_t from, size_t to) {
    return std::vector<Words>(frames.begin() + static_cast<long>(from),
                              frames.begin() + static_cast<long>(to));
}

// Each layout recorded byte for byte is the capture round trip's, at every
// rate and output format; these are the store's own rules.
TEST_F(StoreTest, TimeCodeRules) {
    std::vector<Words> f = distinct_frames(4);
    set_rec_format(FORMAT_NORMAL_TC);
    // No time code, not required: the first frame goes (its packet may have
    // come before the start), the second makes the recording "Normal".
    std::string plain = open("plain.ac3");
    stream_resume();
    EXPECT_EQ(Rc(RC_OK), Rc(frame(f[0])));
    EXPECT_EQ(0, file().length);
    EXPECT_EQ(Rc(RC_OK), Rc(frame(f[1])));
    EXPECT_EQ(Rc(RC_OK), Rc(packet(0)));  // no place in "Normal": ignored
    EXPECT_EQ(Rc(RC_OK), Rc(frame(f[2])));
    EXPECT_EQ(FORMAT_NORMAL, file().format);
    stream_truncate();
    stream_close();
    EXPECT_EQ(frames_file_bytes(FORMAT_NORMAL, part(f, 1, 3)), read_file_bytes(plain));

    // Required: refused, and the file, still empty, goes on closing.
    set_require_tc(1);
    std::string none = open("none.ac3");
    stream_resume();
    EXPECT_EQ(Rc(RC_OK), Rc(frame(f[0])));
    EXPECT_EQ(Rc(RC_NO_TIME_CODE), Rc(frame(f[1])));
    stream_truncate();
    stream_close();
    EXPECT_FALSE(file_exists(none));

    std::string tc = open("tc.ac3");
    stream_resume();
    EXPECT_EQ(Rc(RC_OK), Rc(packet(7)));  // replaced by the next packet
    EXPECT_EQ(Rc(RC_OK), Rc(packet(0)));
    EXPECT_EQ(Rc(RC_OK), Rc(frame(f[0])));
    EXPECT_EQ(Rc(RC_OK), Rc(packet(1)));  // staged before a pause, used after it
    stream_resume();
    EXPECT_EQ(Rc(RC_OK), Rc(frame(f[1])));
    stream_resume();  // after a pause a frame without a packet goes, the next is refused
    EXPECT_EQ(Rc(RC_OK), Rc(frame(f[3])));
    EXPECT_EQ(Rc(RC_NO_TIME_CODE), Rc(frame(f[3])));
    EXPECT_EQ(2, file().frame_count);
    stream_truncate();
    stream_close();
    EXPECT_EQ(frames_file_bytes(FORMAT_NORMAL_TC, part(f, 0, 2)), read_file_bytes(tc));

    // Appending without time code to a file with it: refused, whatever REQUIRETC says.
    set_require_tc(0);
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(tc.c_str(), 0)));
    stream_seek(0, SEEK_TO_END);
    stream_resume();
    EXPECT_EQ(Rc(RC_OK), Rc(frame(f[2])));
    EXPECT_EQ(Rc(RC_NO_TIME_CODE), Rc(frame(f[2])));
}

TEST_F(StoreTest, OverwritesFromTheMiddleAndCuts) {
    std::vector<Words> old_frames = distinct_frames(10);
    std::vector<Words> new_frames = distinct_frames(2, 0, 28);  // 768 words
    std::string path = open("mid.ac3", frames_file_bytes(FORMAT_NORMAL, old_frames));
    stream_seek(4, SEEK_BY_FRAMES);
    stream_cut_at_position();
    EXPECT_EQ(4 * 896, file().length);
    EXPECT_EQ(4, file().frame_count);
    stream_set_new_format(FORMAT_PC);  // not at word 0: the layout stays
    stream_resume();
    for (const Words& f : new_frames)
        ASSERT_EQ(Rc(RC_OK), Rc(frame(f)));
    EXPECT_EQ(4 * 896 + 2 * 768, file().length);
    EXPECT_EQ(6, file().frame_count);
    EXPECT_EQ(Rc(RC_OK), Rc(stream_truncate()));
    std::vector<Words> expected = part(old_frames, 0, 4);
    expected.insert(expected.end(), new_frames.begin(), new_frames.end());
    EXPECT_EQ(frames_file_bytes(FORMAT_NORMAL, expected), read_file_bytes(path));

    // From word 0 the recording takes the new layout and frame size.
    stream_seek(0, SEEK_TO_START);
    stream_cut_at_position();
    stream_set_new_format(FORMAT_PC);
    stream_resume();
    ASSERT_EQ(Rc(RC_OK), Rc(frame(new_frames[0])));
    EXPECT_EQ(768.0, file().words_per_frame);
    EXPECT_EQ(Rc(RC_OK), Rc(stream_truncate()));
    EXPECT_EQ(frames_file_bytes(FORMAT_PC, part(new_frames, 0, 1)), read_file_bytes(path));
    // Cut while the last frame parsed has an undefined code: counted by the nominal size.
    parse_frame(Words{0x0B77, 0, (1 << 14) | (38 << 8), 0}.data());
    stream_cut_at_position();
    EXPECT_EQ(1, file().frame_count);
}

TEST_F(StoreTest, AppendsOnTheWordBoundaryAfterAnOddByte) {
    std::vector<Words> f = distinct_frames(4);
    std::vector<uint8_t> bytes = frames_file_bytes(FORMAT_NORMAL, part(f, 0, 3));
    bytes.push_back(0x42);
    std::string path = open("odd.ac3", bytes);
    EXPECT_EQ(3u, walk().size());
    stream_seek(0, SEEK_TO_END);
    stream_resume();
    ASSERT_EQ(Rc(RC_OK), Rc(frame(f[3])));
    ASSERT_EQ(Rc(RC_OK), Rc(stream_truncate()));
    EXPECT_EQ(frames_file_bytes(FORMAT_NORMAL, f), read_file_bytes(path));
}

TEST_F(StoreTest, FailedOpensWritesAndCutsAreReported) {
    std::vector<Words> f = distinct_frames(4);
    std::vector<uint8_t> bytes = frames_file_bytes(FORMAT_NORMAL, f);
    std::string path = make_file("ro.ac3", bytes);
#ifdef _WIN32
    // Another program reads the file and lets nobody write it: opened for
    // reading, and the cut and the reopening for writing fail.
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
#else
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 1)));
#endif
    EXPECT_EQ(1, file().read_only);
    stream_seek(0, SEEK_TO_END);
    stream_resume();
    EXPECT_EQ(Rc(RC_WRITE_FAILED), Rc(frame(f[0])));  // through a read-only handle
    EXPECT_EQ(4 * 896, stream_get_position());
    EXPECT_EQ(4 * 896, file().length);
    EXPECT_EQ(4, file().frame_count);
    stream_seek(-2, SEEK_BY_FRAMES);
#ifdef _WIN32
    EXPECT_EQ(Rc(RC_WRITE_FAILED), Rc(stream_truncate()));
    CloseHandle(other);
    stream_seek(0, SEEK_TO_START);
    EXPECT_EQ(4u, walk().size());  // still open for reading
#else
    // The file is gone from under the handle: nothing to cut or reopen.
    ASSERT_EQ(0, unlink(path.c_str()));
    EXPECT_EQ(Rc(RC_WRITE_FAILED), Rc(stream_truncate()));
    EXPECT_TRUE(walk().empty());
    EXPECT_EQ(Rc(RC_WRITE_FAILED), Rc(frame(f[0])));
    write_file_bytes(path, bytes);
#endif
    EXPECT_EQ(Rc(RC_OK), Rc(stream_close()));
    EXPECT_EQ(bytes, read_file_bytes(path));
}

// Byte offsets are 32-bit: a file of 2 GB or more is refused rather than read
// cut short, and a recording stops at the last record that fits. The files are
// sparse: a few frames, then a hole.
TEST_F(StoreTest, TheTwoGigabyteLimit) {
    std::vector<Words> f = distinct_frames(3);
    std::string big = make_file("big.ac3", frames_file_bytes(FORMAT_NORMAL, part(f, 0, 1)));
    const uint64_t two_gb = uint64_t{1} << 31;
    set_file_size(big, two_gb);
    for (int read_only : {1, 0})
        EXPECT_EQ(Rc(RC_FILE_TOO_LARGE), Rc(stream_open(big.c_str(), read_only)));
    EXPECT_EQ(two_gb, std::filesystem::file_size(big));

    const int32_t start = MAX_FILE_WORDS - 1500;  // room for one frame, not two
    set_file_size(big, 2 * uint64_t{start});
    open("big.ac3");
    EXPECT_EQ(start, file().length);
    stream_seek(0, SEEK_TO_END);
    stream_resume();
    EXPECT_EQ(Rc(RC_OK), Rc(frame(f[1])));
    EXPECT_EQ(Rc(RC_FILE_TOO_LARGE), Rc(frame(f[2])));
    EXPECT_EQ(start + 896, file().length);
    EXPECT_EQ(start + 896, stream_get_position());
    EXPECT_EQ(Rc(RC_OK), Rc(stream_truncate()));
    stream_close();
    EXPECT_EQ(2 * uint64_t{start + 896}, std::filesystem::file_size(big));
}

#ifndef _WIN32
// A full disk, made real by a file size limit in a child process: the record
// that does not fit is reported and counts for nothing, and what was on disk
// stays whole.
TEST_F(StoreTest, AFullDiskKeepsWholeRecords) {
    std::vector<Words> f = distinct_frames(8);  // 1792 bytes each
    std::string path = make_file("full.ac3", frames_file_bytes(FORMAT_NORMAL, part(f, 0, 3)));
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
        for (size_t i = 3; i < 6; ++i)
            check(frame(f[i]) == RC_OK);
        check(frame(f[6]) == RC_WRITE_FAILED);  // a part of it reached the disk
        check(frame(f[7]) == RC_WRITE_FAILED);
        StreamFile s;
        stream_get_file(&s);
        check(s.length == 6 * 896 && s.frame_count == 6 && stream_get_position() == 6 * 896);
        check(stream_truncate() == RC_OK);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status)) << "the child's check that failed";
    EXPECT_EQ(frames_file_bytes(FORMAT_NORMAL, part(f, 0, 6)), read_file_bytes(path));
}
#endif

}  // namespace
