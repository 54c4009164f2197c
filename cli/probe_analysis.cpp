#include "cli/probe_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

#include "bitstream/frame_crc.h"
#include "common/burst.h"

namespace {

// How a burst's Pd gives its payload length.
enum LengthUnit : int {
    LENGTH_BITS = 0,   // Pd >> 4 words
    LENGTH_BYTES = 1,  // Pd >> 1 words
    LENGTH_NONE = 2,   // no payload length to jump over: scan on after the preamble
};

struct DataType {
    const char* name;
    int unit;  // LengthUnit
};

// By Pc bits 0 to 4. The numbers agree with what ffmpeg's IEC 61937 muxer
// writes and its demuxer accepts.
const DataType DATA_TYPES[PROBE_DATA_TYPES] = {
    {"null", LENGTH_NONE},          // 0
    {"AC-3", LENGTH_BITS},          // 1
    {"time code", LENGTH_BITS},     // 2: the recorder's time code packet
    {"pause", LENGTH_NONE},         // 3: Pd tells the gap, not a payload
    {"MPEG audio", LENGTH_BITS},    // 4: MPEG-1 layer 1
    {"MPEG audio", LENGTH_BITS},    // 5: MPEG-1 layer 2 or 3, MPEG-2 without extension
    {"MPEG audio", LENGTH_BITS},    // 6: MPEG-2 with extension
    {"AAC", LENGTH_BITS},           // 7: MPEG-2 AAC
    {"MPEG audio", LENGTH_BITS},    // 8: MPEG-2 layer 1, low sampling frequency
    {"MPEG audio", LENGTH_BITS},    // 9: MPEG-2 layer 2, low sampling frequency
    {"MPEG audio", LENGTH_BITS},    // 10: MPEG-2 layer 3, low sampling frequency
    {"DTS type I", LENGTH_BITS},    // 11: 512 samples a frame
    {"DTS type II", LENGTH_BITS},   // 12: 1024
    {"DTS type III", LENGTH_BITS},  // 13: 2048
    {"reserved", LENGTH_NONE},      // 14
    {"reserved", LENGTH_NONE},      // 15
    {"reserved", LENGTH_NONE},      // 16
    {"DTS type IV", LENGTH_BYTES},  // 17
    {"reserved", LENGTH_NONE},      // 18
    {"AAC", LENGTH_BITS},           // 19: MPEG-2 AAC, low sampling frequency
    {"reserved", LENGTH_NONE},      // 20
    {"E-AC-3", LENGTH_BYTES},       // 21
    {"MAT", LENGTH_BYTES},          // 22
    {"reserved", LENGTH_NONE},      // 23
    {"reserved", LENGTH_NONE},      // 24
    {"reserved", LENGTH_NONE},      // 25
    {"reserved", LENGTH_NONE},      // 26
    {"reserved", LENGTH_NONE},      // 27
    {"reserved", LENGTH_NONE},      // 28
    {"reserved", LENGTH_NONE},      // 29
    {"reserved", LENGTH_NONE},      // 30
    {"reserved", LENGTH_NONE},      // 31
};

// One way of reading the words: bursts over both channels, or in one channel.
struct View {
    int64_t start;
    int64_t stride;
    int placement;
};
const View VIEWS[] = {
    {0, 1, PLACED_32_BIT},
    {0, 2, PLACED_CHANNEL_1},
    {1, 2, PLACED_CHANNEL_2},
};

// The sync words as a sample whose two bytes were exchanged shows them.
constexpr Word byte_swapped(Word w) {
    return static_cast<Word>(w >> 8 | (w & 0xFF) << 8);
}
constexpr Word SWAPPED_PA = byte_swapped(BURST_PA);
constexpr Word SWAPPED_PB = byte_swapped(BURST_PB);
// The sync words as signed samples, which a gain multiplies.
constexpr int32_t PA_SAMPLE = static_cast<int16_t>(BURST_PA);
constexpr int32_t PB_SAMPLE = static_cast<int16_t>(BURST_PB);
// Below this a scaled Pb (about -40 dB) is not told apart from quiet audio.
constexpr int32_t SCALED_PB_MIN = 200;
// A scaled Pa may be this far from Pb times Pa / Pb: both were rounded, and a
// volume control may truncate instead.
constexpr int32_t SCALED_PA_TOLERANCE = 2;
// Scaled sync words must recur at the same values at least this often.
constexpr int64_t SCALED_MIN_REPEATS = 3;
// The receiver's longest payload; the parser reads the first four words.
constexpr int64_t MAX_PAYLOAD_WORDS = 3072;
constexpr int64_t FRAME_HEADER_WORDS = 4;

int64_t payload_words(int type, Word pd) {
    switch (DATA_TYPES[type].unit) {
        case LENGTH_BITS:
            return pd >> BURST_PD_WORD_SHIFT;
        case LENGTH_BYTES:
            return pd >> 1;
        default:
            return 0;
    }
}

// Counts one AC-3 frame taken from a whole burst, intact when its header
// gives a size within the payload and the CRC check passes over that size.
void check_frame(const Word* frame, int64_t words, ProbeReport* out) {
    out->frames++;
    bool intact = false;
    if (words >= FRAME_HEADER_WORDS && words <= MAX_PAYLOAD_WORDS && frame[0] == AC3_SYNC_WORD) {
        parse_frame(frame);
        FrameInfo info;
        get_frame_info(&info);
        intact =
            info.frame_words > 0 && info.frame_words <= words && check_frame_crc(frame, &info) == 0;
        if (intact && out->first_frame.frame_words < 0) {
            out->first_frame = info;
        }
    }
    if (!intact) {
        out->damaged_frames++;
    }
}

// Finds the bursts of one view, jumping over the payloads it knows the length
// of, and collects the word positions of the AC-3 bursts.
void find_bursts(const Word* pcm,
                 int64_t count,
                 const View& v,
                 std::vector<int64_t>* ac3_at,
                 ProbeReport* out) {
    static Word frame[MAX_PAYLOAD_WORDS];
    const int64_t n = count > v.start ? (count - v.start + v.stride - 1) / v.stride : 0;
    auto word = [&](int64_t k) { return pcm[v.start + v.stride * k]; };
    int64_t k = 0;
    while (k + BURST_PREAMBLE_WORDS <= n) {
        if (word(k) != BURST_PA || word(k + 1) != BURST_PB) {
            k++;
            continue;
        }
        int type = word(k + 2) & BURST_PC_TYPE_MASK;
        int64_t words = payload_words(type, word(k + 3));
        if (k + BURST_PREAMBLE_WORDS + words > n) {
            break;  // cut off by the end of what was read: not counted
        }
        out->type_counts[type]++;
        out->placements |= v.placement;
        if (type == PACKET_AC3_FRAME) {
            ac3_at->push_back(v.start + v.stride * k);
            int64_t kept = std::min(words, MAX_PAYLOAD_WORDS);
            for (int64_t j = 0; j < kept; j++) {
                frame[j] = word(k + BURST_PREAMBLE_WORDS + j);
            }
            check_frame(frame, words, out);
        }
        k += BURST_PREAMBLE_WORDS + words;
    }
}

bool has_swapped_bursts(const Word* pcm, int64_t count) {
    for (const View& v : VIEWS) {
        for (int64_t i = v.start; i + v.stride < count; i += v.stride) {
            if (pcm[i] == SWAPPED_PA && pcm[i + v.stride] == SWAPPED_PB) {
                return true;
            }
        }
    }
    return false;
}

// Looks for Pa and Pb multiplied by one gain: a pair of samples after a
// silent one, in the sync words' ratio, recurring at exactly the same values.
// Returns the gain, or 0 when there is none.
double scaled_burst_gain(const Word* pcm, int64_t count) {
    std::map<std::pair<int32_t, int32_t>, int64_t> seen;
    for (const View& v : VIEWS) {
        for (int64_t i = v.start; i + v.stride < count; i += v.stride) {
            if (i >= v.stride && pcm[i - v.stride] != 0) {
                continue;
            }
            int32_t a = static_cast<int16_t>(pcm[i]);
            int32_t b = static_cast<int16_t>(pcm[i + v.stride]);
            if (b < SCALED_PB_MIN || b == PB_SAMPLE) {
                continue;
            }
            int32_t expected =
                static_cast<int32_t>(std::lround(static_cast<double>(PA_SAMPLE) * b / PB_SAMPLE));
            if (std::abs(a - expected) <= SCALED_PA_TOLERANCE) {
                seen[{a, b}]++;
            }
        }
    }
    int64_t best = 0;
    int32_t best_b = 0;
    for (const auto& [pair, times] : seen) {
        if (times > best) {
            best = times;
            best_b = pair.second;
        }
    }
    return best >= SCALED_MIN_REPEATS ? static_cast<double>(best_b) / PB_SAMPLE : 0;
}

}  // namespace

void probe_pcm(const Word* pcm, int64_t count, ProbeReport* out) {
    *out = ProbeReport{};
    out->spacing_min = -1;
    out->spacing_max = -1;
    out->first_frame = FrameInfo{-1, -1, -1, -1, -1, -1, -1};
    std::vector<int64_t> ac3_at;
    for (const View& v : VIEWS) {
        find_bursts(pcm, count, v, &ac3_at, out);
    }
    // Spacing in sample pairs, over every placement in the order of arrival.
    std::sort(ac3_at.begin(), ac3_at.end());
    for (size_t j = 1; j < ac3_at.size(); j++) {
        int64_t d = ac3_at[j] / 2 - ac3_at[j - 1] / 2;
        out->spacing_min = out->spacing_min < 0 ? d : std::min(out->spacing_min, d);
        out->spacing_max = std::max(out->spacing_max, d);
        if (d != AC3_BURST_SPACING) {
            out->breaks++;
        }
    }
    for (int64_t i = 0; i < count; i++) {
        out->peak =
            std::max(out->peak, std::abs(static_cast<int32_t>(static_cast<int16_t>(pcm[i]))));
    }
    if (out->placements != 0) {
        out->signal = SIGNAL_BURSTS;
    } else if (out->peak == 0) {
        out->signal = SIGNAL_SILENCE;
    } else if (has_swapped_bursts(pcm, count)) {
        out->signal = SIGNAL_SWAPPED;
    } else if ((out->gain = scaled_burst_gain(pcm, count)) > 0) {
        out->signal = SIGNAL_SCALED;
    } else {
        out->signal = SIGNAL_AUDIO;
    }
}

const char* data_type_name(int type) {
    return type >= 0 && type < PROBE_DATA_TYPES ? DATA_TYPES[type].name : "reserved";
}

bool data_type_recordable(int type) {
    return type == PACKET_AC3_FRAME || type == PACKET_TIME_CODE;
}
