#include "bitstream/frame_crc.h"

#if defined(__x86_64__) || defined(_M_X64)
#define BITDEK_CRC_CLMUL 1
#include <emmintrin.h>
#include <tmmintrin.h>
#include <wmmintrin.h>
#ifdef _MSC_VER
#include <intrin.h>
#define CLMUL_TARGET
#else
#define CLMUL_TARGET __attribute__((target("pclmul,ssse3")))
#endif
#endif

namespace {

constexpr uint16_t CRC_GENERATOR = 0x8005;

constexpr uint16_t crc_table_entry(int i) {
    uint16_t reg = static_cast<uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit)
        reg = static_cast<uint16_t>((reg & 0x8000) ? (reg << 1) ^ CRC_GENERATOR : reg << 1);
    return reg;
}

int32_t g_frame_errors = 0;

// The check is the remainder of the frame's bits divided by the generator, so
// it may take several words per step: the register then moves up by the
// step's bits, and each byte's share of the remainder comes from a table.
// SLICE[k][b] is b times x^(16 + 8k) modulo the generator; SLICE[0] is
// CRC_TABLE, and each further table is the one before times x^8.
constexpr int STEP_WORDS = 8;
constexpr int SLICE_TABLES = 2 * STEP_WORDS;

struct SliceTables {
    uint16_t t[SLICE_TABLES][256];
};

constexpr SliceTables make_slice_tables() {
    SliceTables s = {};
    for (int b = 0; b < 256; ++b)
        s.t[0][b] = crc_table_entry(b);
    // Times x^8: the high byte's share from the first table, the low byte
    // moved up.
    for (int k = 1; k < SLICE_TABLES; ++k)
        for (int b = 0; b < 256; ++b) {
            uint16_t v = s.t[k - 1][b];
            s.t[k][b] = static_cast<uint16_t>(s.t[0][v >> 8] ^ ((v << 8) & 0xFF00));
        }
    return s;
}

constexpr SliceTables SLICE = make_slice_tables();

// (reg times x^16 + w) modulo the generator: one word, as two byte steps.
inline uint16_t feed_word(uint16_t reg, Word w) {
    return static_cast<uint16_t>(SLICE.t[1][reg >> 8] ^ SLICE.t[0][reg & 0xFF] ^ w);
}

// (reg times x^128 + the 8 words at p) modulo the generator. Word i of the
// step stands 16 * (7 - i) bits up, the register 128.
inline uint16_t feed_step(uint16_t reg, const Word* p) {
    uint32_t r = SLICE.t[15][reg >> 8] ^ SLICE.t[14][reg & 0xFF];
    r ^= SLICE.t[13][p[0] >> 8] ^ SLICE.t[12][p[0] & 0xFF];
    r ^= SLICE.t[11][p[1] >> 8] ^ SLICE.t[10][p[1] & 0xFF];
    r ^= SLICE.t[9][p[2] >> 8] ^ SLICE.t[8][p[2] & 0xFF];
    r ^= SLICE.t[7][p[3] >> 8] ^ SLICE.t[6][p[3] & 0xFF];
    r ^= SLICE.t[5][p[4] >> 8] ^ SLICE.t[4][p[4] & 0xFF];
    r ^= SLICE.t[3][p[5] >> 8] ^ SLICE.t[2][p[5] & 0xFF];
    r ^= SLICE.t[1][p[6] >> 8] ^ SLICE.t[0][p[6] & 0xFF];
    return static_cast<uint16_t>(r ^ p[7]);
}

#ifdef BITDEK_CRC_CLMUL
// Where the processor multiplies without carries, 64 bytes are folded a step:
// four 128-bit remainders, each times x^512 plus the next 16 bytes of its
// lane (any value congruent modulo the generator will do), joined at the
// end and reduced by the tables.
constexpr int FOLD_LANE_WORDS = 8;
constexpr int FOLD_GROUP_WORDS = 4 * FOLD_LANE_WORDS;

// x^n modulo the generator.
constexpr uint64_t x_power(int n) {
    uint32_t r = 1;
    for (int i = 0; i < n; ++i) {
        r <<= 1;
        if (r & 0x10000)
            r ^= 0x10000u | CRC_GENERATOR;
    }
    return r;
}

bool detect_clmul() {
#ifdef _MSC_VER
    int regs[4];
    __cpuid(regs, 1);
    return (regs[2] & 0x2) != 0 && (regs[2] & 0x200) != 0;  // and the byte shuffle
#else
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3");
#endif
}

bool has_clmul() {
    static const bool has = detect_clmul();
    return has;
}

// The 16-bit lanes in reverse order.
CLMUL_TARGET inline __m128i reverse_words(__m128i v) {
    const __m128i order = _mm_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
    return _mm_shuffle_epi8(v, order);
}

// The 8 words at p as one polynomial, p[0] highest: word i of memory is lane
// 7 - i.
CLMUL_TARGET inline __m128i load_lane(const Word* p) {
    return reverse_words(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// v times x^n, where k holds x^(n + 64) high and x^n low.
CLMUL_TARGET inline __m128i fold(__m128i v, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(v, k, 0x11), _mm_clmulepi64_si128(v, k, 0x00));
}

// The register for groups x FOLD_GROUP_WORDS words at p, from 0.
CLMUL_TARGET uint16_t fold_groups(const Word* p, int32_t groups) {
    const __m128i k512 =
        _mm_set_epi64x(static_cast<long long>(x_power(576)), static_cast<long long>(x_power(512)));
    const __m128i k128 =
        _mm_set_epi64x(static_cast<long long>(x_power(192)), static_cast<long long>(x_power(128)));
    __m128i a = load_lane(p);
    __m128i b = load_lane(p + FOLD_LANE_WORDS);
    __m128i c = load_lane(p + 2 * FOLD_LANE_WORDS);
    __m128i d = load_lane(p + 3 * FOLD_LANE_WORDS);
    for (int32_t g = 1; g < groups; ++g) {
        p += FOLD_GROUP_WORDS;
        a = _mm_xor_si128(fold(a, k512), load_lane(p));
        b = _mm_xor_si128(fold(b, k512), load_lane(p + FOLD_LANE_WORDS));
        c = _mm_xor_si128(fold(c, k512), load_lane(p + 2 * FOLD_LANE_WORDS));
        d = _mm_xor_si128(fold(d, k512), load_lane(p + 3 * FOLD_LANE_WORDS));
    }
    a = _mm_xor_si128(fold(a, k128), b);
    a = _mm_xor_si128(fold(a, k128), c);
    a = _mm_xor_si128(fold(a, k128), d);
    // Back to memory order: the remainder as 8 words, highest first.
    Word rest[FOLD_LANE_WORDS];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(rest), reverse_words(a));
    return feed_step(0, rest);
}
#endif

}  // namespace

const uint16_t CRC_TABLE[256] = {
#define E8(i)                                                                                   \
    crc_table_entry(i), crc_table_entry(i + 1), crc_table_entry(i + 2), crc_table_entry(i + 3), \
        crc_table_entry(i + 4), crc_table_entry(i + 5), crc_table_entry(i + 6),                 \
        crc_table_entry(i + 7)
#define E64(i) \
    E8(i), E8(i + 8), E8(i + 16), E8(i + 24), E8(i + 32), E8(i + 40), E8(i + 48), E8(i + 56)
    E64(0),
    E64(64),
    E64(128),
    E64(192),
#undef E64
#undef E8
};

namespace {

int frame_crc(const Word* words, const FrameInfo* info, bool may_fold) {
    uint16_t reg = 0;
    const Word* p = words + 1;
    int32_t left = info->frame_words - 1;
#ifdef BITDEK_CRC_CLMUL
    if (may_fold && left >= FOLD_GROUP_WORDS && has_clmul()) {
        int32_t groups = left / FOLD_GROUP_WORDS;
        reg = fold_groups(p, groups);
        p += groups * FOLD_GROUP_WORDS;
        left -= groups * FOLD_GROUP_WORDS;
    }
#else
    (void)may_fold;
#endif
    for (; left >= STEP_WORDS; left -= STEP_WORDS, p += STEP_WORDS)
        reg = feed_step(reg, p);
    for (; left > 0; --left, ++p)
        reg = feed_word(reg, *p);
    return reg != 0 ? 1 : 0;
}

}  // namespace

int check_frame_crc(const Word* words, const FrameInfo* info) {
    return frame_crc(words, info, true);
}

int check_frame_crc_portable(const Word* words, const FrameInfo* info) {
    return frame_crc(words, info, false);
}

void reset_frame_errors() {
    g_frame_errors = 0;
}

void count_frame_error() {
    ++g_frame_errors;
}

void add_frame_errors(int errors) {
    g_frame_errors += errors;
}

int get_frame_errors() {
    return g_frame_errors;
}
