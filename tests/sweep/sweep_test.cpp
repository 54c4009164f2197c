// Every data rate at every sample rate, from ffmpeg's AC-3 encoder (made by
// make_streams.sh), each longer than three file windows: walked, navigated
// and converted through the store in every layout, and wrapped and unwrapped
// in every output format through the tool's commands, against the frame
// boundaries read straight from the file's bytes and ffmpeg's own bursts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "common/file_format.h"
#include "common/result.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "streamfile/stream_format.h"
#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Stream {
    std::string file;
    int fs;
    int kbps;
    std::string channels;
    uint32_t bursts_cksum;  // of ffmpeg's IEC 61937 bursts, as cksum(1) gives it
    size_t bursts_bytes;
};

constexpr size_t LEAD_IN_BYTES = 3 * 0xC000;  // the playback engine's silent buffers
constexpr int BLOCK_WORDS_16_BIT = 1536;      // burst words a block holds in a 16-bit format

std::vector<Stream> read_streams() {
    std::vector<Stream> streams;
    std::ifstream list(std::string(SWEEP_STREAMS) + "/streams.txt");
    std::string line;
    while (std::getline(list, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        Stream s;
        std::istringstream in(line);
        in >> s.file >> s.fs >> s.kbps >> s.channels >> s.bursts_cksum >> s.bursts_bytes;
        s.file = std::string(SWEEP_STREAMS) + "/" + s.file;
        streams.push_back(s);
    }
    return streams;
}

// cksum(1) of the n bytes of a file from byte `from` on, as make_streams.sh
// took it of ffmpeg's bursts.
uint32_t cksum_of(const std::string& path, size_t from, size_t n) {
    std::string command = "tail -c +" + std::to_string(from + 1) + " '" + path + "' | head -c " +
                          std::to_string(n) + " | cksum";
    std::FILE* p = popen(command.c_str(), "r");
    unsigned long sum = 0;
    if (p != nullptr && std::fscanf(p, "%lu", &sum) != 1)
        sum = 0;
    if (p != nullptr)
        pclose(p);
    return static_cast<uint32_t>(sum);
}

// Frame length in words from an A/52 header at h: 2 words per kbit/s at
// 48 kHz, 3 at 32 kHz, and at 44.1 kHz the rate's share of 96000/44100 with
// the odd code one word longer.
int frame_words_at(const uint8_t* h) {
    static const int KBPS[19] = {32,  40,  48,  56,  64,  80,  96,  112, 128, 160,
                                 192, 224, 256, 320, 384, 448, 512, 576, 640};
    int fscod = h[4] >> 6;
    int code = h[4] & 0x3F;
    if (h[0] != 0x0B || h[1] != 0x77 || code >= 38)
        return 0;
    int kbps = KBPS[code / 2];
    switch (fscod) {
        case 0:
            return 2 * kbps;
        case 1:
            return kbps * 96000 / 44100 + (code & 1);
        case 2:
            return 3 * kbps;
        default:
            return 0;
    }
}

// One record of a layout's file: where it starts and its frame's length.
struct Record {
    int32_t at;
    int32_t frame;
};

struct Layout {
    int format;
    std::string path;
    std::vector<Word> words;  // the file's words in stream order
    std::vector<Record> records;
};

// The layout's words, records and file, from the frames found in the source.
Layout make_layout(int format,
                   const Bytes& source,
                   const std::vector<int32_t>& frames,
                   const std::string& path) {
    Layout l{format, path, {}, {}};
    std::vector<Word> src(source.size() / 2);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = static_cast<Word>(source[2 * i] << 8 | source[2 * i + 1]);
    size_t at = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        l.records.push_back({static_cast<int32_t>(l.words.size()), frames[i]});
        if (format == FORMAT_NORMAL_TC) {
            int k = static_cast<int>(i);
            std::vector<Word> s =
                make_time_code_packet(10, k / 1500 % 60, k / 25 % 60, k % 25, 0, 3, 0);
            // File order: the marker, then s0..s5 and s7.
            l.words.insert(l.words.end(), {TC_MARKER, s[0], s[1], s[2], s[3], s[4], s[5], s[7]});
        }
        l.words.insert(l.words.end(), src.begin() + static_cast<long>(at),
                       src.begin() + static_cast<long>(at) + frames[i]);
        at += static_cast<size_t>(frames[i]);
    }
    if (format == FORMAT_NORMAL_TC) {
        Bytes bytes;
        for (Word w : l.words) {
            bytes.push_back(static_cast<uint8_t>(w >> 8));
            bytes.push_back(static_cast<uint8_t>(w & 0xFF));
        }
        write_file_bytes(path, bytes);
    }
    return l;
}

// Runs the tool in this process; what it prints goes to *out when given.
int run(std::vector<std::string> args, std::string* out = nullptr) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    CliOptions opt;
    int rc = parse_options(static_cast<int>(argv.size()), argv.data(), &opt);
    if (rc != EXIT_CLEAN)
        return rc;
    testing::internal::CaptureStdout();
    rc = run_command(opt);
    std::string printed = testing::internal::GetCapturedStdout();
    if (out != nullptr)
        *out = printed;
    return rc;
}

int32_t current_frame_words() {
    FrameInfo info;
    get_frame_info(&info);
    return info.frame_words;
}

class Sweep : public ::testing::Test {
protected:
    void SetUp() override {
        set_rec_format(FORMAT_NORMAL);
        set_require_tc(0);
        set_err_check(1);
        reset_frame_info();
        reset_frame_errors();
    }
    void TearDown() override { stream_close(); }

    // The record starting at word w, or -1.
    int record_at(const Layout& l, int32_t w) {
        auto r = std::lower_bound(l.records.begin(), l.records.end(), w,
                                  [](const Record& a, int32_t at) { return a.at < at; });
        return r != l.records.end() && r->at == w ? static_cast<int>(r - l.records.begin()) : -1;
    }

    // Where a move of n frames from the position must land: n records of the
    // current frame's size on (one word less going back), then on at the next
    // marker or sync word, read from the file's words.
    int32_t landing(const Layout& l, int n) {
        int32_t packet = l.format == FORMAT_NORMAL_TC ? 8 : 0;
        int64_t target =
            stream_get_position() + static_cast<int64_t>(n) * (current_frame_words() + packet);
        if (n < 0)
            --target;
        int32_t length = static_cast<int32_t>(l.words.size());
        if (target <= 0)
            return 0;
        if (target >= length)
            return length;
        Word sought = l.format == FORMAT_NORMAL_TC ? TC_MARKER : 0x0B77;  // A/52's sync word
        for (int32_t w = static_cast<int32_t>(target); w < length; ++w)
            if (l.words[static_cast<size_t>(w)] == sought)
                return w;
        return -1;
    }

    // Moves by n and checks the landing, and that a record landed on is shown.
    void move(const Layout& l, int n) {
        int32_t want = landing(l, n);
        stream_seek(n, SEEK_BY_FRAMES);
        ASSERT_EQ(want, stream_get_position()) << "move by " << n;
        int k = record_at(l, want);
        if (want > 0 && k >= 0) {
            ASSERT_EQ(l.records[static_cast<size_t>(k)].frame, current_frame_words());
        }
    }

    void walk_and_navigate(const Layout& l) {
        SCOPED_TRACE(testing::Message() << "format " << l.format);
        ASSERT_EQ(Rc(RC_OK), Rc(stream_open(l.path.c_str(), 1)));
        StreamFile f;
        stream_get_file(&f);
        ASSERT_EQ(l.format, f.format);
        ASSERT_EQ(static_cast<int32_t>(l.words.size()), f.length);
        ASSERT_GT(f.length, 3 * WINDOW_WORDS);
        EXPECT_EQ(static_cast<int32_t>(l.records.size()), f.frame_count);
        reset_frame_errors();

        // Every record, whole, where the file's bytes put it.
        std::vector<Word> out(MAX_RECORD_WORDS);
        int32_t packet = l.format == FORMAT_NORMAL_TC ? 8 : 0;
        for (size_t k = 0; k < l.records.size(); ++k) {
            const Record& r = l.records[k];
            ASSERT_EQ(r.at, stream_get_position()) << "record " << k;
            ASSERT_EQ(r.frame, stream_next_frame(out.data())) << "record " << k;
            const Word* in_file = l.words.data() + r.at;
            if (packet != 0) {
                // Stream order again: the marker travels as s6.
                std::vector<Word> p(in_file, in_file + 8);
                ASSERT_EQ((std::vector<Word>{p[1], p[2], p[3], p[4], p[5], p[6], TC_MARKER, p[7]}),
                          std::vector<Word>(out.begin(), out.begin() + 8));
            }
            ASSERT_TRUE(
                std::equal(out.begin() + packet, out.begin() + packet + r.frame, in_file + packet))
                << "record " << k;
        }
        ASSERT_EQ(0, stream_next_frame(out.data()));
        EXPECT_EQ(0, get_frame_errors());

        // From the end back to the start a frame at a time, each step on the
        // record before.
        stream_seek(0, SEEK_TO_END);
        ASSERT_EQ(f.length, stream_get_position());
        for (size_t k = l.records.size(); k-- > 1;) {
            move(l, -1);
            ASSERT_EQ(l.records[k].at, stream_get_position());
        }
        move(l, -1);
        ASSERT_EQ(0, stream_get_position());

        // Jumps both ways over several windows, and past either end.
        stream_seek(0, SEEK_TO_START);
        int n = static_cast<int>(l.records.size());
        for (int jump : {n / 2, -n / 3, n / 4 + 1, -1, 7, -n / 5, n, -n / 2, -n}) {
            move(l, jump);
        }
        stream_close();
    }
};

TEST_F(Sweep, EveryRateWalksNavigatesAndRoundTrips) {
    std::vector<Stream> streams = read_streams();
    if (streams.empty())
        GTEST_SKIP() << "no streams in " << SWEEP_STREAMS << " (make_streams.sh needs ffmpeg)";
    ASSERT_EQ(57u, streams.size());
    TempDir dir;
    for (const Stream& s : streams) {
        SCOPED_TRACE(testing::Message() << s.fs << " Hz, " << s.kbps << " kbit/s, " << s.channels);
        Bytes source = read_file_bytes(s.file);

        // The frames, straight from the bytes: sync word and size code.
        std::vector<int32_t> frames;
        int32_t largest = 0;
        for (size_t at = 0; at < source.size();) {
            ASSERT_LE(at + 6, source.size());
            int32_t words = frame_words_at(&source[at]);
            ASSERT_GT(words, 0) << "byte " << at;
            frames.push_back(words);
            largest = std::max(largest, words);
            at += 2 * static_cast<size_t>(words);
            ASSERT_LE(at, source.size());
        }

        // The tool's whole-file commands: the frames all pass their CRCs, and
        // "PC Format" is the source with every word's bytes exchanged.
        ASSERT_EQ(EXIT_CLEAN, run({"verify", s.file}));
        std::string info;
        ASSERT_EQ(EXIT_CLEAN, run({"info", s.file}, &info));
        const std::string khz = s.fs == 44100 ? "44.1" : std::to_string(s.fs / 1000);
        EXPECT_NE(std::string::npos,
                  info.find("Data rate:               " + std::to_string(s.kbps) +
                            " kbps\nSample rate:" + "             " + khz + " kHz\n"))
            << info;
        EXPECT_NE(std::string::npos,
                  info.find("Bitstream mode:          Main audio service: Complete main\n"));
        // The nominal record size, from the codes' bit rate, is the frames' mean size.
        const size_t per_frame = info.find("Words per frame:");
        ASSERT_NE(std::string::npos, per_frame);
        int64_t total = 0;
        for (int32_t w : frames)
            total += w;
        EXPECT_NEAR(static_cast<double>(total) / static_cast<double>(frames.size()),
                    std::stod(info.substr(per_frame + 16)), 0.5);
        std::string pc = dir.path("pc.ac3");
        ASSERT_EQ(EXIT_CLEAN, run({"convert", s.file, pc, "--layout", "pc", "--force"}));
        Bytes swapped = read_file_bytes(pc);
        ASSERT_EQ(source.size(), swapped.size());
        for (size_t i = 0; i + 1 < source.size(); i += 2)
            ASSERT_TRUE(source[i] == swapped[i + 1] && source[i + 1] == swapped[i]) << i;

        walk_and_navigate(make_layout(FORMAT_NORMAL, source, frames, s.file));
        ASSERT_FALSE(HasFatalFailure());
        walk_and_navigate(make_layout(FORMAT_PC, source, frames, pc));
        ASSERT_FALSE(HasFatalFailure());
        walk_and_navigate(make_layout(FORMAT_NORMAL_TC, source, frames, dir.path("tc.ac3")));
        ASSERT_FALSE(HasFatalFailure());

        // Wrapped as ffmpeg wraps it, and back to the source in every output
        // format whose blocks hold the largest burst.
        std::string pcm = dir.path("pcm.raw");
        std::string back = dir.path("back.ac3");
        for (const char* output : {"32-bit", "16-bit-channel-1", "16-bit-channel-2"}) {
            bool sixteen = output[0] == '1';
            if (sixteen && 4 + largest > BLOCK_WORDS_16_BIT)
                continue;
            SCOPED_TRACE(output);
            ASSERT_EQ(EXIT_CLEAN, run({"wrap", s.file, pcm, "--output", output, "--force"}));
            if (!sixteen) {
                Bytes ours = read_file_bytes(pcm);
                ASSERT_GE(ours.size(), LEAD_IN_BYTES + s.bursts_bytes);
                EXPECT_EQ(s.bursts_cksum, cksum_of(pcm, LEAD_IN_BYTES, s.bursts_bytes));
                EXPECT_TRUE(
                    std::all_of(ours.begin() + static_cast<long>(LEAD_IN_BYTES + s.bursts_bytes),
                                ours.end(), [](uint8_t b) { return b == 0; }));
            }
            ASSERT_EQ(EXIT_CLEAN, run({"unwrap", pcm, back, "--force"}));
            EXPECT_TRUE(read_file_bytes(back) == source);
        }
    }
}

}  // namespace
