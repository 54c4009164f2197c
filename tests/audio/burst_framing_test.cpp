#include <gtest/gtest.h>

#include <vector>

#include "audio/burst_framing.h"
#include "tests/support/test_frames.h"

namespace {

std::vector<uint8_t> silent_block() {
    return std::vector<uint8_t>(BURST_BLOCK_BYTES, 0);
}

Word word_at(const std::vector<uint8_t>& pcm, size_t index) {
    return get_pcm_word(pcm.data() + 2 * index);
}

std::vector<Word> counting_frame(int32_t words) {
    std::vector<Word> frame(words);
    for (int32_t i = 0; i < words; ++i) {
        frame[i] = static_cast<Word>(0x8000 + i);
    }
    frame[0] = AC3_SYNC_WORD;
    return frame;
}

// Feeds PCM words to a receiver; returns the packets completed, each with its
// data type in front.
std::vector<std::vector<Word>> receive_all(BurstReceiver* rx, const std::vector<Word>& pcm) {
    std::vector<Word> scratch(BURST_MAX_PAYLOAD_WORDS);
    std::vector<std::vector<Word>> packets;
    for (Word w : pcm) {
        int type = receive_word(rx, scratch.data(), w);
        if (type != 0) {
            std::vector<Word> p{static_cast<Word>(type)};
            p.insert(p.end(), scratch.begin(), scratch.begin() + rx->payload_words);
            packets.push_back(p);
        }
    }
    return packets;
}

std::vector<Word> with_type(int type, const std::vector<Word>& payload) {
    std::vector<Word> p{static_cast<Word>(type)};
    p.insert(p.end(), payload.begin(), payload.end());
    return p;
}

TEST(PutWord, LittleEndianAndStride) {
    uint8_t pcm[8] = {};
    uint8_t* next = put_word(pcm, 0x12F872, 2);  // only the low 16 bits are stored
    EXPECT_EQ(pcm + 4, next);
    EXPECT_EQ(0x72, pcm[0]);
    EXPECT_EQ(0xF8, pcm[1]);
    EXPECT_EQ(0, pcm[2]);
    EXPECT_EQ(pcm + 6, put_word(pcm + 4, 0x4E1F, 1));
    EXPECT_EQ(0x1F, pcm[4]);
    EXPECT_EQ(0x4E, pcm[5]);
}

TEST(FillBlock, ThirtyTwoBitFrameWithAndWithoutTimeCode) {
    std::vector<Word> frame = counting_frame(896);
    std::vector<uint8_t> block = silent_block();
    ASSERT_EQ(1, fill_block(block.data(), SPDIF_32_BIT, nullptr, frame.data(), 896));
    EXPECT_EQ(0xF872, word_at(block, 0));
    EXPECT_EQ(0x4E1F, word_at(block, 1));
    EXPECT_EQ(0x0001, word_at(block, 2));
    EXPECT_EQ(0x3800, word_at(block, 3));
    for (size_t i = 0; i < 896; ++i) {
        ASSERT_EQ(frame[i], word_at(block, 4 + i)) << i;
    }
    for (size_t i = 900; i < BURST_BLOCK_WORDS; ++i) {
        ASSERT_EQ(0, word_at(block, i)) << i;
    }

    std::vector<Word> packet = make_time_code_packet(1, 2, 3, 4, 5, 3, 0);
    block = silent_block();
    ASSERT_EQ(1, fill_block(block.data(), SPDIF_32_BIT, packet.data(), frame.data(), 896));
    const Word head[] = {0xF872, 0x4E1F, 0x0002, 0x0080};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(head[i], word_at(block, i));
    }
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(packet[i], word_at(block, 4 + i));
    }
    EXPECT_EQ(0xF872, word_at(block, 12));
    EXPECT_EQ(0x0001, word_at(block, 14));
    EXPECT_EQ(0x3800, word_at(block, 15));
    EXPECT_EQ(AC3_SYNC_WORD, word_at(block, 16));
    EXPECT_EQ(frame[895], word_at(block, 16 + 895));
    EXPECT_EQ(0, word_at(block, 16 + 896));
}

TEST(FillBlock, SixteenBitFormatsUseOneChannel) {
    std::vector<Word> frame = counting_frame(896);
    for (int mode : {SPDIF_16_BIT_CH1, SPDIF_16_BIT_CH2}) {
        SCOPED_TRACE(mode);
        size_t used = mode == SPDIF_16_BIT_CH1 ? 0 : 1;
        std::vector<uint8_t> block = silent_block();
        ASSERT_EQ(1, fill_block(block.data(), mode, nullptr, frame.data(), 896));
        const Word head[] = {0xF872, 0x4E1F, 0x0001, 0x3800};
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(head[i], word_at(block, used + 2 * i));
        }
        for (size_t i = 0; i < 896; ++i) {
            ASSERT_EQ(frame[i], word_at(block, used + 2 * (4 + i))) << i;
        }
        // The other channel is silent throughout, and so is the rest of the block.
        for (size_t i = 0; i < BURST_BLOCK_WORDS; ++i) {
            if (i % 2 != used || i > used + 2 * 899) {
                ASSERT_EQ(0, word_at(block, i)) << i;
            }
        }
    }
}

TEST(FillBlock, UnknownModePlaysAsThirtyTwoBit) {
    std::vector<Word> frame = counting_frame(64);
    std::vector<uint8_t> expected = silent_block();
    fill_block(expected.data(), SPDIF_32_BIT, nullptr, frame.data(), 64);
    for (int mode : {-1, 3, 99}) {
        std::vector<uint8_t> block = silent_block();
        ASSERT_EQ(1, fill_block(block.data(), mode, nullptr, frame.data(), 64));
        EXPECT_EQ(expected, block) << mode;
    }
}

TEST(FillBlock, LongestFramesFitExactlyOrLeaveTheBlockSilent) {
    std::vector<Word> packet = make_time_code_packet(0, 0, 0, 0, 0, 3, 0);
    // 32-bit: the longest frame, with time code, fits.
    std::vector<Word> frame = counting_frame(1920);
    std::vector<uint8_t> block = silent_block();
    EXPECT_EQ(1, fill_block(block.data(), SPDIF_32_BIT, packet.data(), frame.data(), 1920));
    EXPECT_EQ(frame[1919], word_at(block, 16 + 1919));

    struct Case {
        int32_t words;
        bool time_code;
        int fits;
    };
    const Case cases[] = {{1532, false, 1}, {1533, false, 0}, {1520, true, 1},
                          {1521, true, 0},  {1536, false, 0}, {1920, true, 0}};
    for (int mode : {SPDIF_16_BIT_CH1, SPDIF_16_BIT_CH2}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " words " << c.words);
            frame = counting_frame(c.words);
            // The block sits between two others: nothing may spill into either.
            std::vector<uint8_t> three(3 * BURST_BLOCK_BYTES, 0);
            uint8_t* middle = three.data() + BURST_BLOCK_BYTES;
            ASSERT_EQ(c.fits, fill_block(middle, mode, c.time_code ? packet.data() : nullptr,
                                         frame.data(), c.words));
            for (size_t i = 0; i < BURST_BLOCK_WORDS; ++i) {
                ASSERT_EQ(0, word_at(three, i));
                ASSERT_EQ(0, word_at(three, 2 * BURST_BLOCK_WORDS + i));
            }
            size_t used = mode == SPDIF_16_BIT_CH1 ? 0 : 1;
            Word last = word_at(three, BURST_BLOCK_WORDS + BURST_BLOCK_WORDS - 2 + used);
            if (c.fits) {
                EXPECT_EQ(frame.back(), last);  // exactly full
            } else {
                for (size_t i = 0; i < BURST_BLOCK_WORDS; ++i) {
                    ASSERT_EQ(0, word_at(three, BURST_BLOCK_WORDS + i)) << "silent block";
                }
            }
        }
    }
}

TEST(ReceiveWord, ContiguousAndInterleavedBurstsGiveTheSamePacket) {
    std::vector<Word> frame = counting_frame(896);
    std::vector<Word> contiguous = {0, 7, 0xF872, 0x4E1F, 0x0001, 0x3800};
    contiguous.insert(contiguous.end(), frame.begin(), frame.end());
    contiguous.push_back(0);
    std::vector<Word> interleaved = {0xF872, 0, 0x4E1F, 0, 0x0001, 0, 0x3800, 0};
    for (Word w : frame) {
        interleaved.push_back(w);
        interleaved.push_back(0x4E1F);  // the other channel is never read as a preamble
    }
    for (const auto* pcm : {&contiguous, &interleaved}) {
        BurstReceiver rx{};
        auto packets = receive_all(&rx, *pcm);
        ASSERT_EQ(1u, packets.size());
        EXPECT_EQ(with_type(PACKET_AC3_FRAME, frame), packets[0]);
        EXPECT_EQ(RX_SEEK_PA, rx.state);
    }
}

TEST(ReceiveWord, SyncWordsAtTheirDistances) {
    std::vector<Word> tc = {1, 2, 3, 4, 5, 6, 7, 8};
    auto burst_after = [&](std::vector<Word> lead) {
        lead.insert(lead.end(), {0x0002, 0x0080});
        lead.insert(lead.end(), tc.begin(), tc.end());
        BurstReceiver rx{};
        return receive_all(&rx, lead);
    };
    // A repeated Pa restarts the preamble at the second one.
    EXPECT_EQ(1u, burst_after({0xF872, 0xF872, 0x4E1F}).size());
    // Pb two words after Pa is an interleaved burst; three words is none.
    EXPECT_EQ(0u, burst_after({0xF872, 0x1111, 0x2222, 0x4E1F}).size());
    EXPECT_EQ(0u, burst_after({0x4E1F, 0xF872}).size());
    // Pa in the gap position starts over from it.
    std::vector<Word> pcm = {0xF872, 0x1234, 0xF872, 0x4E1F, 0x0002, 0x0080};
    pcm.insert(pcm.end(), tc.begin(), tc.end());
    BurstReceiver rx{};
    auto packets = receive_all(&rx, pcm);
    ASSERT_EQ(1u, packets.size());
    EXPECT_EQ(with_type(PACKET_TIME_CODE, tc), packets[0]);
}

TEST(ReceiveWord, PreambleFieldsAcceptedAndRefused) {
    struct Case {
        Word pc;
        Word pd;
        int type;         // expected packet type, 0: none
        int32_t payload;  // expected payload words
    };
    const Case cases[] = {
        {0x2001, 0x0010, 0, 0},                 // AC-3 with a bitstream number
        {0xE002, 0x0080, PACKET_TIME_CODE, 8},  // time code: bits 13..15 not examined
        {0x0081, 0x0020, PACKET_AC3_FRAME, 2},  // bits 5..12 not examined
        {0x0003, 0x0010, 0, 0},                 // other data types
        {0x0000, 0x0010, 0, 0},
        {0x0001, 896 * 16 + 15, PACKET_AC3_FRAME, 896},  // low bits of Pd ignored
        {0x0001, 0xC000, PACKET_AC3_FRAME, 3072},        // one whole block
        {0x0001, 0xC010, 0, 0},                          // one word more
        {0x0001, 0x000F, 0, 0},                          // no payload at all
        {0x0001, 0x0000, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "Pc " << c.pc << " Pd " << c.pd);
        std::vector<Word> pcm = {0xF872, 0x4E1F, c.pc, c.pd};
        pcm.resize(pcm.size() + 3100, 0x5555);
        BurstReceiver rx{};
        auto packets = receive_all(&rx, pcm);
        if (c.type == 0) {
            EXPECT_TRUE(packets.empty());
        } else {
            ASSERT_EQ(1u, packets.size());
            EXPECT_EQ(c.type, packets[0][0]);
            EXPECT_EQ(static_cast<size_t>(c.payload) + 1, packets[0].size());
        }
    }
}

TEST(ReceiveWord, BrokenPreambleDoesNotHideTheNextBurst) {
    // A zero-length burst is abandoned; its words are searched again for Pa.
    std::vector<Word> frame = counting_frame(64);
    std::vector<Word> pcm = {0xF872, 0x4E1F, 0x0001, 0x0000, 0xF872, 0x4E1F, 0x0001, 0x0400};
    pcm.insert(pcm.end(), frame.begin(), frame.end());
    BurstReceiver rx{};
    auto packets = receive_all(&rx, pcm);
    ASSERT_EQ(1u, packets.size());
    EXPECT_EQ(with_type(PACKET_AC3_FRAME, frame), packets[0]);
}

// Everything the transmitter writes, the receiver reads back: every format,
// with and without time code, several blocks in a row.
TEST(BurstFraming, TransmitterAndReceiverAgree) {
    std::vector<Word> packet = make_time_code_packet(10, 20, 30, 12, -5, 4, 1);
    for (int mode : {SPDIF_32_BIT, SPDIF_16_BIT_CH1, SPDIF_16_BIT_CH2}) {
        for (bool time_code : {false, true}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " tc " << time_code);
            std::vector<uint8_t> pcm(3 * BURST_BLOCK_BYTES, 0);
            std::vector<std::vector<Word>> frames;
            for (int fscod = 0; fscod < 3; ++fscod) {
                FrameSpec spec;
                spec.fscod = fscod;
                spec.frmsizecod = 16 + 4 * fscod;
                spec.seed = 7 + fscod;
                frames.push_back(make_frame(spec));
                ASSERT_EQ(1, fill_block(pcm.data() + fscod * BURST_BLOCK_BYTES, mode,
                                        time_code ? packet.data() : nullptr, frames.back().data(),
                                        static_cast<int32_t>(frames.back().size())));
            }
            std::vector<Word> words;
            for (size_t i = 0; i < pcm.size() / 2; ++i) {
                words.push_back(word_at(pcm, i));
            }
            BurstReceiver rx{};
            auto packets = receive_all(&rx, words);
            std::vector<std::vector<Word>> expected;
            for (const auto& f : frames) {
                if (time_code) {
                    expected.push_back(with_type(PACKET_TIME_CODE, packet));
                }
                expected.push_back(with_type(PACKET_AC3_FRAME, f));
            }
            EXPECT_EQ(expected, packets);
        }
    }
}

}  // namespace
