#include "tests/support/test_frames.h"

#include <cassert>

#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "common/file_format.h"
#include "streamfile/stream_format.h"

namespace {

// Writes value into the frame's bit stream at bit position pos (MSB first).
void put_bits(std::vector<Word>& w, int& pos, int count, unsigned value) {
    for (int i = count - 1; i >= 0; --i) {
        int word = pos / 16;
        int bit = 15 - pos % 16;
        if ((value >> i) & 1)
            w[word] = static_cast<Word>(w[word] | (1u << bit));
        else
            w[word] = static_cast<Word>(w[word] & ~(1u << bit));
        ++pos;
    }
}

uint16_t crc_over(const std::vector<Word>& w, size_t first, size_t end) {
    uint16_t reg = 0;
    auto feed = [&reg](unsigned b) {
        reg = static_cast<uint16_t>(CRC_TABLE[reg >> 8] ^ b ^ ((reg << 8) & 0xFF00));
    };
    for (size_t i = first; i < end; ++i) {
        feed(w[i] >> 8);
        feed(w[i] & 0xFF);
    }
    // Two zero bytes: the remainder of the message shifted by 16 bits.
    feed(0);
    feed(0);
    return reg;
}

}  // namespace

void fix_frame_crc(std::vector<Word>& frame) {
    assert(frame.size() >= 3);
    frame.back() = crc_over(frame, 1, frame.size() - 1);
}

std::vector<Word> make_frame(const FrameSpec& shape) {
    int words = frame_words_for(shape.fscod, shape.frmsizecod);
    assert(words > 0);
    std::vector<Word> f(static_cast<size_t>(words), 0);
    uint32_t x = shape.seed * 2654435761u + 12345u;
    for (auto& w : f) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        w = static_cast<Word>(x);
    }
    int pos = 0;
    put_bits(f, pos, 16, AC3_SYNC_WORD);
    put_bits(f, pos, 16, 0x1234);  // crc1: any value, the final word makes the frame whole
    put_bits(f, pos, 2, static_cast<unsigned>(shape.fscod));
    put_bits(f, pos, 6, static_cast<unsigned>(shape.frmsizecod));
    put_bits(f, pos, 5, static_cast<unsigned>(shape.bsid));
    put_bits(f, pos, 3, static_cast<unsigned>(shape.bsmod));
    put_bits(f, pos, 3, static_cast<unsigned>(shape.acmod));
    if ((shape.acmod & 1) && shape.acmod != 1)
        put_bits(f, pos, 2, 1);
    if (shape.acmod & 4)
        put_bits(f, pos, 2, 1);
    if (shape.acmod == 2)
        put_bits(f, pos, 2, 0);
    put_bits(f, pos, 1, static_cast<unsigned>(shape.lfeon));
    put_bits(f, pos, 5, static_cast<unsigned>(shape.dialnorm));
    fix_frame_crc(f);
    return f;
}

Word to_bcd(int value) {
    return static_cast<Word>(((value / 10) << 4) | (value % 10));
}

std::vector<Word> make_time_code_packet(int hours,
                                        int minutes,
                                        int seconds,
                                        int frames,
                                        int sample_offset,
                                        int rate_code,
                                        int drop_frame) {
    return {to_bcd(hours),
            to_bcd(minutes),
            to_bcd(seconds),
            to_bcd(frames),
            static_cast<Word>(static_cast<int16_t>(sample_offset)),
            static_cast<Word>((rate_code << 2) | (drop_frame & 1)),
            0,
            0};
}

std::vector<std::vector<Word>> distinct_frames(int count,
                                               int fscod,
                                               int frmsizecod,
                                               bool alternate) {
    std::vector<std::vector<Word>> frames;
    for (int i = 0; i < count; ++i) {
        FrameSpec shape;
        shape.fscod = fscod;
        shape.frmsizecod = frmsizecod + (alternate ? i % 2 : 0);
        shape.seed = static_cast<uint32_t>(i + 1);
        frames.push_back(make_frame(shape));
    }
    return frames;
}

std::vector<Word> tc_packet(int i) {
    return make_time_code_packet(1, i / 1500 % 60, i / 25 % 60, i % 25, 0, 3, 0);
}

std::vector<uint8_t> frames_file_bytes(int format,
                                       const std::vector<std::vector<Word>>& frames,
                                       const std::vector<std::vector<Word>>& packets) {
    std::vector<uint8_t> out;
    auto put = [&out](Word w, bool high_first) {
        out.push_back(static_cast<uint8_t>(high_first ? w >> 8 : w & 0xFF));
        out.push_back(static_cast<uint8_t>(high_first ? w & 0xFF : w >> 8));
    };
    for (size_t i = 0; i < frames.size(); ++i) {
        if (format == FORMAT_NORMAL_TC) {
            std::vector<Word> p = packets.empty() ? tc_packet(static_cast<int>(i)) : packets[i];
            packet_to_file_order(p.data());
            for (Word w : p)
                put(w, true);
        }
        for (Word w : frames[i])
            put(w, format != FORMAT_PC);
    }
    return out;
}

std::vector<Word> burst_block(int mode,
                              const std::vector<Word>& packet,
                              const std::vector<Word>& frame) {
    std::vector<Word> block(3072, 0);
    size_t at = mode == 2 ? 1 : 0;
    for (const std::vector<Word>* payload : {&packet, &frame}) {
        if (payload->empty())
            continue;
        // Literal words, not the product's constants, so that a wrong constant shows.
        Word type = payload == &packet ? 2 : 1;
        std::vector<Word> burst = {0xF872, 0x4E1F, type, static_cast<Word>(16 * payload->size())};
        burst.insert(burst.end(), payload->begin(), payload->end());
        for (Word w : burst) {
            block.at(at) = w;
            at += mode == 0 ? 1 : 2;
        }
    }
    return block;
}

std::vector<Word> played_words(int mode,
                               int format,
                               const std::vector<std::vector<Word>>& frames,
                               const std::vector<std::vector<Word>>& packets) {
    constexpr size_t BUFFER_WORDS = 8 * 3072;
    std::vector<Word> out(3 * BUFFER_WORDS, 0);
    for (size_t i = 0; i < frames.size(); ++i) {
        std::vector<Word> packet;
        if (format == FORMAT_NORMAL_TC) {
            packet = packets.empty() ? tc_packet(static_cast<int>(i)) : packets[i];
            packet[6] = 0x0110;
        }
        std::vector<Word> block = burst_block(mode, packet, frames[i]);
        out.insert(out.end(), block.begin(), block.end());
    }
    out.resize((3 + frames.size() / 8 + 1) * BUFFER_WORDS, 0);
    return out;
}

std::vector<uint8_t> pcm_bytes(const std::vector<Word>& words) {
    std::vector<uint8_t> bytes;
    for (Word w : words)
        bytes.insert(bytes.end(), {static_cast<uint8_t>(w & 0xFF), static_cast<uint8_t>(w >> 8)});
    return bytes;
}

std::vector<Word> pcm_words(const std::vector<uint8_t>& bytes) {
    std::vector<Word> words(bytes.size() / 2);
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<Word>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return words;
}
