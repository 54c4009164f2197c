#include "cli/frame_texts.h"

#include <cstdio>

#include "common/file_format.h"

namespace {

const char* const DATA_RATE_TEXTS[] = {
    "32 kbps",  "40 kbps",  "48 kbps",  "56 kbps",  "64 kbps",  "80 kbps",  "96 kbps",
    "112 kbps", "128 kbps", "160 kbps", "192 kbps", "224 kbps", "256 kbps", "320 kbps",
    "384 kbps", "448 kbps", "512 kbps", "576 kbps", "640 kbps",
};
const char* const SAMPLE_RATE_TEXTS[] = {"48 kHz", "44.1 kHz", "32 kHz"};
const char* const ACMOD_TEXTS[] = {
    "1+1: L,R",    "1/0: C",        "2/0: L,R",       "3/0: L,C,R",
    "2/1: L,R,Ls", "3/1: L,C,R,Ls", "2/2: L,R,Ls,Rs", "3/2: L,C,R,Ls,Rs",
};
const char* const LFE_TEXTS[] = {"Off", "On"};
const char* const BSMOD_TEXTS[] = {
    "Main audio service: Complete main",     "Main audio service: Music and effects",
    "Associated service: Visually impaired", "Associated service: Hearing impaired",
    "Associated service: Dialogue",          "Associated service: Commentary",
    "Associated service: Emergency",         "Associated service: Voice over",
    "Main audio service: Karaoke",           "Reserved",
};
constexpr int BSMOD_VOICE_OVER = 7;  // bsmod 7 with acmod 1
constexpr int BSMOD_KARAOKE = 8;     // bsmod 7 with acmod 2..7
constexpr int BSMOD_RESERVED = 9;    // bsmod 7 with acmod 0
const char* const DIALNORM_TEXTS[] = {
    "Reserved", "-1 dB",  "-2 dB",  "-3 dB",  "-4 dB",  "-5 dB",  "-6 dB",  "-7 dB",
    "-8 dB",    "-9 dB",  "-10 dB", "-11 dB", "-12 dB", "-13 dB", "-14 dB", "-15 dB",
    "-16 dB",   "-17 dB", "-18 dB", "-19 dB", "-20 dB", "-21 dB", "-22 dB", "-23 dB",
    "-24 dB",   "-25 dB", "-26 dB", "-27 dB", "-28 dB", "-29 dB", "-30 dB", "-31 dB",
};
const char* const FRAME_RATE_SUFFIXES[] = {
    "",          " - 23.98 fps", " - 24 fps",    " - 25 fps", " - 29.97 fps",
    " - 30 fps", " - 50 fps",    " - 59.94 fps", " - 60 fps", " - Unknown",
};
const char* const DROP_FRAME_SUFFIX = " drop frame";

template <size_t N>
const char* pick(const char* const (&texts)[N], int64_t index) {
    return index >= 0 && index < static_cast<int64_t>(N) ? texts[index] : "";
}

bool has_frame(const FrameInfo& info) {
    return info.frame_words > 0;
}

}  // namespace

const char* data_rate_text(const FrameInfo& info) {
    return has_frame(info) ? pick(DATA_RATE_TEXTS, info.frmsizecod / 2) : "";
}

const char* sample_rate_text(const FrameInfo& info) {
    return has_frame(info) ? pick(SAMPLE_RATE_TEXTS, info.fscod) : "";
}

const char* acmod_text(const FrameInfo& info) {
    return has_frame(info) ? pick(ACMOD_TEXTS, info.acmod) : "";
}

const char* lfe_text(const FrameInfo& info) {
    return has_frame(info) ? pick(LFE_TEXTS, info.lfeon) : "";
}

const char* bsmod_text(const FrameInfo& info) {
    if (!has_frame(info)) {
        return "";
    }
    if (info.bsmod != 7) {
        return pick(BSMOD_TEXTS, info.bsmod);
    }
    if (info.acmod == 0) {
        return BSMOD_TEXTS[BSMOD_RESERVED];
    }
    return BSMOD_TEXTS[info.acmod == 1 ? BSMOD_VOICE_OVER : BSMOD_KARAOKE];
}

const char* dialnorm_text(const FrameInfo& info) {
    return has_frame(info) ? pick(DIALNORM_TEXTS, info.dialnorm) : "";
}

const char* format_text(int format) {
    switch (format) {
        case FORMAT_NORMAL_TC:
            return "Normal + Time Code";
        case FORMAT_NORMAL:
            return "Normal";
        case FORMAT_PC:
            return "PC Format";
        default:
            return "";
    }
}

std::string elapsed_text(double seconds) {
    int64_t s = static_cast<int64_t>(seconds);
    int64_t tenths = static_cast<int64_t>(seconds * 10) % 10;
    char text[64];
    std::snprintf(text, sizeof(text), "%.2lld:%.2lld:%.2lld.%lld", static_cast<long long>(s / 3600),
                  static_cast<long long>((s / 60) % 60), static_cast<long long>(s % 60),
                  static_cast<long long>(tenths));
    return text;
}

std::string time_code_text(const TimeCode& tc) {
    char text[64];
    std::snprintf(text, sizeof(text), "%02d:%02d:%02d:%02d", tc.hours, tc.minutes, tc.seconds,
                  tc.frames);
    std::string s = text;
    s += pick(FRAME_RATE_SUFFIXES, tc.rate_code);
    if (tc.drop_frame != 0) {
        s += DROP_FRAME_SUFFIX;
    }
    return s;
}

namespace {

// Length of the well-formed UTF-8 sequence at s[i], 0 when there is none.
size_t utf8_length(const std::string& s, size_t i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size()) {
        return 0;
    }
    uint32_t cp = n == 1 ? c : c & (0x7F >> n);
    for (size_t k = 1; k < n; k++) {
        unsigned char d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (d & 0x3F);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    return cp < least[n] || cp > 0x10FFFF || surrogate ? 0 : n;
}

}  // namespace

// A JSON string. File names are bytes: one that is not UTF-8 has each stray
// byte escaped as the character of the same number, so the output stays JSON.
std::string json_string(const std::string& s) {
    std::string out = "\"";
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = utf8_length(s, i);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || n == 0) {
            char esc[8];
            std::snprintf(esc, sizeof(esc), "\\u%04x", c);
            out += esc;
        } else {
            out.append(s, i, n);
            i += n;
            continue;
        }
        i++;
    }
    return out + "\"";
}
