// bitdek-cli in process: WAV headers on literal bytes, and the commands over
// stream files built from known frames, checked by round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "cli/commands.h"
#include "cli/io/wav.h"
#include "cli/options.h"
#include "common/burst.h"
#include "common/file_format.h"
#include "platform/child.h"
#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Frames = std::vector<std::vector<Word>>;

#ifdef _WIN32
constexpr bool IS_POSIX = false;
#else
constexpr bool IS_POSIX = true;
#endif
constexpr size_t DEVICE_BUFFER_BYTES = 0xC000;
constexpr size_t BLOCK_WORDS = 3072;

int run(std::vector<std::string> args, bool parse_only = false) {
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    CliOptions opt;
    int rc = parse_options(static_cast<int>(argv.size()), argv.data(), &opt);
    return rc != EXIT_CLEAN || parse_only ? rc : run_command(opt);
}

// run() with standard output captured into *out.
int run_captured(std::vector<std::string> args, std::string* out) {
    testing::internal::CaptureStdout();
    int rc = run(std::move(args));
    *out = testing::internal::GetCapturedStdout();
    return rc;
}

// Packets of consecutive video frames from video frame `first` on (48 kHz
// audio): 25 fps, or 29.97 fps drop-frame, whose labels leave out the first
// two of each minute but every tenth (1601 samples per video frame as the
// program counts them; the packet's 6-bit frame field cannot count 59.94 fps).
Frames make_packets(int count, int first = 10 * 3600 * 25, bool drop = false) {
    const int fps = drop ? 30 : 25;
    Frames packets;
    int offset = 0;
    int frame = first;
    for (int i = 0; i < count; i++) {
        int label = frame;
        if (drop) {
            int per_minute = 60 * fps - 2;
            int per_ten = 10 * per_minute + 2;
            int m = frame % per_ten;
            label += 18 * (frame / per_ten) + (m < 2 ? 0 : 2 * ((m - 2) / per_minute));
        }
        int s = label / fps;
        packets.push_back(make_time_code_packet(s / 3600 % 24, s / 60 % 60, s % 60, label % fps,
                                                offset, drop ? 4 : 3, drop ? 1 : 0));
        offset -= 1536;
        while (offset < 0) {
            offset += drop ? 1601 : 1920;
            frame++;
        }
    }
    return packets;
}

// AC-3 bursts, one per block, as raw little-endian PCM in output format
// mode: contiguous (0) or every other word of one channel (1).
Bytes burst_pcm(const Frames& frames, int mode = 0) {
    std::vector<Word> words;
    for (const std::vector<Word>& f : frames) {
        std::vector<Word> block = burst_block(mode, {}, f);
        words.insert(words.end(), block.begin(), block.end());
    }
    return pcm_bytes(words);
}

std::ptrdiff_t count_files(const TempDir& dir) {
    using It = std::filesystem::directory_iterator;
    return std::distance(It(dir.dir()), It());
}

// Parses b offering only as many bytes as the parser asked for last.
int parse_in_steps(const Bytes& b, WavInfo* info) {
    size_t offered = 0;
    int rc;
    while ((rc = wav_parse_header(b.data(), offered, info)) == WAV_NEED_MORE) {
        if (info->need <= offered || info->need > b.size())
            return -1;
        offered = info->need;
    }
    return rc;
}

TEST(WavHeader, FollowsChunksAskingForMoreAsItGoes) {
    // An odd-sized chunk (padded), then an extensible "fmt ", then the data.
    Bytes b = {'R',  'I',  'F', 'F', 0,    0,    0,   0, 'W',  'A',  'V',  'E', 'L', 'I', 'S', 'T',
               3,    0,    0,   0,   'a',  'b',  'c', 0, 'f',  'm',  't',  ' ', 40,  0,   0,   0,
               0xFE, 0xFF, 2,   0,   0x80, 0xBB, 0,   0, 0x00, 0xEE, 0x02, 0,   4,   0,   16,  0};
    b.resize(b.size() + 24, 0);
    b[24 + 8 + WAV_SUBFORMAT_OFFSET] = 1;  // subformat: PCM
    b.insert(b.end(), {'d', 'a', 't', 'a', 0x10, 0, 0, 0});
    WavInfo info;
    ASSERT_EQ(WAV_OK, parse_in_steps(b, &info));
    EXPECT_EQ(b.size(), info.data_offset);
    EXPECT_EQ(0x10u, info.data_bytes);
    EXPECT_EQ(48000u, info.sample_rate);
    EXPECT_TRUE(wav_is_pcm16_stereo(info));

    b[24 + 8 + WAV_SUBFORMAT_OFFSET] = 3;  // float samples
    ASSERT_EQ(WAV_OK, wav_parse_header(b.data(), b.size(), &info));
    EXPECT_FALSE(wav_is_pcm16_stereo(info));
}

// Captures past 4 GB: the data size stands in the "ds64" chunk, which may
// end after the sizes it must hold (24 bytes) or carry a table (28 and more).
TEST(WavHeader, ReadsRf64AndBw64SizesFromDs64) {
    for (const char* id : {"RF64", "BW64"}) {
        const uint8_t ds64_bytes = id[0] == 'R' ? 28 : 24;
        uint8_t plain[WAV_HEADER_BYTES];
        wav_build_header(plain, 48000, 0xFFFFFFFFu);
        Bytes b(id, id + 4);
        b.insert(b.end(), {0xFF, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E', 'd', 's', '6', '4',
                           ds64_bytes, 0, 0, 0});
        Bytes ds64(ds64_bytes, 0);
        ds64[8 + 4] = 0x01;  // data size 0x1'0000'0000 + 0x10
        ds64[8] = 0x10;
        b.insert(b.end(), ds64.begin(), ds64.end());
        b.insert(b.end(), plain + 12, plain + WAV_HEADER_BYTES);
        WavInfo info;
        ASSERT_EQ(WAV_OK, parse_in_steps(b, &info)) << id;
        EXPECT_EQ(0x100000010ull, info.data_bytes) << id;
        EXPECT_EQ(b.size(), info.data_offset) << id;
        EXPECT_TRUE(wav_is_pcm16_stereo(info)) << id;
        // Cut inside the sizes: the parser asks for the whole of them first.
        ASSERT_EQ(WAV_NEED_MORE, wav_parse_header(b.data(), 12 + 8 + 16, &info)) << id;
        EXPECT_EQ(12 + 8 + WAV_DS64_BYTES, info.need) << id;
    }
}

TEST(Options, RefuseWhatTheCommandDoesNotTake) {
    const std::vector<std::string> refused[] = {
        {"info"},
        {"convert", "a", "b"},
        {"unwrap", "a", "b", "--layout", "pc", "--require-tc"},
        {"wrap", "a", "b", "--resync"},
        {"convert", "a", "b", "--layout"},
        {"verify", "a", "--jobs", "257"}};
    for (const std::vector<std::string>& args : refused) {
        EXPECT_EQ(EXIT_UNUSABLE, run(args, true)) << args.back();
    }
}

// A capture that stops inside a burst: the frames before it are recorded,
// the cut one is not completed with the silence after it.
TEST(Unwrap, InputEndingInsideABurstRecordsOnlyWholeFrames) {
    TempDir dir;
    const Frames frames = distinct_frames(3, 0, 28);
    Bytes whole = frames_file_bytes(FORMAT_NORMAL, frames);
    // Ending right after the last payload word loses nothing.
    for (int mode : {0, 1})
        for (size_t end : {4 + 700, 2, 4 + 768}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << ", " << end);
            Bytes pcm = burst_pcm(frames, mode);
            pcm.resize(2 * (2 * BLOCK_WORDS + (mode + 1) * end));
            write_file_bytes(dir.path("cut.raw"), pcm);
            ASSERT_EQ(EXIT_CLEAN,
                      run({"unwrap", dir.path("cut.raw"), dir.path("out.ac3"), "--force"}));
            size_t frames_kept = end == 4 + 768 ? 3 : 2;
            EXPECT_EQ(Bytes(whole.begin(), whole.begin() + 2 * 768 * frames_kept),
                      read_file_bytes(dir.path("out.ac3")));
        }
}

// A WAV's samples end with its data chunk, though a chunk after it holds a burst.
TEST(Unwrap, StopsAtTheEndOfTheWavData) {
    TempDir dir;
    const Frames frames = distinct_frames(3, 0, 28);
    const Bytes pcm = burst_pcm(Frames(frames.begin(), frames.begin() + 2));
    Bytes wav(WAV_HEADER_BYTES);
    wav_build_header(wav.data(), 48000, static_cast<uint32_t>(pcm.size()));
    wav.insert(wav.end(), pcm.begin(), pcm.end());
    const Bytes more = burst_pcm(Frames(frames.begin() + 2, frames.end()));
    wav.insert(wav.end(), {'j', 'u', 'n', 'k', 0x00, 0x18, 0, 0});  // 6144 bytes
    wav.insert(wav.end(), more.begin(), more.end());
    write_file_bytes(dir.path("in.wav"), wav);
    ASSERT_EQ(EXIT_CLEAN, run({"unwrap", dir.path("in.wav"), dir.path("out.ac3")}));
    EXPECT_EQ(frames_file_bytes(FORMAT_NORMAL, Frames(frames.begin(), frames.begin() + 2)),
              read_file_bytes(dir.path("out.ac3")));
}

// A Pd claiming a whole block swallows the next burst: recorded as the
// receiver takes it, with a warning. A block one sample pair short puts the
// next Pa in the other half of the search's four-word steps.
TEST(Unwrap, WarnsOfABurstRunningIntoTheNextPreamble) {
    TempDir dir;
    const Bytes blocks = burst_pcm(distinct_frames(4, 0, 28));
    for (auto [claim, cut] : {std::pair{768, 0}, std::pair{3072, 0}, std::pair{3072, 4}}) {
        Bytes pcm = blocks;
        pcm.erase(pcm.begin() + 2 * BLOCK_WORDS - cut, pcm.begin() + 2 * BLOCK_WORDS);
        pcm[2 * 3] = static_cast<uint8_t>(claim * 16);
        pcm[2 * 3 + 1] = static_cast<uint8_t>(claim * 16 >> 8);
        write_file_bytes(dir.path("pcm.raw"), pcm);
        testing::internal::CaptureStderr();
        EXPECT_EQ(EXIT_CLEAN, run({"unwrap", dir.path("pcm.raw"), dir.path("out.ac3"), "--force"}));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(claim == 3072,
                  err.find("1 bursts claim a payload that runs into the next") != std::string::npos)
            << err;
    }
}

// Time code is dropped on request but never invented.
TEST(TimeCode, LayoutFollowsTheWritersRules) {
    TempDir dir;
    const Frames frames = distinct_frames(6, 0, 28);
    write_file_bytes(dir.path("pcm.raw"), burst_pcm(frames));
    // Without time code the recording goes on as "Normal" from its second frame.
    ASSERT_EQ(EXIT_CLEAN,
              run({"unwrap", dir.path("pcm.raw"), dir.path("a.ac3"), "--layout", "normal-tc"}));
    const Bytes normal = frames_file_bytes(FORMAT_NORMAL, frames);
    EXPECT_EQ(Bytes(normal.begin() + 2 * 768, normal.end()), read_file_bytes(dir.path("a.ac3")));
    // Requiring time code refuses it and leaves nothing behind; so does
    // converting to "Normal + Time Code" a file without it.
    const std::vector<std::string> refused[] = {
        {"unwrap", dir.path("pcm.raw"), dir.path("b.ac3"), "--layout", "normal-tc", "--require-tc"},
        {"convert", dir.path("a.ac3"), dir.path("b.ac3"), "--layout", "normal-tc"}};
    for (const std::vector<std::string>& args : refused) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(EXIT_UNUSABLE, run(args));
        EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find(
                                         "Input stream does not have time code."));
    }
    EXPECT_EQ(2, count_files(dir));

    const Bytes tc_file = frames_file_bytes(FORMAT_NORMAL_TC, frames, make_packets(6));
    write_file_bytes(dir.path("tc.ac3"), tc_file);
    ASSERT_EQ(EXIT_CLEAN,
              run({"convert", dir.path("tc.ac3"), dir.path("n.ac3"), "--layout", "normal"}));
    EXPECT_EQ(normal, read_file_bytes(dir.path("n.ac3")));

    // One time code burst missing in the middle: the recording stops at the
    // frame without its packet and keeps every record before it.
    ASSERT_EQ(EXIT_CLEAN, run({"wrap", dir.path("tc.ac3"), dir.path("tc.raw")}));
    Bytes pcm = read_file_bytes(dir.path("tc.raw"));
    const Bytes preamble = {0x72, 0xF8, 0x1F, 0x4E, PACKET_TIME_CODE, 0};
    auto at = pcm.begin();
    for (int i = 0; i < 4; i++) {
        at = std::search(at + (i > 0 ? 2 : 0), pcm.end(), preamble.begin(), preamble.end());
    }
    ASSERT_NE(pcm.end(), at);
    *at = 0;
    write_file_bytes(dir.path("tc.raw"), pcm);
    testing::internal::CaptureStderr();
    EXPECT_EQ(EXIT_UNUSABLE,
              run({"unwrap", dir.path("tc.raw"), dir.path("c.ac3"), "--layout", "normal-tc"}));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find("Input stream does not have time code.")) << err;
    EXPECT_NE(std::string::npos, err.find("the 3 frames recorded before are kept")) << err;
    EXPECT_EQ(Bytes(tc_file.begin(), tc_file.begin() + 3 * 2 * (8 + 768)),
              read_file_bytes(dir.path("c.ac3")));
}

// Where playback stops, convert and wrap stop too and say where; --resync
// reads on. A file with no playable frame is refused.
TEST(StopsEarly, BadHeadersAndUnplayableFiles) {
    TempDir dir;
    Bytes whole = frames_file_bytes(FORMAT_NORMAL, distinct_frames(30, 0, 28));
    Bytes junk = whole;
    const size_t at = 2 * 768 * 20;
    junk.insert(junk.begin() + at, {0x0B, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8});
    write_file_bytes(dir.path("junk.ac3"), junk);
    const std::string out = dir.path("out");
    for (bool resync : {false, true}) {
        std::vector<std::string> args = {"convert", dir.path("junk.ac3"), out, "--layout=normal"};
        if (resync) {
            args.push_back("--resync");
        }
        testing::internal::CaptureStderr();
        EXPECT_EQ(EXIT_FOUND, run(args));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(std::string::npos, err.find(resync ? "skipped words 15360 to 15366 (7 words)"
                                                     : "stopped at frame 20, word 15360"))
            << err;
        EXPECT_EQ(resync ? whole : Bytes(whole.begin(), whole.begin() + at), read_file_bytes(out));
        std::filesystem::remove(out);
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(EXIT_FOUND, run({"wrap", dir.path("junk.ac3"), out}));
    EXPECT_NE(std::string::npos,
              testing::internal::GetCapturedStderr().find("playback stopped at frame 20"));

    // No playable frame: refused, and an existing OUT stays as it was.
    Frames reserved = distinct_frames(2, 0, 28);
    reserved[0][2] |= 0xC000;  // fscod 3: no sample rate
    for (const Bytes& b : {Bytes{0x0B, 0x77}, frames_file_bytes(FORMAT_NORMAL, reserved)}) {
        write_file_bytes(dir.path("bad.ac3"), b);
        write_file_bytes(dir.path("old.raw"), {1, 2, 3});
        testing::internal::CaptureStderr();
        EXPECT_EQ(EXIT_UNUSABLE,
                  run({"wrap", dir.path("bad.ac3"), dir.path("old.raw"), "--force"}));
        EXPECT_NE(std::string::npos,
                  testing::internal::GetCapturedStderr().find("Invalid File Format."));
        EXPECT_EQ(Bytes({1, 2, 3}), read_file_bytes(dir.path("old.raw")));
    }
}

TEST(Verify, FindsDamagedFramesCutRecordsAndTimeCodeJumps) {
    TempDir dir;
    std::string out;
    Frames frames = distinct_frames(10, 0, 28);
    frames[3][300] ^= 0x0010;
    frames[7][700] ^= 0x8000;
    // The file's end cuts the last record short: reported as such, not as a CRC failure.
    Bytes cut = frames_file_bytes(FORMAT_PC, frames);
    cut.resize(cut.size() - 100);
    write_file_bytes(dir.path("bad.ac3"), cut);
    EXPECT_EQ(EXIT_FOUND, run_captured({"verify", dir.path("bad.ac3"), "--json"}, &out));
    EXPECT_NE(std::string::npos, out.find("\"crc_failures\": [3, 7]")) << out;
    EXPECT_NE(std::string::npos, out.find("\"cut_short\": 9,")) << out;
    EXPECT_EQ(EXIT_FOUND, run_captured({"verify", dir.path("bad.ac3")}, &out));
    EXPECT_NE(std::string::npos, out.find("CRC failures: 2 (frames 3, 7)\n")) << out;
    // Also when not even the first frame's header is whole.
    write_file_bytes(dir.path("short.ac3"), {0x0B, 0x77, 0x12, 0x34, 0xFF, 0xFF});
    EXPECT_EQ(EXIT_FOUND, run_captured({"verify", dir.path("short.ac3"), "--json"}, &out));
    EXPECT_NE(std::string::npos, out.find("\"cut_short\": 0,")) << out;

    // Time code: a run that jumps an hour ahead at frame 4 and goes on from there.
    Frames packets = make_packets(6);
    for (size_t i = 4; i < packets.size(); i++) {
        packets[i][0] = to_bcd(11);
    }
    write_file_bytes(dir.path("tc.ac3"),
                     frames_file_bytes(FORMAT_NORMAL_TC, distinct_frames(6, 0, 28), packets));
    EXPECT_EQ(EXIT_FOUND, run_captured({"verify", dir.path("tc.ac3"), "--json"}, &out));
    EXPECT_NE(std::string::npos, out.find("{\"frame\": 4,")) << out;
    EXPECT_EQ(out.find("{\"frame\": 4,"), out.rfind("{\"frame\":")) << out;
}

// Continuous drop-frame time code across minutes that drop labels (1) and
// one that does not (10) is clean, and so is 25 fps flagged drop-frame; a
// real jump is still found, and a negative sample offset carries one sign.
TEST(Verify, DropFrameNumberingAndSignedOffsets) {
    TempDir dir;
    std::string out;
    const int per_minute = 60 * 30 - 2;
    const Frames frames = distinct_frames(20, 0, 28);
    for (int first : {per_minute + 2 - 10, 10 * per_minute + 2 - 10}) {
        SCOPED_TRACE(first);
        Frames packets = make_packets(20, first, true);
        write_file_bytes(dir.path("df.ac3"), frames_file_bytes(FORMAT_NORMAL_TC, frames, packets));
        EXPECT_EQ(EXIT_CLEAN, run_captured({"verify", dir.path("df.ac3")}, &out)) << out;
        packets[12][3] = to_bcd(29);  // a label drop-frame counting does not give there
        write_file_bytes(dir.path("df.ac3"), frames_file_bytes(FORMAT_NORMAL_TC, frames, packets));
        EXPECT_EQ(EXIT_FOUND, run_captured({"verify", dir.path("df.ac3")}, &out));
        EXPECT_NE(std::string::npos, out.find("frame 12:")) << out;
    }
    Frames packets = make_packets(20, 60 * 25 - 10);
    for (std::vector<Word>& p : packets) {
        p[5] |= 1;
    }
    write_file_bytes(dir.path("df.ac3"), frames_file_bytes(FORMAT_NORMAL_TC, frames, packets));
    EXPECT_EQ(EXIT_CLEAN, run_captured({"verify", dir.path("df.ac3")}, &out)) << out;
    packets = make_packets(20);
    packets[19][4] = static_cast<Word>(-32768);
    write_file_bytes(dir.path("neg.ac3"), frames_file_bytes(FORMAT_NORMAL_TC, frames, packets));
    EXPECT_EQ(EXIT_FOUND, run_captured({"verify", dir.path("neg.ac3")}, &out));
    EXPECT_NE(std::string::npos, out.find("fps -32768\n")) << out;
    EXPECT_EQ(std::string::npos, out.find("+-")) << out;

    // An odd last byte is no word: reported by verify (and by convert).
    Bytes odd = frames_file_bytes(FORMAT_NORMAL, frames);
    odd.push_back(0x0B);
    write_file_bytes(dir.path("odd.ac3"), odd);
    EXPECT_EQ(EXIT_FOUND, run_captured({"verify", dir.path("odd.ac3"), "--json"}, &out));
    EXPECT_NE(std::string::npos, out.find("\"odd_trailing_byte\": true")) << out;
    testing::internal::CaptureStderr();
    EXPECT_EQ(EXIT_CLEAN,
              run({"convert", dir.path("odd.ac3"), dir.path("n.ac3"), "--layout", "normal"}));
    EXPECT_NE(std::string::npos,
              testing::internal::GetCapturedStderr().find("ends in an odd byte, which is no word"));
}

// Only what the file holds: the end time code of the last whole record, a
// duration summed over frames of different rates, no parameters read from
// past the end, a name that is not UTF-8 escaped in JSON.
TEST(Info, ReportsOnlyWhatTheFileHolds) {
    TempDir dir;
    std::string out;
    Bytes tc = frames_file_bytes(FORMAT_NORMAL_TC, distinct_frames(75, 0, 28), make_packets(75));
    Bytes cut(tc.begin(), tc.end() - 100);
    Bytes junk = tc;
    junk.insert(junk.end(), {0x01, 0x10, 0x99, 0x99, 0x55, 0x55, 0x01, 0x10, 0x77});
    for (const Bytes& b : {cut, junk}) {
        write_file_bytes(dir.path("tc.ac3"), b);
        ASSERT_EQ(EXIT_CLEAN, run_captured({"info", dir.path("tc.ac3")}, &out));
        const char* end = &b == &cut ? "10:00:02:09 - 25 fps\n" : "10:00:02:10 - 25 fps\n";
        EXPECT_NE(std::string::npos, out.find(std::string("Time code at the end:    ") + end))
            << out;
        EXPECT_NE(std::string::npos, out.find("Time code at the start:  10:00:00:00 - 25 fps"))
            << out;
    }

    // 50 frames at 48 kHz (1.6 s) and 50 at 32 kHz (2.4 s).
    Frames mixed = distinct_frames(50, 0, 28);
    Frames slow = distinct_frames(50, 2, 28);
    mixed.insert(mixed.end(), slow.begin(), slow.end());
    write_file_bytes(dir.path("mixed.ac3"), frames_file_bytes(FORMAT_NORMAL, mixed));
    ASSERT_EQ(EXIT_CLEAN, run_captured({"info", dir.path("mixed.ac3")}, &out));
    EXPECT_NE(std::string::npos, out.find("Duration:                00:00:04.0")) << out;

    // A POSIX name is any bytes, UTF-8 up to U+10FFFF kept as it is; a
    // Windows name is text in the code page.
    const std::string latin1 = dir.path(IS_POSIX ? "caf\xe9.ac3\xe9" : "cafe.ac3");
    write_file_bytes(latin1, {0x0B, 0x77});
    ASSERT_EQ(EXIT_CLEAN, run_captured({"info", latin1, "--json"}, &out));
    EXPECT_NE(std::string::npos, out.find(IS_POSIX ? "caf\\u00e9.ac3\\u00e9\"," : "cafe.ac3\","))
        << out;
    if (IS_POSIX) {
        const std::string last = dir.path("\xc3\xa9\xe2\x82\xac\xf4\x8f\xbf\xbf.ac3");
        write_file_bytes(last, {0x0B, 0x77});
        ASSERT_EQ(EXIT_CLEAN, run_captured({"info", last, "--json"}, &out));
        EXPECT_NE(std::string::npos, out.find("/\xc3\xa9\xe2\x82\xac\xf4\x8f\xbf\xbf.ac3\","))
            << out;
    }
    EXPECT_NE(std::string::npos, out.find("\"data_rate\": \"\",")) << out;
    EXPECT_NE(std::string::npos, out.find("\"sample_rate\": \"\",")) << out;
}

// An existing output is replaced only with --force; a refused run leaves
// nothing behind. A WAV output has the canonical little-endian header with
// the file's sample rate and length.
TEST(Files, ExistingOutputsAreReplacedOnlyWithForce) {
    TempDir dir;
    write_file_bytes(dir.path("in.ac3"),
                     frames_file_bytes(FORMAT_NORMAL, distinct_frames(2, 2, 10)));
    write_file_bytes(dir.path("old.WAV"), {1, 2, 3});
    testing::internal::CaptureStderr();
    EXPECT_EQ(EXIT_UNUSABLE, run({"wrap", dir.path("in.ac3"), dir.path("old.WAV")}));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(Bytes({1, 2, 3}), read_file_bytes(dir.path("old.WAV")));
    EXPECT_EQ(2, count_files(dir));  // no temporary left over
    EXPECT_EQ(EXIT_CLEAN, run({"wrap", dir.path("in.ac3"), dir.path("old.WAV"), "--force"}));
    EXPECT_EQ(2, count_files(dir));
    Bytes wav = read_file_bytes(dir.path("old.WAV"));
    ASSERT_EQ(WAV_HEADER_BYTES + 4 * DEVICE_BUFFER_BYTES, wav.size());
    const Bytes expected = {'R', 'I', 'F',  'F',  0x24, 0x00, 0x03, 0,    'W',  'A',  'V',
                            'E', 'f', 'm',  't',  ' ',  16,   0,    0,    0,    1,    0,
                            2,   0,   0x00, 0x7D, 0,    0,    0x00, 0xF4, 0x01, 0,    4,
                            0,   16,  0,    'd',  'a',  't',  'a',  0x00, 0x00, 0x03, 0};
    EXPECT_EQ(expected, Bytes(wav.begin(), wav.begin() + WAV_HEADER_BYTES));
}

// A stream file of 2 GB or more is refused, never read cut short at 2 GB. The
// file is sparse: two frames, then a hole.
TEST(Files, StreamFilesOfTwoGigabytesAreRefused) {
    TempDir dir;
    const std::string big = dir.path("big.ac3");
    const std::string out = dir.path("out");
    write_file_bytes(big, frames_file_bytes(FORMAT_NORMAL, distinct_frames(2, 0, 28)));
    set_file_size(big, uint64_t{1} << 31);
    const std::vector<std::string> commands[] = {{"info", big},
                                                 {"verify", big},
                                                 {"convert", big, out, "--layout", "normal-tc"},
                                                 {"wrap", big, out}};
    for (const std::vector<std::string>& args : commands) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(EXIT_UNUSABLE, run(args)) << args[0];
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(std::string::npos, err.find("2 GB")) << args[0] << ": " << err;
    }
    EXPECT_EQ(1, count_files(dir));
}

#ifndef _WIN32
// A link is written through, a dangling one counts as existing; a replaced
// file keeps its mode.
TEST(Files, LinksAreFollowedAndReplacedFilesKeepTheirMode) {
    namespace fs = std::filesystem;
    TempDir dir;
    write_file_bytes(dir.path("in.ac3"),
                     frames_file_bytes(FORMAT_NORMAL, distinct_frames(2, 0, 28)));
    write_file_bytes(dir.path("old.raw"), {1, 2, 3});
    fs::permissions(dir.path("old.raw"), fs::perms(0640));
    // Only the superuser may give a file away; others keep their own.
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(0, chown(dir.path("old.raw").c_str(), 4242, 4343));
    }
    fs::create_symlink("old.raw", dir.path("link.raw"));
    fs::create_symlink("none.raw", dir.path("dangling.raw"));
    for (const char* link : {"link.raw", "dangling.raw"}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(EXIT_UNUSABLE, run({"wrap", dir.path("in.ac3"), dir.path(link)}));
        testing::internal::GetCapturedStderr();
        EXPECT_FALSE(file_exists(dir.path("none.raw")));
        ASSERT_EQ(EXIT_CLEAN, run({"wrap", dir.path("in.ac3"), dir.path(link), "--force"}));
        EXPECT_TRUE(fs::is_symlink(dir.path(link))) << link;
    }
    EXPECT_EQ(4 * DEVICE_BUFFER_BYTES, read_file_bytes(dir.path("old.raw")).size());
    EXPECT_EQ(4 * DEVICE_BUFFER_BYTES, read_file_bytes(dir.path("none.raw")).size());
    EXPECT_EQ(fs::perms(0640), fs::status(dir.path("old.raw")).permissions() & fs::perms::all);
    struct stat st;
    ASSERT_EQ(0, stat(dir.path("old.raw").c_str(), &st));
    EXPECT_EQ(root ? 4242u : geteuid(), st.st_uid);
    EXPECT_EQ(root ? 4343u : getegid(), st.st_gid);
}
// Children started side by side hold no pipe of another's, and read nothing
// of the tool's standard input.
TEST(Children, SeeOnlyTheirOwnPipes) {
    ChildHandle slow = child_start("/bin/sleep", {"sleep", "0.5"});
    ChildHandle look = child_start("/bin/ls", {"ls", "-l", "/proc/self/fd"});
    ASSERT_TRUE(slow != nullptr && look != nullptr);
    ChildResult look_result;
    ChildResult slow_result;
    EXPECT_EQ(1u, child_wait_any({slow, look}, &look_result));
    // Another's pipe would be a read end, which the tool keeps.
    std::istringstream lines(look_result.output);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_TRUE(line.rfind("lr-x", 0) != 0 || line.find("-> pipe:") == std::string::npos)
            << line;
    }
    EXPECT_NE(std::string::npos, look_result.output.find(" 0 -> /dev/null")) << look_result.output;
    EXPECT_EQ(0u, child_wait_any({slow}, &slow_result));
    EXPECT_EQ(0, slow_result.status);
}
#endif

// Names of every length the system takes: a leaf near the system's limit
// (the temporary name must not fail it), and paths longer than the store
// keeps.
TEST(Files, LongNamesWork) {
    TempDir dir;
    Bytes stream = frames_file_bytes(FORMAT_NORMAL, distinct_frames(3, 0, 28));
    std::string deep = dir.path(std::string(100, 'd'));
    deep += "/" + std::string(100, 'e');
    std::filesystem::create_directories(deep);
    const std::string in = deep + "/" + std::string(60, 'n') + ".ac3";
    const std::string leaf = dir.path(std::string(240, 'x') + ".ac3");
    ASSERT_GE(in.size(), 256u);
    write_file_bytes(in, stream);
    write_file_bytes(dir.path("pcm.raw"), burst_pcm(distinct_frames(3, 0, 28)));
    std::string out;
    if (!IS_POSIX) {
        // Beyond the system's own path limit there: said plainly.
        testing::internal::CaptureStderr();
        EXPECT_EQ(EXIT_UNUSABLE, run_captured({"info", in}, &out));
        EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find(
                                         "the path is longer than the store takes"));
        return;
    }
    EXPECT_EQ(EXIT_CLEAN, run_captured({"info", in}, &out));
    EXPECT_NE(std::string::npos, out.find("Frames:                  3\n")) << out;
    EXPECT_EQ(EXIT_CLEAN, run({"convert", in, leaf, "--layout", "normal"}));
    EXPECT_EQ(stream, read_file_bytes(leaf));
    for (const std::string& target : {leaf, in + "2"}) {
        EXPECT_EQ(EXIT_CLEAN, run({"unwrap", dir.path("pcm.raw"), target, "--force"}));
        EXPECT_EQ(stream, read_file_bytes(target));
    }
}

}  // namespace
