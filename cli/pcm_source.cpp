#include "cli/pcm_source.h"

#include <cassert>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "cli/byte_order.h"
#include "cli/wav_io.h"
#include "common/burst.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

// The longest burst the receiver takes spans 2 x (4 + 3072) words
// (interleaved); the source keeps this many words back until it knows where
// the bursts in them end.
constexpr int32_t MAX_BURST_PAYLOAD_WORDS = 3072;
constexpr int32_t LOOKAHEAD_WORDS = 2 * (BURST_PREAMBLE_WORDS + MAX_BURST_PAYLOAD_WORDS) + 2;
// Words a preamble needs before the tracker can judge it: Pa to Pd, interleaved.
constexpr int32_t PREAMBLE_SPAN_WORDS = 2 * BURST_PREAMBLE_WORDS;
constexpr int32_t READ_CHUNK_BYTES = 1 << 16;
constexpr int32_t PENDING_WORDS = 1 << 17;  // room for a device buffer, the lookahead and a chunk

struct Source {
    FILE* file;
    bool is_stdin;
    bool ended;      // the input has no more bytes
    bool failed;     // reading failed
    bool tail_done;  // the final burst has been judged
    uint32_t sample_rate;
    int64_t total_bytes;  // -1: unknown
    int64_t data_left;    // bytes of the data chunk still to read; -1: to the end
    int64_t bytes_read;
    uint8_t odd_byte;  // half a word carried to the next read
    bool have_odd_byte;
    // Words read but not yet delivered, pending[0] being word number first.
    std::vector<Word> pending;
    int64_t first;
    int32_t count;
    // Burst tracker: next word it looks at, and the last burst found.
    int64_t scan;
    int64_t last_start;
    int64_t last_end;
    int32_t cut_words;
};

Source src;

Word at(int64_t index) {
    return src.pending[static_cast<size_t>(index - src.first)];
}

// Follows the bursts as the receiver will see them, jumping over payloads, so
// that the start and end of the last one are known when the input ends.
void track_bursts() {
    const int64_t avail_end = src.first + src.count;
    if (src.scan < src.first) {
        src.scan = src.first;
    }
    while (src.scan < avail_end) {
        if (at(src.scan) != BURST_PA) {
            src.scan++;
            continue;
        }
        if (src.scan + PREAMBLE_SPAN_WORDS > avail_end && !src.ended) {
            return;  // judge it when its preamble is complete
        }
        const int64_t s = src.scan;
        auto word = [&](int64_t i) -> int { return i < avail_end ? at(i) : -1; };
        int stride = 0;
        if (word(s + 1) == BURST_PB) {
            stride = 1;
        } else if (word(s + 1) != BURST_PA && word(s + 2) == BURST_PB) {
            stride = 2;
        }
        if (stride == 0) {
            src.scan++;
            continue;
        }
        int pc = word(s + 2 * stride);
        int pd = word(s + 3 * stride);
        int type = pc < 0 ? -1 : (pc & BURST_PC_TYPE_MASK);
        bool ac3 = type == PACKET_AC3_FRAME && (pc & BURST_PC_STREAM_MASK) == 0;
        int32_t n = pd < 0 ? 0 : (pd >> BURST_PD_WORD_SHIFT);
        if (!(ac3 || type == PACKET_TIME_CODE) || n == 0 || n > MAX_BURST_PAYLOAD_WORDS) {
            src.scan++;
            continue;
        }
        src.last_start = s;
        src.last_end = s + static_cast<int64_t>(stride) * (BURST_PREAMBLE_WORDS + n) - (stride - 1);
        src.scan = src.last_end;
    }
}

void read_more() {
    static uint8_t chunk[READ_CHUNK_BYTES + 1];
    int64_t want = READ_CHUNK_BYTES;
    if (src.data_left >= 0 && src.data_left < want) {
        want = src.data_left;
    }
    size_t got = want > 0 ? std::fread(chunk + (src.have_odd_byte ? 1 : 0), 1,
                                       static_cast<size_t>(want), src.file)
                          : 0;
    if (got == 0) {
        if (want > 0 && std::ferror(src.file)) {
            src.failed = true;
        }
        src.ended = true;
        return;
    }
    src.bytes_read += static_cast<int64_t>(got);
    if (src.data_left >= 0) {
        src.data_left -= static_cast<int64_t>(got);
    }
    size_t bytes = got;
    if (src.have_odd_byte) {
        chunk[0] = src.odd_byte;
        bytes++;
    }
    size_t words = bytes / 2;
    src.have_odd_byte = (bytes & 1) != 0;
    if (src.have_odd_byte) {
        src.odd_byte = chunk[bytes - 1];
    }
    assert(static_cast<size_t>(src.count) + words <= src.pending.size());
    size_t base = static_cast<size_t>(src.count);
    for (size_t i = 0; i < words; i++) {
        src.pending[base + i] = get_le16(chunk + 2 * i);
    }
    src.count += static_cast<int32_t>(words);
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
            size_t got = std::fread(head.data() + have, 1, info.need - have, src.file);
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
        src.bytes_read = static_cast<int64_t>(head.size());
        size_t words = head.size() / 2;
        for (size_t i = 0; i < words; i++) {
            src.pending[i] = get_le16(head.data() + 2 * i);
        }
        src.count = static_cast<int32_t>(words);
        src.have_odd_byte = (head.size() & 1) != 0;
        if (src.have_odd_byte) {
            src.odd_byte = head.back();
        }
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
    const uint8_t* p = head.data() + info.data_offset;
    for (size_t i = 0; i + 1 < extra; i += 2) {
        src.pending[static_cast<size_t>(src.count++)] = get_le16(p + i);
    }
    src.have_odd_byte = (extra & 1) != 0;
    if (src.have_odd_byte) {
        src.odd_byte = p[extra - 1];
    }
    src.bytes_read = static_cast<int64_t>(extra);
    if (src.data_left >= 0) {
        src.data_left -= static_cast<int64_t>(extra);
    }
    return PCM_OK;
}

}  // namespace

int pcm_open(const char* path) {
    src = Source{};
    src.pending.assign(PENDING_WORDS, 0);
    src.total_bytes = -1;
    src.last_start = -1;
    src.last_end = -1;
    src.is_stdin = std::strcmp(path, "-") == 0;
    if (src.is_stdin) {
#ifdef _WIN32
        _setmode(_fileno(stdin), _O_BINARY);
#endif
        src.file = stdin;
    } else {
        src.file = std::fopen(path, "rb");
        if (src.file == nullptr) {
            return PCM_CANNOT_OPEN;
        }
        struct stat st;
        if (stat(path, &st) == 0) {
            src.total_bytes = static_cast<int64_t>(st.st_size);
        }
    }
    int rc = read_start(!src.is_stdin && is_wav_name(path));
    if (rc != PCM_OK) {
        pcm_close();
    }
    return rc;
}

void pcm_close() {
    if (src.file != nullptr && !src.is_stdin) {
        std::fclose(src.file);
    }
    src.file = nullptr;
}

int32_t pcm_fill(Word* words, int32_t count) {
    assert(count > 0 && count + LOOKAHEAD_WORDS + READ_CHUNK_BYTES / 2 <= PENDING_WORDS);
    while (!src.ended && src.count < count + LOOKAHEAD_WORDS) {
        read_more();
        track_bursts();
    }
    if (src.ended && !src.tail_done) {
        track_bursts();
        src.tail_done = true;
        const int64_t end = src.first + src.count;
        if (src.last_end > end && src.last_start >= src.first) {
            int64_t from = src.last_start - src.first;
            src.cut_words = static_cast<int32_t>(src.count - from);
            std::memset(&src.pending[static_cast<size_t>(from)], 0,
                        sizeof(Word) * static_cast<size_t>(src.cut_words));
        }
    }
    int32_t n = src.count < count ? src.count : count;
    std::memcpy(words, src.pending.data(), sizeof(Word) * static_cast<size_t>(n));
    std::memset(words + n, 0, sizeof(Word) * static_cast<size_t>(count - n));
    std::memmove(src.pending.data(), src.pending.data() + n,
                 sizeof(Word) * static_cast<size_t>(src.count - n));
    src.count -= n;
    src.first += n;
    return n;
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
