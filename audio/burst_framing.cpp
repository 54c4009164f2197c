#include "audio/burst_framing.h"

#include <bit>
#include <cassert>
#include <cstring>

namespace {

// PCM words are little-endian: on such a host a run of them is a run of
// Words, byte for byte.
constexpr bool HOST_LITTLE_ENDIAN = std::endian::native == std::endian::little;

// Burst words a block can take at a stride: every word at stride 1, every
// other word at stride 2.
int32_t block_capacity(int32_t stride) {
    return BURST_BLOCK_WORDS / stride;
}

uint8_t* put_burst(uint8_t* pcm, int32_t stride, int type, const Word* payload, int32_t words) {
    pcm = put_word(pcm, BURST_PA, stride);
    pcm = put_word(pcm, BURST_PB, stride);
    pcm = put_word(pcm, static_cast<uint32_t>(type), stride);
    pcm = put_word(pcm, static_cast<uint32_t>(words) << BURST_PD_WORD_SHIFT, stride);
    // Adjacent words are one copy where the host's byte order allows;
    // otherwise each placement has its own loop with a fixed stride.
    if (stride == 1 && HOST_LITTLE_ENDIAN) {
        std::memcpy(pcm, payload, sizeof(Word) * static_cast<size_t>(words));
    } else if (stride == 1) {
        for (int32_t i = 0; i < words; ++i) {
            put_word(pcm + 2 * i, payload[i], 1);
        }
    } else {
        for (int32_t i = 0; i < words; ++i) {
            put_word(pcm + 4 * i, payload[i], 2);
        }
    }
    return pcm + 2 * static_cast<size_t>(stride) * static_cast<size_t>(words);
}

// Index of the first word from from on that is Pa, or words when there is
// none. The high byte 0xF8 is searched for with memchr (fast over silence and
// payloads), at odd byte offsets only.
int32_t find_pa(const uint8_t* pcm, int32_t from, int32_t words) {
    const uint8_t* end = pcm + 2 * static_cast<size_t>(words);
    const uint8_t* p = pcm + 2 * static_cast<size_t>(from) + 1;
    while (p < end) {
        p = static_cast<const uint8_t*>(
            std::memchr(p, BURST_PA >> 8, static_cast<size_t>(end - p)));
        if (p == nullptr) {
            break;
        }
        if (((p - pcm) & 1) != 0 && p[-1] == (BURST_PA & 0xFF)) {
            return static_cast<int32_t>((p - pcm) / 2);
        }
        ++p;
    }
    return words;
}

}  // namespace

uint8_t* put_word(uint8_t* pcm, uint32_t value, int32_t stride) {
    pcm[0] = static_cast<uint8_t>(value & 0xFF);
    pcm[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
    return pcm + 2 * stride;
}

int fill_block(uint8_t* block,
               int spdif_mode,
               const Word* packet,
               const Word* frame,
               int32_t frame_words) {
    assert(frame_words > 0);
    int32_t stride = 1;
    int32_t start = 0;
    switch (spdif_mode) {
        case SPDIF_16_BIT_CH1:
            stride = 2;
            break;
        case SPDIF_16_BIT_CH2:
            stride = 2;
            start = 1;
            break;
        default:  // SPDIF_32_BIT, and any value a hand-edited settings file may hold
            break;
    }
    int32_t burst_words = BURST_PREAMBLE_WORDS + frame_words;
    if (packet != nullptr) {
        burst_words += BURST_PREAMBLE_WORDS + TIME_CODE_PACKET_WORDS;
    }
    // A burst never spills into the next block; a frame too long for its
    // block (and its time code) is not sent at all rather than sent cut.
    if (burst_words > block_capacity(stride)) {
        return 0;
    }
    uint8_t* pcm = block + 2 * start;
    if (packet != nullptr) {
        pcm = put_burst(pcm, stride, PACKET_TIME_CODE, packet, TIME_CODE_PACKET_WORDS);
    }
    put_burst(pcm, stride, PACKET_AC3_FRAME, frame, frame_words);
    return 1;
}

int receive_word(BurstReceiver* rx, Word* scratch, Word w) {
    if (rx->skip_next) {
        rx->skip_next = 0;
        return 0;
    }
    int completed = 0;
    switch (rx->state) {
        case RX_SEEK_PA:
            if (w == BURST_PA) {
                rx->state = RX_AFTER_PA;
            }
            break;
        case RX_AFTER_PA:
            if (w == BURST_PA) {
                rx->state = RX_AFTER_PA;
            } else if (w == BURST_PB) {
                rx->interleaved = 0;
                rx->state = RX_PC;
            } else {
                rx->state = RX_GAP;
            }
            break;
        case RX_GAP:
            if (w == BURST_PA) {
                rx->state = RX_AFTER_PA;
            } else if (w == BURST_PB) {
                rx->interleaved = 1;
                rx->state = RX_PC;
            } else {
                rx->state = RX_SEEK_PA;
            }
            break;
        case RX_PC: {
            int type = w & BURST_PC_TYPE_MASK;
            if (type == PACKET_AC3_FRAME && (w & BURST_PC_STREAM_MASK) == 0) {
                rx->data_type = PACKET_AC3_FRAME;
                rx->state = RX_PD;
            } else if (type == PACKET_TIME_CODE) {
                rx->data_type = PACKET_TIME_CODE;
                rx->state = RX_PD;
            } else {
                rx->state = RX_SEEK_PA;
            }
            break;
        }
        case RX_PD: {
            int32_t n = w >> BURST_PD_WORD_SHIFT;
            // An empty payload would never complete: a broken preamble, like
            // one announcing more than a block.
            if (n == 0 || n > BURST_MAX_PAYLOAD_WORDS) {
                rx->state = RX_SEEK_PA;
            } else {
                rx->payload_words = n;
                rx->write_pos = 0;
                rx->received_words = 0;
                rx->state = RX_PAYLOAD;
            }
            break;
        }
        case RX_PAYLOAD:
            assert(rx->write_pos >= 0 && rx->write_pos < BURST_MAX_PAYLOAD_WORDS);
            scratch[rx->write_pos++] = w;
            if (++rx->received_words >= rx->payload_words) {
                rx->state = RX_SEEK_PA;
                completed = rx->data_type;
            }
            break;
        default:
            assert(false && "receiver state out of range");
            rx->state = RX_SEEK_PA;
            break;
    }
    if (rx->interleaved && (rx->state == RX_PC || rx->state == RX_PD || rx->state == RX_PAYLOAD)) {
        rx->skip_next = 1;
    }
    return completed;
}

int32_t receive_run(BurstReceiver* rx,
                    Word* scratch,
                    const uint8_t* pcm,
                    int32_t words,
                    int* completed) {
    *completed = 0;
    int32_t i = 0;
    while (i < words) {
        if (rx->skip_next) {
            rx->skip_next = 0;
            ++i;
        } else if (rx->state == RX_PAYLOAD) {
            // Every payload word but the last is followed by one to skip when
            // interleaved; the run ends at the payload's end or the buffer's.
            assert(rx->write_pos == rx->received_words &&
                   rx->payload_words <= BURST_MAX_PAYLOAD_WORDS);
            int32_t stride = rx->interleaved ? 2 : 1;
            int32_t take = rx->payload_words - rx->received_words;
            int32_t available = (words - i + stride - 1) / stride;
            if (take > available) {
                take = available;
            }
            Word* to = scratch + rx->write_pos;
            const uint8_t* from = pcm + 2 * static_cast<size_t>(i);
            // Adjacent words are one copy where the host's byte order
            // allows; otherwise each placement has its own loop.
            if (stride == 1 && HOST_LITTLE_ENDIAN) {
                std::memcpy(to, from, sizeof(Word) * static_cast<size_t>(take));
            } else if (stride == 1) {
                for (int32_t k = 0; k < take; ++k) {
                    to[k] = get_pcm_word(from + 2 * k);
                }
            } else {
                for (int32_t k = 0; k < take; ++k) {
                    to[k] = get_pcm_word(from + 4 * k);
                }
            }
            rx->write_pos += take;
            rx->received_words += take;
            i += (take - 1) * stride + 1;
            if (rx->received_words == rx->payload_words) {
                rx->state = RX_SEEK_PA;
                *completed = rx->data_type;
                return i;
            }
            rx->skip_next = rx->interleaved;
        } else if (rx->state == RX_SEEK_PA) {
            // Words other than Pa change nothing here.
            i = find_pa(pcm, i, words);
            if (i < words) {
                rx->state = RX_AFTER_PA;
                ++i;
            }
        } else {
            // The preamble: few words, one step each.
            receive_word(rx, scratch, get_pcm_word(pcm + 2 * static_cast<size_t>(i)));
            ++i;
        }
    }
    return i;
}
