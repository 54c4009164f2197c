#include <gtest/gtest.h>

#include <vector>

#include "audio/burst_framing.h"
#include "tests/support/test_frames.h"

namespace {

std::vector<Word> counting_frame(int32_t words) {
    std::vector<Word> frame(words);
    for (int32_t i = 0; i < words; ++i)
        frame[i] = static_cast<Word>(0x8000 + i);
    frame[0] = AC3_SYNC_WORD;
    return frame;
}

// Feeds PCM words to a fresh receiver; returns the packets completed, each
// with its data type in front.
std::vector<std::vector<Word>> receive_all(const std::vector<Word>& pcm) {
    BurstReceiver rx{};
    std::vector<Word> scratch(BURST_MAX_PAYLOAD_WORDS);
    std::vector<std::vector<Word>> packets;
    for (Word w : pcm) {
        if (int type = receive_word(&rx, scratch.data(), w)) {
            packets.push_back({static_cast<Word>(type)});
            packets.back().insert(packets.back().end(), scratch.begin(),
                                  scratch.begin() + rx.payload_words);
        }
    }
    return packets;
}

// The longest bursts fill a block exactly; one word more and the block stays
// silent, time code included, with nothing spilt into the blocks around it.
TEST(FillBlock, LongestFramesFitExactlyOrLeaveTheBlockSilent) {
    std::vector<Word> packet = make_time_code_packet(0, 0, 0, 0, 0, 3, 0);
    struct Case {
        int mode;
        int32_t words;
        bool time_code;
        int fits;
    };
    const Case cases[] = {{0, 1920, true, 1}, {1, 1532, false, 1}, {1, 1533, false, 0},
                          {2, 1520, true, 1}, {2, 1521, true, 0},  {1, 1536, false, 0},
                          {2, 1920, true, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " words " << c.words);
        std::vector<Word> frame = counting_frame(c.words);
        std::vector<uint8_t> three(3 * BURST_BLOCK_BYTES, 0);
        uint8_t* middle = three.data() + BURST_BLOCK_BYTES;
        ASSERT_EQ(c.fits, fill_block(middle, c.mode, c.time_code ? packet.data() : nullptr,
                                     frame.data(), c.words));
        std::vector<Word> words(3 * BURST_BLOCK_WORDS);
        for (size_t i = 0; i < words.size(); ++i)
            words[i] = get_pcm_word(three.data() + 2 * i);
        size_t last =
            c.mode == 0 ? BURST_BLOCK_WORDS + 16 + 1919 : 2 * BURST_BLOCK_WORDS - 2 + (c.mode == 2);
        for (size_t i = 0; i < words.size(); ++i) {
            if (c.fits && i == last) {
                EXPECT_EQ(frame.back(), words[i]);
            } else if (!c.fits || i < BURST_BLOCK_WORDS || i >= 2 * BURST_BLOCK_WORDS) {
                ASSERT_EQ(0, words[i]) << i;
            }
        }
    }
}

TEST(ReceiveWord, SyncWordsAtTheirDistances) {
    std::vector<Word> tc = {1, 2, 3, 4, 5, 6, 7, 8};
    auto packets_after = [&](std::vector<Word> lead) {
        lead.insert(lead.end(), {0x0002, 0x0080});
        lead.insert(lead.end(), tc.begin(), tc.end());
        return receive_all(lead).size();
    };
    EXPECT_EQ(1u, packets_after({0xF872, 0xF872, 0x4E1F}));  // the second Pa counts
    EXPECT_EQ(1u, packets_after({0xF872, 0x1234, 0xF872, 0x4E1F}));
    EXPECT_EQ(0u, packets_after({0xF872, 0x1111, 0x2222, 0x4E1F}));
    EXPECT_EQ(0u, packets_after({0x4E1F, 0xF872}));
}

TEST(ReceiveWord, PreambleFieldsAcceptedAndRefused) {
    struct Case {
        Word pc;
        Word pd;
        int type;  // expected packet type, 0: none
        size_t payload;
    };
    const Case cases[] = {
        {0x2001, 0x0010, 0, 0},                          // AC-3 with a bitstream number
        {0xE002, 0x0080, PACKET_TIME_CODE, 8},           // not examined for time code
        {0x0081, 0x0020, PACKET_AC3_FRAME, 2},           // bits 5..12 not examined
        {0x0003, 0x0010, 0, 0},                          // other data types
        {0x0001, 896 * 16 + 15, PACKET_AC3_FRAME, 896},  // low bits of Pd ignored
        {0x0001, 0xC000, PACKET_AC3_FRAME, 3072},        // one whole block
        {0x0001, 0xC010, 0, 0},                          // one word more
        {0x0001, 0x000F, 0, 0},                          // no payload at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "Pc " << c.pc << " Pd " << c.pd);
        std::vector<Word> pcm = {0xF872, 0x4E1F, c.pc, c.pd};
        pcm.resize(pcm.size() + 3100, 0x5555);
        auto packets = receive_all(pcm);
        ASSERT_EQ(c.type == 0 ? 0u : 1u, packets.size());
        if (c.type != 0) {
            EXPECT_EQ(c.type, packets[0][0]);
            EXPECT_EQ(c.payload + 1, packets[0].size());
        }
    }
    // After an empty preamble the next burst is found.
    std::vector<Word> frame = counting_frame(64);
    std::vector<Word> pcm = {0xF872, 0x4E1F, 0x0001, 0x0000, 0xF872, 0x4E1F, 0x0001, 0x0400};
    pcm.insert(pcm.end(), frame.begin(), frame.end());
    auto packets = receive_all(pcm);
    ASSERT_EQ(1u, packets.size());
    EXPECT_EQ(frame, std::vector<Word>(packets[0].begin() + 1, packets[0].end()));
}

}  // namespace
