#include "cli/io/pcm_source.h"

#include <cassert>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli.h"
#include "cli/io/byte_order.h"
#include "cli/io/output.h"
#include "cli/io/wav.h"
#include "common/burst.h"
#include "platform/file_ops.h"

namespace {

// The longest burst the receiver takes spans 2 x (4 + 3072) words
// (interleaved); this many words stay undelivered until the input ends.
constexpr int32_t MAX_BURST_PAYLOAD_WORDS = 3072;
constexpr int64_t LOOKAHEAD_BYTES = 2 * (2 * (BURST_PREAMBLE_WORDS + MAX_BURST_PAYLOAD_WORDS) + 2);
constexpr size_t READ_CHUNK_BYTES = 1 << 18;
constexpr size_t PENDING_BYTES = 1 << 21;  // a device buffer, the lookahead and a chunk, with room

struct Source {
    OsFile file;
    bool is_stdin;
    bool ended;      // the input has no more bytes
    bool failed;     // reading failed
    bool tail_done;  // the final burst has been judged
    uint32_t sample_rate;
    int64_t total_bytes;  // -1: unknown
    int64_t data_left;    // bytes of the data chunk still to read; -1: to the end
    int64_t bytes_read;
    // Bytes read but not yet delivered: pending[head .. head + count).
    std::vector<uint8_t> pending;
    size_t head;
    size_t count;
    int32_t cut_words;
    int64_t delivered;    // words delivered so far
    int64_t scan_at;      // the next word at which a burst may begin
    int32_t overrunning;  // bursts whose payload runs into another's preamble
};

Source src;

// While a live input is silent or slow, a wait for it ends this often, so
// that the recording's buffered records still reach the disk.
constexpr int IDLE_WAIT_MS = 1000;

// Reads up to want bytes. Returns 0 at the end of the input, after an
// interruption (which ends the input as its end would) and on a read error
// (then src.failed is set).
size_t read_input(uint8_t* to, size_t want) {
    if (want == 0) {
        return 0;
    }
    for (;;) {
        out_check_signals();
        if (out_input_ended()) {
            return 0;
        }
        size_t got = 0;
        int rc = os_read(src.file, to, want, IDLE_WAIT_MS, &got);
        out_flush_live();
        if (rc == OS_OK) {
            return got;
        }
        if (rc != OS_INTERRUPTED && rc != OS_TIMEOUT) {
            src.failed = rc == OS_FAILED;
            return 0;
        }
    }
}

void read_more() {
    if (src.head > 0 && src.head + src.count + READ_CHUNK_BYTES > src.pending.size()) {
        std::memmove(src.pending.data(), src.pending.data() + src.head, src.count);
        src.head = 0;
    }
    assert(src.head + src.count + READ_CHUNK_BYTES <= src.pending.size());
    int64_t want = READ_CHUNK_BYTES;
    if (src.data_left >= 0 && src.data_left < want) {
        want = src.data_left;
    }
    size_t got = read_input(src.pending.data() + src.head + src.count, static_cast<size_t>(want));
    if (got == 0) {
        src.ended = true;
        src.count &= ~static_cast<size_t>(1);  // half a word at the end is no sample
        return;
    }
    src.count += got;
    src.bytes_read += static_cast<int64_t>(got);
    if (src.data_left >= 0) {
        src.data_left -= static_cast<int64_t>(got);
    }
}

// The burst the receiver takes at word i of the n words at p, if one starts
// there: its stride (1: contiguous, 2: every other word) and payload words.
bool burst_at(const uint8_t* p, int64_t n, int64_t i, int* stride, int32_t* words) {
    auto word = [&](int64_t k) -> int32_t { return k < n ? get_le16(p + 2 * k) : -1; };
    if (word(i) != BURST_PA) {
        return false;
    }
    *stride = 0;
    if (word(i + 1) == BURST_PB) {
        *stride = 1;
    } else if (word(i + 1) != BURST_PA && word(i + 2) == BURST_PB) {
        *stride = 2;
    }
    int32_t pc = *stride > 0 ? word(i + 2 * *stride) : -1;
    int32_t pd = *stride > 0 ? word(i + 3 * *stride) : -1;
    int type = pc < 0 ? -1 : (pc & BURST_PC_TYPE_MASK);
    bool ac3 = type == PACKET_AC3_FRAME && (pc & BURST_PC_STREAM_MASK) == 0;
    *words = pd < 0 ? 0 : (pd >> BURST_PD_WORD_SHIFT);
    return (ac3 || type == PACKET_TIME_CODE) && *words > 0 && *words <= MAX_BURST_PAYLOAD_WORDS;
}

// Where the burst at i ends (one past its last payload word).
int64_t burst_end(int64_t i, int stride, int32_t words) {
    return i + static_cast<int64_t>(stride) * (BURST_PREAMBLE_WORDS + words) - (stride - 1);
}

// Follows the bursts in the undelivered words as the receiver will see them,
// jumping over payloads, and silences the last one when the input ends
// before it does. The words kept back reach back past the start of any burst
// the end can cut, and the scan is in step with the bursts long before that.
void silence_cut_burst() {
    const uint8_t* p = src.pending.data() + src.head;
    const int64_t n = static_cast<int64_t>(src.count / 2);
    int64_t last_start = -1;
    int64_t last_end = -1;
    int64_t i = 0;
    int stride;
    int32_t words;
    while (i < n) {
        if (!burst_at(p, n, i, &stride, &words)) {
            i++;
            continue;
        }
        last_start = i;
        last_end = burst_end(i, stride, words);
        i = last_end;
    }
    if (last_end > n) {
        src.cut_words = static_cast<int32_t>(n - last_start);
        std::memset(src.pending.data() + src.head + 2 * last_start, 0,
                    2 * static_cast<size_t>(src.cut_words));
    }
}

// Eight bytes at b as four little-endian words, the first lowest.
uint64_t load_le64(const uint8_t* b) {
    return static_cast<uint64_t>(b[0]) | static_cast<uint64_t>(b[1]) << 8 |
           static_cast<uint64_t>(b[2]) << 16 | static_cast<uint64_t>(b[3]) << 24 |
           static_cast<uint64_t>(b[4]) << 32 | static_cast<uint64_t>(b[5]) << 40 |
           static_cast<uint64_t>(b[6]) << 48 | static_cast<uint64_t>(b[7]) << 56;
}

// The first word from i on, before limit, that is Pa; limit when none is.
// A byte search for Pa's high byte: fast over silence, where no byte is it.
int64_t skip_to_pa(const uint8_t* p, int64_t i, int64_t limit) {
    const uint8_t high = static_cast<uint8_t>(BURST_PA >> 8);
    const uint8_t low = static_cast<uint8_t>(BURST_PA & 0xFF);
    while (i < limit) {
        const void* hit =
            std::memchr(p + 2 * i + 1, high, static_cast<size_t>(2 * (limit - i) - 1));
        if (hit == nullptr) {
            return limit;
        }
        size_t at = static_cast<size_t>(static_cast<const uint8_t*>(hit) - p);
        if ((at & 1) == 1 && p[at - 1] == low) {
            return static_cast<int64_t>(at / 2);
        }
        i = static_cast<int64_t>(at / 2) + 1;
    }
    return limit;
}

// The same, four words a step, for payloads, whose bytes are Pa's high byte
// too often for a byte search: a word equal to Pa leaves a lane of zero bits
// in the step's words exclusive-or Pa in every lane.
int64_t find_pa(const uint8_t* p, int64_t i, int64_t limit) {
    constexpr uint64_t LANE_ONES = 0x0001000100010001ull;
    constexpr uint64_t LANE_HIGHS = 0x8000800080008000ull;
    const uint64_t pa_lanes = LANE_ONES * BURST_PA;
    for (; i + 4 <= limit; i += 4) {
        uint64_t x = load_le64(p + 2 * i) ^ pa_lanes;
        if (((x - LANE_ONES) & ~x & LANE_HIGHS) != 0) {
            break;
        }
    }
    for (; i < limit; i++) {
        if (get_le16(p + 2 * i) == BURST_PA) {
            return i;
        }
    }
    return limit;
}

// Follows the bursts that begin in the next count words to be delivered, as
// the receiver will, and counts those whose payload runs over the preamble
// of another burst: the receiver takes such a burst whole, and the frames in
// it are lost inside it. The words kept back hold every payload begun here.
void count_overrunning_bursts(int32_t count) {
    const uint8_t* p = src.pending.data() + src.head;
    const int64_t n = static_cast<int64_t>(src.count / 2);
    int64_t i = src.scan_at - src.delivered;
    int stride;
    int32_t words;
    while ((i = skip_to_pa(p, i, count)) < count) {
        if (!burst_at(p, n, i, &stride, &words)) {
            i++;
            continue;
        }
        int64_t end = burst_end(i, stride, words);
        int64_t limit = end < n - stride ? end : n - stride;
        for (int64_t k = find_pa(p, i + stride * BURST_PREAMBLE_WORDS, limit); k < limit;
             k = find_pa(p, k + 1, limit)) {
            if ((k - i) % stride == 0 && get_le16(p + 2 * (k + stride)) == BURST_PB) {
                src.overrunning++;
                break;
            }
        }
        i = end;
    }
    src.scan_at = src.delivered + i;
}

// Reads the start of the input, takes a WAV header off it when there is one,
// and keeps the bytes after it as the first samples.
int read_start(bool named_wav) {
    std::vector<uint8_t> head;
    WavInfo info;
    for (;;) {
        int rc = wav_parse_header(head.data(), head.size(), &info);
        if (rc == WAV_NEED_MORE) {
            size_t have = head.size();
            head.resize(info.need);
            size_t got = read_input(head.data() + have, info.need - have);
            head.resize(have + got);
            if (got > 0) {
                continue;
            }
            // The input ended where a header would need more.
            rc = head.size() < 12 ? WAV_NOT_WAV : WAV_BAD_HEADER;
        }
        if (rc == WAV_OK) {
            break;
        }
        if (rc == WAV_BAD_HEADER) {
            return PCM_BAD_WAV;
        }
        if (named_wav) {
            return PCM_NOT_WAV;
        }
        // Raw samples: what was read so far is the first of them.
        src.sample_rate = 0;
        src.data_left = -1;
        std::memcpy(src.pending.data(), head.data(), head.size());
        src.count = head.size();
        src.bytes_read = static_cast<int64_t>(head.size());
        return PCM_OK;
    }
    if (!wav_is_pcm16_stereo(info)) {
        return PCM_UNSUPPORTED;
    }
    src.sample_rate = info.sample_rate;
    bool unknown_size = info.data_bytes == 0 || info.data_bytes == 0xFFFFFFFFu;
    src.data_left = unknown_size ? -1 : static_cast<int64_t>(info.data_bytes);
    if (src.total_bytes >= 0) {
        int64_t rest = src.total_bytes - info.data_offset;
        src.total_bytes = rest < 0 ? 0 : rest;
        if (!unknown_size && src.data_left < src.total_bytes) {
            src.total_bytes = src.data_left;
        }
    }
    // Bytes already read past the header are samples.
    size_t extra = head.size() - info.data_offset;
    if (src.data_left >= 0 && static_cast<int64_t>(extra) > src.data_left) {
        extra = static_cast<size_t>(src.data_left);
    }
    std::memcpy(src.pending.data(), head.data() + info.data_offset, extra);
    src.count = extra;
    src.bytes_read = static_cast<int64_t>(extra);
    if (src.data_left >= 0) {
        src.data_left -= static_cast<int64_t>(extra);
    }
    return PCM_OK;
}

}  // namespace

int pcm_open(const char* path) {
    src = Source{};
    src.pending.assign(PENDING_BYTES, 0);
    src.total_bytes = -1;
    src.is_stdin = std::strcmp(path, "-") == 0;
    if (src.is_stdin) {
        src.file = os_stdin();
    } else {
        src.file = os_open_read(path);
        if (src.file == NO_FILE) {
            return PCM_CANNOT_OPEN;
        }
        std::error_code ec;
        uintmax_t size = std::filesystem::file_size(path, ec);
        if (!ec) {
            src.total_bytes = static_cast<int64_t>(size);
        }
    }
    int rc = read_start(!src.is_stdin && is_wav_name(path));
    if (rc != PCM_OK) {
        pcm_close();
    }
    return rc;
}

void pcm_close() {
    if (!src.is_stdin) {
        os_close(src.file);
    }
    src.file = NO_FILE;
}

void pcm_limit(int64_t bytes) {
    int64_t left = bytes > src.bytes_read ? bytes - src.bytes_read : 0;
    if (src.data_left < 0 || left < src.data_left) {
        src.data_left = left;
    }
}

int32_t pcm_fill(uint8_t* pcm, int32_t count) {
    const size_t bytes = 2 * static_cast<size_t>(count);
    assert(count > 0 && bytes + LOOKAHEAD_BYTES + 2 * READ_CHUNK_BYTES <= PENDING_BYTES);
    while (!src.ended && src.count < bytes + LOOKAHEAD_BYTES) {
        read_more();
    }
    if (src.ended && !src.tail_done) {
        src.tail_done = true;
        silence_cut_burst();
    }
    size_t n = src.count < bytes ? src.count : bytes;
    count_overrunning_bursts(static_cast<int32_t>(n / 2));
    src.delivered += static_cast<int64_t>(n / 2);
    std::memcpy(pcm, src.pending.data() + src.head, n);
    std::memset(pcm + n, 0, bytes - n);
    src.head += n;
    src.count -= n;
    return static_cast<int32_t>(n / 2);
}

uint32_t pcm_sample_rate() {
    return src.sample_rate;
}

int64_t pcm_total_bytes() {
    return src.total_bytes;
}

int64_t pcm_bytes_read() {
    return src.bytes_read;
}

bool pcm_read_failed() {
    return src.failed;
}

int32_t pcm_cut_burst_words() {
    return src.cut_words;
}

int32_t pcm_overrunning_bursts() {
    return src.overrunning;
}

int pcm_report_failure(int pcm_rc, const char* in) {
    switch (pcm_rc) {
        case PCM_CANNOT_OPEN:
            cli_error("%s: cannot open the file", in);
            break;
        case PCM_NOT_WAV:
            cli_error("%s: not a WAV file", in);
            break;
        case PCM_BAD_WAV:
            cli_error("%s: the WAV header cannot be read", in);
            break;
        default:
            cli_error("%s: not 16-bit stereo PCM", in);
            break;
    }
    return EXIT_UNUSABLE;
}
