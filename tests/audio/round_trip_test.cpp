#include <gtest/gtest.h>

#include "tests/audio/engine_test_util.h"
#include "tests/scripted_wave/scripted_wave.h"

namespace {

// Frames of mixed sizes at one sample rate, all of which fit a block in every
// output format (with time code at most 1520 words).
Records mixed_records(int fscod, int count) {
    // Code 30 (448 kbit/s, 1344 words at 32 kHz) lands in block 7 of the
    // first buffer, where the leads below put a buffer boundary.
    const int codes[] = {8, 17, 30, 28, 3};
    Records records;
    for (int i = 0; i < count; ++i) {
        FrameSpec shape;
        shape.fscod = fscod;
        shape.frmsizecod = codes[i % 5];
        shape.acmod = i % 8;
        Records r = make_records(shape, i + 1);
        records.frames.push_back(r.frames.back());
        records.packets.push_back(r.packets.back());
    }
    return records;
}

// Plays the open file to the end in the given output format; returns all
// the PCM the device was given.
std::vector<uint8_t> play_to_the_end(int mode) {
    scripted_wave_reset();
    set_spdif_mode(mode);
    stream_seek(0, SEEK_TO_START);
    std::vector<uint8_t> pcm;
    EXPECT_EQ(Rc(RC_OK), Rc(start_playback(nullptr)));
    for (int guard = 0; guard < 100; ++guard) {
        scripted_wave_return_output(1);
        if (on_output_buffer_done() == RC_PLAYBACK_DRAINED)
            break;
    }
    EXPECT_EQ(Rc(RC_OK), Rc(stop_playback()));
    for (const auto& buffer : scripted_wave_output_buffers())
        pcm.insert(pcm.end(), buffer.begin(), buffer.end());
    return pcm;
}

// Records PCM, preceded by lead zero words, into a new file of the layout;
// returns the count of buffers that reported data.
int record(const std::string& path, int format, const std::vector<uint8_t>& pcm, int lead) {
    scripted_wave_reset();
    EXPECT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
    stream_set_new_format(format);
    stream_resume();
    EXPECT_EQ(Rc(RC_OK), Rc(start_capture(nullptr)));
    std::vector<uint8_t> zeros(2 * lead, 0);
    scripted_wave_supply_input(zeros.data(), zeros.size());
    scripted_wave_supply_input(pcm.data(), pcm.size());
    int data = 0;
    while (scripted_wave_input_left() > 0) {
        scripted_wave_fill_input(1);
        int rc = on_input_buffer_filled(STATE_RECORDING);
        EXPECT_TRUE(rc == RC_DATA || rc == RC_NO_DATA) << Rc(rc);
        data += rc == RC_DATA;
    }
    EXPECT_EQ(Rc(RC_OK), Rc(stop_capture()));
    stream_close();
    return data;
}

class RoundTrip : public EngineTest {};

// Every layout at every sample rate, played in every output format, sends the
// PCM it must, and recorded from it gives back the file byte for byte, however
// the buffer boundaries cut the bursts.
TEST_F(RoundTrip, EveryLayoutRateAndOutputFormat) {
    // Leads of zero words put the capture's buffer boundaries 3072 - lead words
    // into the last block of each played buffer: in the preamble, in the
    // payload, on a word that an interleaved burst skips, on one it keeps.
    const int leads[] = {0, 1072, 2071, 3067, 3071};
    for (int format : {FORMAT_NORMAL_TC, FORMAT_NORMAL, FORMAT_PC}) {
        for (int fscod : {0, 1, 2}) {
            Records records = mixed_records(fscod, 21);
            std::vector<uint8_t> original = stream_file_bytes(format, records);
            write_file_bytes(dir.path("in.ac3"), original);
            for (int mode : {0, 1, 2}) {
                ASSERT_EQ(Rc(RC_OK), Rc(stream_open(dir.path("in.ac3").c_str(), 0)));
                std::vector<uint8_t> pcm = play_to_the_end(mode);
                stream_close();
                ASSERT_EQ(played_words(mode, format, records.frames, records.packets),
                          pcm_words(pcm))
                    << "layout " << format << " fscod " << fscod << " mode " << mode;
                for (int lead : leads) {
                    SCOPED_TRACE(testing::Message() << "layout " << format << " fscod " << fscod
                                                    << " mode " << mode << " lead " << lead);
                    std::string out = dir.path("out.ac3");
                    EXPECT_GE(record(out, format, pcm, lead), 3);
                    ASSERT_EQ(original, read_file_bytes(out));
                }
            }
        }
    }
    EXPECT_EQ(0, get_frame_errors());
}

}  // namespace
