#include <gtest/gtest.h>

#include <algorithm>
#include <random>
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
        ASSERT_EQ(c.fits, fill_block(three.data() + BURST_BLOCK_BYTES, c.mode,
                                     c.time_code ? packet.data() : nullptr, frame.data(), c.words));
        std::vector<Word> expected(3 * BURST_BLOCK_WORDS, 0);
        if (c.fits) {
            std::vector<Word> block =
                burst_block(c.mode, c.time_code ? packet : std::vector<Word>{}, frame);
            std::copy(block.begin(), block.end(), expected.begin() + BURST_BLOCK_WORDS);
        }
        EXPECT_EQ(expected, pcm_words(three));
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

// One packet as a receiver completed it: data type, the index of the word
// that completed it, the payload.
struct Completed {
    int type;
    size_t at;
    std::vector<Word> payload;
    bool operator==(const Completed&) const = default;
};

struct Receiving {
    BurstReceiver rx{};
    std::vector<Word> scratch = std::vector<Word>(BURST_MAX_PAYLOAD_WORDS);
    std::vector<Completed> packets;
    void complete(int type, size_t at) {
        packets.push_back({type, at, {scratch.begin(), scratch.begin() + rx.payload_words}});
    }
};

bool same_receiver(const BurstReceiver& a, const BurstReceiver& b) {
    return a.state == b.state && a.interleaved == b.interleaved && a.data_type == b.data_type &&
           a.payload_words == b.payload_words && a.received_words == b.received_words &&
           a.write_pos == b.write_pos && a.skip_next == b.skip_next;
}

// Runs pcm through receive_run in buffers of buffer_words (the last may be
// shorter) and through receive_word word by word, the reference: at every
// buffer edge both have completed the same packets at the same words and
// carry the same receiver record. Returns the packets.
std::vector<Completed> expect_same_as_word_by_word(const std::vector<uint8_t>& pcm,
                                                   size_t buffer_words) {
    const size_t words = pcm.size() / 2;
    Receiving ref;
    Receiving bulk;
    for (size_t start = 0; start < words; start += buffer_words) {
        size_t end = std::min(words, start + buffer_words);
        for (size_t j = start; j < end; ++j)
            if (int type = receive_word(&ref.rx, ref.scratch.data(), get_pcm_word(&pcm[2 * j])))
                ref.complete(type, j);
        for (size_t i = start; i < end;) {
            int type = 0;
            int32_t n = receive_run(&bulk.rx, bulk.scratch.data(), &pcm[2 * i],
                                    static_cast<int32_t>(end - i), &type);
            EXPECT_GT(n, 0);
            i += static_cast<size_t>(n);
            if (type != 0)
                bulk.complete(type, i - 1);
        }
        if (!same_receiver(ref.rx, bulk.rx) || ref.packets != bulk.packets) {
            ADD_FAILURE() << "buffers of " << buffer_words << " words differ at word " << end
                          << ": packets " << ref.packets.size() << " and " << bulk.packets.size();
            break;
        }
    }
    return ref.packets;
}

// Words as random as the input can be, with bursts of every kind planted in
// them, in either placement: whole, broken off, with refused preambles, Pa
// and Pb out of place.
TEST(ReceiveRun, SameAsWordByWordOnRandomPcm) {
    std::mt19937 random(61937);
    auto pick = [&](uint32_t n) { return static_cast<uint32_t>(random() % n); };
    for (int round = 0; round < 3; ++round) {
        std::vector<Word> words;
        while (words.size() < 20000) {
            for (uint32_t k = pick(40); k > 0; --k)
                words.push_back(pick(4) == 0 ? BURST_PA : static_cast<Word>(random()));
            const Word pcs[] = {1, 2, 0x0081, 0xE002, 0x2001, 3, static_cast<Word>(random())};
            int32_t payload = pick(12) == 0 ? static_cast<int32_t>(pick(3100)) : 1 + pick(60);
            std::vector<Word> burst = {BURST_PA, BURST_PB, pcs[pick(7)],
                                       static_cast<Word>(16 * payload + pick(16))};
            for (int32_t k = 0; k < payload; ++k)
                burst.push_back(pick(8) == 0 ? BURST_PA : static_cast<Word>(random()));
            burst.resize(pick(5) == 0 ? pick(static_cast<uint32_t>(burst.size())) : burst.size());
            bool interleaved = pick(2) == 0;
            for (size_t k = 0; k < burst.size(); ++k) {
                words.push_back(burst[k]);
                if (interleaved)
                    words.push_back(k == 0 ? 0 : static_cast<Word>(pick(3) ? random() : BURST_PA));
            }
        }
        std::vector<uint8_t> pcm = pcm_bytes(words);
        size_t packets = 0;
        for (size_t buffer = 1; buffer <= 24; ++buffer)
            packets = expect_same_as_word_by_word(pcm, buffer).size();
        for (size_t buffer : {97, 1536, 24576})
            EXPECT_EQ(packets, expect_same_as_word_by_word(pcm, buffer).size());
        EXPECT_GT(packets, 30u);  // enough bursts get through whole
    }
}

}  // namespace
