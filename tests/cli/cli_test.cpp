// bitdek-cli in process: WAV headers on literal bytes, and the commands over
// stream files built from known frames, checked by round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/wav_io.h"
#include "common/burst.h"
#include "common/file_format.h"
#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Frames = std::vector<std::vector<Word>>;

constexpr size_t DEVICE_BUFFER_BYTES = 0xC000;
constexpr size_t BLOCK_WORDS = 3072;

int run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    CliOptions opt;
    int rc = parse_options(static_cast<int>(argv.size()), argv.data(), &opt);
    return rc != EXIT_CLEAN ? rc : run_command(opt);
}

// run() with standard output captured into *out.
int run_captured(std::vector<std::string> args, std::string* out) {
    testing::internal::CaptureStdout();
    int rc = run(std::move(args));
    *out = testing::internal::GetCapturedStdout();
    return rc;
}

Frames make_frames(int count, int fscod, int frmsizecod) {
    Frames frames;
    for (int i = 0; i < count; i++) {
        FrameSpec shape;
        shape.fscod = fscod;
        shape.frmsizecod = frmsizecod;
        shape.seed = static_cast<uint32_t>(i + 1);
        frames.push_back(make_frame(shape));
    }
    return frames;
}

// Packets of consecutive video frames at 25 fps, 1920 samples each at 48 kHz.
Frames make_packets(int count) {
    Frames packets;
    int offset = 0;
    int frame = 0;
    for (int i = 0; i < count; i++) {
        packets.push_back(make_time_code_packet(10, 0, frame / 25, frame % 25, offset, 3, 0));
        offset -= 1536;
        while (offset < 0) {
            offset += 1920;
            frame++;
        }
    }
    return packets;
}

void put_words(Bytes* out, const std::vector<Word>& words, int layout) {
    for (Word w : words) {
        uint8_t hi = static_cast<uint8_t>(w >> 8);
        uint8_t lo = static_cast<uint8_t>(w & 0xFF);
        out->push_back(layout == FORMAT_PC ? lo : hi);
        out->push_back(layout == FORMAT_PC ? hi : lo);
    }
}

// A stream file's bytes, built here independently of the store.
Bytes stream_bytes(const Frames& frames, int layout, const Frames& packets = {}) {
    Bytes out;
    for (size_t i = 0; i < frames.size(); i++) {
        if (layout == FORMAT_NORMAL_TC) {
            const std::vector<Word>& s = packets[i];
            put_words(&out, {0x0110, s[0], s[1], s[2], s[3], s[4], s[5], s[7]}, layout);
        }
        put_words(&out, frames[i], layout);
    }
    return out;
}

// Contiguous AC-3 bursts, one per block, as raw little-endian PCM.
Bytes burst_pcm(const Frames& frames) {
    Bytes out;
    for (const std::vector<Word>& f : frames) {
        std::vector<Word> block(BLOCK_WORDS, 0);
        block[0] = BURST_PA;
        block[1] = BURST_PB;
        block[2] = PACKET_AC3_FRAME;
        block[3] = static_cast<Word>(f.size() * 16);
        std::copy(f.begin(), f.end(), block.begin() + 4);
        put_words(&out, block, FORMAT_PC);
    }
    return out;
}

std::vector<std::string> files_in(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.dir())) {
        names.push_back(e.path().filename().string());
    }
    return names;
}

TEST(WavHeader, BuildsTheCanonicalHeaderLittleEndian) {
    uint8_t h[WAV_HEADER_BYTES];
    wav_build_header(h, 44100, 0x01020304);
    const uint8_t expected[WAV_HEADER_BYTES] = {
        'R',  'I', 'F', 'F', 0x28, 0x03, 0x02, 0x01, 'W', 'A',  'V',  'E',  'f',  'm',  't',
        ' ',  16,  0,   0,   0,    1,    0,    2,    0,   0x44, 0xAC, 0,    0,    0x10, 0xB1,
        0x02, 0,   4,   0,   16,   0,    'd',  'a',  't', 'a',  0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(0, std::memcmp(expected, h, sizeof(h)));
}

TEST(WavHeader, FollowsChunksAskingForMoreAsItGoes) {
    // An odd-sized chunk (padded), then an extensible "fmt ", then the data.
    Bytes b = {'R',  'I',  'F', 'F', 0,    0,    0,   0, 'W',  'A',  'V',  'E', 'L', 'I', 'S', 'T',
               3,    0,    0,   0,   'a',  'b',  'c', 0, 'f',  'm',  't',  ' ', 40,  0,   0,   0,
               0xFE, 0xFF, 2,   0,   0x80, 0xBB, 0,   0, 0x00, 0xEE, 0x02, 0,   4,   0,   16,  0};
    b.resize(b.size() + 24, 0);
    b[24 + 8 + WAV_SUBFORMAT_OFFSET] = 1;  // subformat: PCM
    for (char c : std::string("data")) {
        b.push_back(static_cast<uint8_t>(c));
    }
    b.insert(b.end(), {0x10, 0, 0, 0});
    WavInfo info;
    size_t offered = 0;
    int rc;
    int rounds = 0;
    while ((rc = wav_parse_header(b.data(), offered, &info)) == WAV_NEED_MORE) {
        ASSERT_GT(info.need, offered);
        ASSERT_LE(info.need, b.size());
        offered = info.need;
        ASSERT_LT(++rounds, 10);
    }
    ASSERT_EQ(WAV_OK, rc);
    EXPECT_EQ(b.size(), info.data_offset);
    EXPECT_EQ(0x10u, info.data_bytes);
    EXPECT_EQ(48000u, info.sample_rate);
    EXPECT_TRUE(wav_is_pcm16_stereo(info));

    b[24 + 8 + WAV_SUBFORMAT_OFFSET] = 3;  // float samples
    ASSERT_EQ(WAV_OK, wav_parse_header(b.data(), b.size(), &info));
    EXPECT_FALSE(wav_is_pcm16_stereo(info));
}

TEST(WavHeader, RefusesWhatIsNotAUsableWav) {
    uint8_t good[WAV_HEADER_BYTES];
    wav_build_header(good, 48000, 0);
    WavInfo info;
    Bytes raw(good, good + WAV_HEADER_BYTES);
    raw[0] = 'X';
    EXPECT_EQ(WAV_NOT_WAV, wav_parse_header(raw.data(), raw.size(), &info));
    Bytes data_first(good, good + 12);
    data_first.insert(data_first.end(), good + 36, good + 44);
    EXPECT_EQ(WAV_BAD_HEADER, wav_parse_header(data_first.data(), data_first.size(), &info));
    Bytes short_fmt(good, good + WAV_HEADER_BYTES);
    short_fmt[16] = 14;
    EXPECT_EQ(WAV_BAD_HEADER, wav_parse_header(short_fmt.data(), short_fmt.size(), &info));
}

TEST(Options, RefuseWhatTheCommandDoesNotTake) {
    EXPECT_EQ(EXIT_UNUSABLE, run({"frobnicate", "x"}));
    EXPECT_EQ(EXIT_UNUSABLE, run({"info"}));
    EXPECT_EQ(EXIT_UNUSABLE, run({"info", "a", "b"}));
    EXPECT_EQ(EXIT_UNUSABLE, run({"info", "a", "--force"}));
    EXPECT_EQ(EXIT_UNUSABLE, run({"wrap", "a", "b", "--json"}));
    EXPECT_EQ(EXIT_UNUSABLE, run({"convert", "a", "b"}));
    EXPECT_EQ(EXIT_UNUSABLE, run({"convert", "a", "b", "--layout"}));
    EXPECT_EQ(EXIT_UNUSABLE, run({"convert", "a", "b", "--layout", "dos"}));
    EXPECT_EQ(EXIT_UNUSABLE, run({"wrap", "a", "b", "--output=24-bit"}));
    EXPECT_EQ(EXIT_UNUSABLE, run({"unwrap", "a", "b", "--force=yes"}));
}

// Every layout in every output format: wrap, then unwrap into the same layout,
// gives the file back byte for byte; the PCM has the playback engine's length.
TEST(WrapUnwrap, RoundTripEveryLayoutAndOutputFormat) {
    TempDir dir;
    // 44.1 kHz frames alternate between 417 and 418 words; 17 frames end
    // inside a device buffer, 16 exactly at its end.
    const Frames frames = make_frames(17, 1, 20);
    const Frames packets = make_packets(17);
    const char* layouts[] = {"normal-tc", "normal", "pc"};
    const char* outputs[] = {"32-bit", "16-bit-channel-1", "16-bit-channel-2"};
    for (int layout = 0; layout < 3; layout++) {
        for (const char* output : outputs) {
            SCOPED_TRACE(std::string(layouts[layout]) + " " + output);
            for (int count : {16, 17}) {
                Frames part(frames.begin(), frames.begin() + count);
                Bytes original = stream_bytes(part, layout, packets);
                write_file_bytes(dir.path("in.ac3"), original);
                ASSERT_EQ(EXIT_CLEAN, run({"wrap", dir.path("in.ac3"), dir.path("pcm.raw"),
                                           "--output", output, "--force"}));
                size_t buffers = 3 + static_cast<size_t>(count) / 8 + 1;
                EXPECT_EQ(buffers * DEVICE_BUFFER_BYTES,
                          read_file_bytes(dir.path("pcm.raw")).size());
                ASSERT_EQ(EXIT_CLEAN, run({"unwrap", dir.path("pcm.raw"), dir.path("out.ac3"),
                                           "--layout", layouts[layout], "--force"}));
                EXPECT_EQ(original, read_file_bytes(dir.path("out.ac3")));
            }
        }
    }
}

TEST(Wrap, WavHeaderCarriesTheFilesSampleRateAndLength) {
    TempDir dir;
    write_file_bytes(dir.path("in.ac3"), stream_bytes(make_frames(3, 2, 10), FORMAT_NORMAL));
    ASSERT_EQ(EXIT_CLEAN, run({"wrap", dir.path("in.ac3"), dir.path("out.WAV")}));
    Bytes wav = read_file_bytes(dir.path("out.WAV"));
    WavInfo info;
    ASSERT_EQ(WAV_OK, wav_parse_header(wav.data(), wav.size(), &info));
    EXPECT_EQ(32000u, info.sample_rate);
    EXPECT_EQ(4 * DEVICE_BUFFER_BYTES, info.data_bytes);
    EXPECT_EQ(WAV_HEADER_BYTES + info.data_bytes, wav.size());
}

// A capture that stops inside a burst: the frames before it are recorded,
// the cut one is not completed with the silence after it.
TEST(Unwrap, InputEndingInsideABurstRecordsOnlyWholeFrames) {
    TempDir dir;
    const Frames frames = make_frames(3, 0, 28);
    Bytes whole = stream_bytes(frames, FORMAT_NORMAL);
    Bytes pcm = burst_pcm(frames);
    for (size_t keep : {2 * BLOCK_WORDS + 4 + 700, 2 * BLOCK_WORDS + 2}) {
        SCOPED_TRACE(keep);
        write_file_bytes(dir.path("cut.raw"), Bytes(pcm.begin(), pcm.begin() + 2 * keep));
        ASSERT_EQ(EXIT_CLEAN, run({"unwrap", dir.path("cut.raw"), dir.path("out.ac3"), "--force"}));
        Bytes out = read_file_bytes(dir.path("out.ac3"));
        EXPECT_EQ(Bytes(whole.begin(), whole.begin() + 2 * 2 * 768), out);
    }
    // Ending right after the last payload word loses nothing.
    write_file_bytes(dir.path("cut.raw"),
                     Bytes(pcm.begin(), pcm.begin() + 2 * (2 * BLOCK_WORDS + 4 + 768)));
    ASSERT_EQ(EXIT_CLEAN, run({"unwrap", dir.path("cut.raw"), dir.path("out.ac3"), "--force"}));
    EXPECT_EQ(whole, read_file_bytes(dir.path("out.ac3")));
}

TEST(Unwrap, TimeCodeLayoutFollowsTheWritersRules) {
    TempDir dir;
    const Frames frames = make_frames(4, 0, 28);
    write_file_bytes(dir.path("pcm.raw"), burst_pcm(frames));
    // Without time code the recording goes on as "Normal" from its second frame.
    ASSERT_EQ(EXIT_CLEAN,
              run({"unwrap", dir.path("pcm.raw"), dir.path("a.ac3"), "--layout", "normal-tc"}));
    Frames rest(frames.begin() + 1, frames.end());
    EXPECT_EQ(stream_bytes(rest, FORMAT_NORMAL), read_file_bytes(dir.path("a.ac3")));
    // Requiring time code refuses it and leaves nothing behind.
    testing::internal::CaptureStderr();
    EXPECT_EQ(EXIT_UNUSABLE, run({"unwrap", dir.path("pcm.raw"), dir.path("b.ac3"), "--layout",
                                  "normal-tc", "--require-tc"}));
    EXPECT_NE(std::string::npos,
              testing::internal::GetCapturedStderr().find("Input stream does not have time code."));
    EXPECT_EQ(std::vector<std::string>({"a.ac3", "pcm.raw"}).size(), files_in(dir).size());
    EXPECT_FALSE(file_exists(dir.path("b.ac3")));

    // One time code burst missing in the middle: the recording stops at the
    // frame without its packet and keeps every record before it.
    const Frames packets = make_packets(6);
    const Frames six = make_frames(6, 0, 28);
    const Bytes tc_file = stream_bytes(six, FORMAT_NORMAL_TC, packets);
    write_file_bytes(dir.path("tc.ac3"), tc_file);
    ASSERT_EQ(EXIT_CLEAN, run({"wrap", dir.path("tc.ac3"), dir.path("tc.raw")}));
    Bytes pcm = read_file_bytes(dir.path("tc.raw"));
    int time_code_bursts = 0;
    for (size_t i = 0; i + 6 <= pcm.size(); i += 2) {
        Bytes preamble = {0x72, 0xF8, 0x1F, 0x4E, PACKET_TIME_CODE, 0};
        if (std::equal(preamble.begin(), preamble.end(), pcm.begin() + i) &&
            ++time_code_bursts == 4) {
            pcm[i] = 0;
        }
    }
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

TEST(Convert, LayoutsRoundTripAndTimeCodeIsNeverInvented) {
    TempDir dir;
    const Frames frames = make_frames(5, 0, 30);
    const Frames packets = make_packets(5);
    write_file_bytes(dir.path("tc.ac3"), stream_bytes(frames, FORMAT_NORMAL_TC, packets));
    ASSERT_EQ(EXIT_CLEAN,
              run({"convert", dir.path("tc.ac3"), dir.path("pc.ac3"), "--layout", "pc"}));
    EXPECT_EQ(stream_bytes(frames, FORMAT_PC), read_file_bytes(dir.path("pc.ac3")));
    ASSERT_EQ(EXIT_CLEAN,
              run({"convert", dir.path("tc.ac3"), dir.path("tc2.ac3"), "--layout", "normal-tc"}));
    EXPECT_EQ(read_file_bytes(dir.path("tc.ac3")), read_file_bytes(dir.path("tc2.ac3")));
    ASSERT_EQ(EXIT_CLEAN,
              run({"convert", dir.path("pc.ac3"), dir.path("n.ac3"), "--layout", "normal"}));
    EXPECT_EQ(stream_bytes(frames, FORMAT_NORMAL), read_file_bytes(dir.path("n.ac3")));
    testing::internal::CaptureStderr();
    EXPECT_EQ(EXIT_UNUSABLE,
              run({"convert", dir.path("n.ac3"), dir.path("x.ac3"), "--layout", "normal-tc"}));
    EXPECT_NE(std::string::npos,
              testing::internal::GetCapturedStderr().find("Input stream does not have time code."));
    EXPECT_FALSE(file_exists(dir.path("x.ac3")));
}

TEST(Verify, FindsDamagedFramesCutRecordsAndTimeCodeJumps) {
    TempDir dir;
    std::string out;
    Frames frames = make_frames(10, 0, 28);
    write_file_bytes(dir.path("clean.ac3"), stream_bytes(frames, FORMAT_NORMAL));
    EXPECT_EQ(EXIT_CLEAN, run_captured({"verify", dir.path("clean.ac3")}, &out));
    frames[3][300] ^= 0x0010;
    frames[7][700] ^= 0x8000;
    write_file_bytes(dir.path("bad.ac3"), stream_bytes(frames, FORMAT_PC));
    EXPECT_EQ(EXIT_FOUND, run_captured({"verify", dir.path("bad.ac3"), "--json"}, &out));
    EXPECT_NE(std::string::npos, out.find("\"crc_failures\": [3, 7]")) << out;
    EXPECT_NE(std::string::npos, out.find("\"frames\": 10,")) << out;

    // The file's end cuts the last record short: reported as such, not as a CRC failure.
    Bytes cut = stream_bytes(make_frames(4, 0, 28), FORMAT_NORMAL);
    cut.resize(cut.size() - 100);
    write_file_bytes(dir.path("cut.ac3"), cut);
    EXPECT_EQ(EXIT_FOUND, run_captured({"verify", dir.path("cut.ac3"), "--json"}, &out));
    EXPECT_NE(std::string::npos, out.find("\"cut_short\": 3,")) << out;
    EXPECT_NE(std::string::npos, out.find("\"crc_failures\": [],")) << out;

    // Time code: a run that jumps an hour ahead at frame 4 and goes on from there.
    Frames tc_frames = make_frames(6, 0, 28);
    Frames packets = make_packets(6);
    write_file_bytes(dir.path("tc.ac3"), stream_bytes(tc_frames, FORMAT_NORMAL_TC, packets));
    EXPECT_EQ(EXIT_CLEAN, run_captured({"verify", dir.path("tc.ac3")}, &out)) << out;
    for (size_t i = 4; i < packets.size(); i++) {
        packets[i][0] = to_bcd(11);
    }
    write_file_bytes(dir.path("tc.ac3"), stream_bytes(tc_frames, FORMAT_NORMAL_TC, packets));
    EXPECT_EQ(EXIT_FOUND, run_captured({"verify", dir.path("tc.ac3"), "--json"}, &out));
    EXPECT_NE(std::string::npos, out.find("{\"frame\": 4,")) << out;
    EXPECT_EQ(out.find("{\"frame\": 4,"), out.rfind("{\"frame\":")) << out;
}

TEST(Info, ShowsTheWindowsTextsAndTheTimeCodeOfStartAndEnd) {
    TempDir dir;
    FrameSpec shape;
    shape.acmod = 7;
    shape.lfeon = 1;
    shape.bsmod = 7;
    shape.dialnorm = 0;
    Frames frames(75, make_frame(shape));
    write_file_bytes(dir.path("tc.ac3"), stream_bytes(frames, FORMAT_NORMAL_TC, make_packets(75)));
    std::string out;
    ASSERT_EQ(EXIT_CLEAN, run_captured({"info", dir.path("tc.ac3")}, &out));
    for (const char* line :
         {"Layout:                  Normal + Time Code", "Frames:                  75\n",
          "Data rate:               384 kbps", "Audio coding mode:       3/2: L,C,R,Ls,Rs",
          "LFE:                     On", "Bitstream mode:          Main audio service: Karaoke",
          "Dialogue normalisation:  Reserved", "Duration:                00:00:02.4",
          "Time code at the start:  10:00:00:00 - 25 fps",
          "Time code at the end:    10:00:02:10 - 25 fps"}) {
        EXPECT_NE(std::string::npos, out.find(line)) << line << "\n" << out;
    }
}

// What must never happen to the user's files: an input touched, an existing
// output replaced without --force, a failed run leaving anything behind.
TEST(Files, InputsAndExistingOutputsAreLeftAlone) {
    TempDir dir;
    Bytes stream = stream_bytes(make_frames(2, 0, 28), FORMAT_NORMAL);
    Bytes junk(5000, 0x55);
    write_file_bytes(dir.path("in.ac3"), stream);
    write_file_bytes(dir.path("junk.ac3"), junk);
    write_file_bytes(dir.path("empty.ac3"), {});
    write_file_bytes(dir.path("old.raw"), {1, 2, 3});
    testing::internal::CaptureStderr();
    EXPECT_EQ(EXIT_UNUSABLE, run({"info", dir.path("junk.ac3")}));
    EXPECT_EQ(EXIT_UNUSABLE, run({"verify", dir.path("empty.ac3")}));
    EXPECT_EQ(EXIT_UNUSABLE, run({"info", dir.path("missing.ac3")}));
    EXPECT_EQ(EXIT_UNUSABLE, run({"wrap", dir.path("in.ac3"), dir.path("old.raw")}));
    EXPECT_EQ(EXIT_UNUSABLE, run({"unwrap", dir.path("junk.ac3"), dir.path("new.ac3")}));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find("Invalid File Format.")) << err;
    EXPECT_EQ(junk, read_file_bytes(dir.path("junk.ac3")));
    EXPECT_TRUE(file_exists(dir.path("empty.ac3")));
    EXPECT_FALSE(file_exists(dir.path("missing.ac3")));
    EXPECT_EQ(Bytes({1, 2, 3}), read_file_bytes(dir.path("old.raw")));
    EXPECT_EQ(4u, files_in(dir).size());  // no new file, no temporary left over
    EXPECT_EQ(EXIT_CLEAN, run({"wrap", dir.path("in.ac3"), dir.path("old.raw"), "--force"}));
    EXPECT_EQ(4 * DEVICE_BUFFER_BYTES, read_file_bytes(dir.path("old.raw")).size());
}

// A stream file of 2 GB or more is refused, never read cut short at 2 GB. The
// file is sparse: two frames, then a hole.
TEST(Files, StreamFilesOfTwoGigabytesAreRefused) {
    TempDir dir;
    std::string big = dir.path("big.ac3");
    write_file_bytes(big, stream_bytes(make_frames(2, 0, 28), FORMAT_NORMAL));
    set_file_size(big, uint64_t{1} << 31);
    for (std::string command : {"info", "verify", "convert", "wrap"}) {
        std::vector<std::string> args = {command, big};
        if (command == "convert" || command == "wrap") {
            args.push_back(dir.path("out"));
        }
        if (command == "convert") {
            args.insert(args.end(), {"--layout", "normal-tc"});
        }
        testing::internal::CaptureStderr();
        EXPECT_EQ(EXIT_UNUSABLE, run(args)) << command;
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(std::string::npos, err.find("2 GB")) << command << ": " << err;
    }
    EXPECT_EQ(1u, files_in(dir).size());
}

}  // namespace
