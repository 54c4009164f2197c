// probe: what a capture of the digital input holds, and what to change when
// the recorder or a decoder will not lock to it.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bitstream/frame_parser.h"
#include "cli/io/byte_order.h"
#include "cli/commands.h"
#include "cli/frame_texts.h"
#include "cli/io/pcm_source.h"
#include "cli/probe_analysis.h"
#include "common/burst.h"

namespace {

constexpr int32_t READ_WORDS = 24576;     // one device buffer at a time
constexpr uint32_t RAW_RATE_HZ = 48000;   // raw samples: the rate the recorder captures at
constexpr uint32_t MAX_RATE_HZ = 192000;  // a WAV header claiming more is read as this
constexpr double FULL_SCALE = 32768.0;

struct Verdict {
    std::string text;
    int status;
};

// 1874 -> "1,874".
std::string grouped(int64_t n) {
    std::string digits = std::to_string(n);
    std::string out;
    for (size_t i = 0; i < digits.size(); i++) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            out += ',';
        }
        out += digits[i];
    }
    return out;
}

// 48000 -> "48 kHz", 44100 -> "44.1 kHz".
std::string khz(int64_t hz) {
    char text[32];
    if (hz % 1000 == 0) {
        std::snprintf(text, sizeof(text), "%lld kHz", static_cast<long long>(hz / 1000));
    } else {
        std::snprintf(text, sizeof(text), "%.1f kHz", static_cast<double>(hz) / 1000);
    }
    return text;
}

// One decimal, without "-0.0".
std::string decibels(double db) {
    double rounded = std::round(db * 10) / 10;
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f", rounded == 0 ? 0.0 : rounded);
    return text;
}

double peak_dbfs(const ProbeReport& r) {
    return 20 * std::log10(r.peak / FULL_SCALE);
}

double gain_db(const ProbeReport& r) {
    return 20 * std::log10(r.gain);
}

const char* signal_name(int signal) {
    switch (signal) {
        case SIGNAL_BURSTS:
            return "bursts";
        case SIGNAL_SILENCE:
            return "silence";
        case SIGNAL_AUDIO:
            return "audio";
        case SIGNAL_SWAPPED:
            return "byte-swapped bursts";
        default:
            return "scaled bursts";
    }
}

// "" when no burst was found.
const char* placement_name(int placements) {
    switch (placements) {
        case 0:
            return "";
        case PLACED_32_BIT:
            return "32-bit";
        case PLACED_CHANNEL_1:
            return "16-bit channel 1";
        case PLACED_CHANNEL_2:
            return "16-bit channel 2";
        default:
            return "mixed";
    }
}

int64_t frame_rate_hz(const ProbeReport& r) {
    return r.first_frame.frame_words > 0 ? SAMPLE_RATE_HZ[r.first_frame.fscod] : 0;
}

// "48 kHz, 448 kbit/s, 3/2 L,C,R,Ls,Rs with LFE".
std::string frame_shape(const FrameInfo& info) {
    std::string mode = acmod_text(info);
    size_t colon = mode.find(':');
    if (colon != std::string::npos) {
        mode.erase(colon, 1);
    }
    return khz(SAMPLE_RATE_HZ[info.fscod]) + ", " + std::to_string(BIT_RATE_KBPS[info.frmsizecod]) +
           " kbit/s, " + mode + (info.lfeon == 1 ? " with LFE" : "");
}

// The most frequent data type that carries audio the recorder cannot take;
// -1 when there is none.
int foreign_type(const ProbeReport& r) {
    int best = -1;
    for (int t = 0; t < PROBE_DATA_TYPES; t++) {
        bool other = !data_type_recordable(t) && t != BURST_TYPE_NULL && t != BURST_TYPE_PAUSE;
        if (other && r.type_counts[t] > 0 && (best < 0 || r.type_counts[t] > r.type_counts[best])) {
            best = t;
        }
    }
    return best;
}

Verdict bursts_verdict(const ProbeReport& r, uint32_t wav_rate) {
    if (r.type_counts[PACKET_AC3_FRAME] == 0) {
        int t = foreign_type(r);
        if (t >= 0) {
            std::string name = data_type_name(t);
            name = name == "reserved" ? "Bursts of the reserved data type " + std::to_string(t)
                                      : name + " stream";
            return {name +
                        ", not AC-3: only AC-3 streams can be recorded; set the source's "
                        "digital output to AC-3",
                    EXIT_FOUND};
        }
        if (r.type_counts[PACKET_TIME_CODE] > 0) {
            return {"Time code without AC-3 frames: start playback at the source", EXIT_FOUND};
        }
        return {"Only pause or null bursts: the source sends no audio; start playback", EXIT_FOUND};
    }
    std::string name = r.type_counts[PACKET_TIME_CODE] > 0 ? "AC-3 with time code" : "AC-3";
    if (r.first_frame.frame_words <= 0) {
        return {name + ", but none of " + grouped(r.frames) +
                    " frames is intact: something on the way changes the samples; turn off "
                    "resampling, effects and mixing",
                EXIT_FOUND};
    }
    int64_t rate = frame_rate_hz(r);
    if (wav_rate != 0 && wav_rate != rate) {
        return {name + " at " + khz(rate) + " in a capture made at " + khz(wav_rate) +
                    ": record at " + khz(rate),
                EXIT_FOUND};
    }
    std::string text = name + ", " + frame_shape(r.first_frame) + ", " + grouped(r.frames) +
                       (r.frames == 1 ? " frame, " : " frames, ");
    text +=
        r.breaks == 0 ? "no breaks" : grouped(r.breaks) + (r.breaks == 1 ? " break" : " breaks");
    if (r.damaged_frames > 0) {
        text += ", " + grouped(r.damaged_frames) + " failing the CRC check";
    }
    if (r.breaks > 0) {
        return {text +
                    ": bursts are missing or late; keep other sounds off the output and "
                    "check the capture for overruns",
                EXIT_FOUND};
    }
    if (r.damaged_frames > 0) {
        return {text +
                    ": something on the way changes the samples; turn off resampling, "
                    "effects and mixing",
                EXIT_FOUND};
    }
    return {text + ": ready to record", EXIT_CLEAN};
}

Verdict verdict(const ProbeReport& r, uint32_t wav_rate) {
    switch (r.signal) {
        case SIGNAL_BURSTS:
            return bursts_verdict(r, wav_rate);
        case SIGNAL_SILENCE:
            return {"Digital silence: nothing is playing, or the source's digital output is off",
                    EXIT_FOUND};
        case SIGNAL_AUDIO:
            return {"Plain audio peaking at " + decibels(peak_dbfs(r)) +
                        " dBFS: set the player to pass the bitstream through",
                    EXIT_FOUND};
        case SIGNAL_SWAPPED:
            return {
                "Bursts with the bytes of every sample swapped: record little-endian "
                "samples (S16_LE)",
                EXIT_FOUND};
        default:
            return {"Bursts scaled by " + decibels(gain_db(r)) +
                        " dB: set every volume on the way to 100 %",
                    EXIT_FOUND};
    }
}

void print_json(const ProbeReport& r, const Verdict& v, uint32_t wav_rate) {
    // The verdict is made of the tool's own texts and numbers: nothing to escape.
    std::printf("{\n  \"verdict\": \"%s\",\n", v.text.c_str());
    const char* placement = placement_name(r.placements);
    if (*placement != '\0') {
        std::printf("  \"placement\": \"%s\",\n", placement);
    } else {
        std::printf("  \"placement\": null,\n");
    }
    std::printf("  \"data_types\": [");
    const char* sep = "";
    for (int t = 0; t < PROBE_DATA_TYPES; t++) {
        if (r.type_counts[t] > 0) {
            std::printf(
                "%s\n    {\"type\": %d, \"name\": \"%s\", \"count\": %lld, "
                "\"recordable\": %s}",
                sep, t, data_type_name(t), static_cast<long long>(r.type_counts[t]),
                data_type_recordable(t) ? "true" : "false");
            sep = ",";
        }
    }
    std::printf("%s],\n", *sep != '\0' ? "\n  " : "");
    if (r.spacing_min >= 0) {
        std::printf("  \"repetition\": {\"min\": %lld, \"max\": %lld, \"breaks\": %lld},\n",
                    static_cast<long long>(r.spacing_min), static_cast<long long>(r.spacing_max),
                    static_cast<long long>(r.breaks));
    } else {
        std::printf("  \"repetition\": {\"min\": null, \"max\": null, \"breaks\": 0},\n");
    }
    int64_t rate = frame_rate_hz(r);
    if (rate > 0) {
        std::printf("  \"sample_rate_hz\": %lld,\n", static_cast<long long>(rate));
    } else {
        std::printf("  \"sample_rate_hz\": null,\n");
    }
    if (wav_rate > 0) {
        std::printf("  \"wav_sample_rate_hz\": %u,\n", wav_rate);
    } else {
        std::printf("  \"wav_sample_rate_hz\": null,\n");
    }
    std::printf("  \"crc_failures\": %lld,\n", static_cast<long long>(r.damaged_frames));
    std::printf("  \"signal\": \"%s\",\n", signal_name(r.signal));
    if (r.signal == SIGNAL_AUDIO) {
        std::printf("  \"peak_dbfs\": %.2f,\n", peak_dbfs(r));
    } else {
        std::printf("  \"peak_dbfs\": null,\n");
    }
    if (r.signal == SIGNAL_SCALED) {
        std::printf("  \"gain_db\": %.2f\n}\n", gain_db(r));
    } else {
        std::printf("  \"gain_db\": null\n}\n");
    }
}

void print_text(const ProbeReport& r,
                const Verdict& v,
                const char* in,
                uint32_t wav_rate,
                int64_t pairs,
                uint32_t rate) {
    std::printf("%s\n", v.text.c_str());
    std::string source = wav_rate > 0 ? "WAV at " + std::to_string(wav_rate) + " Hz"
                                      : "raw samples, taken as " + khz(rate);
    std::printf("Input:             %s (%s), %s sample pairs (%.1f s) looked at\n", in,
                source.c_str(), grouped(pairs).c_str(), static_cast<double>(pairs) / rate);
    std::printf("Signal:            %s\n", signal_name(r.signal));
    if (r.signal == SIGNAL_AUDIO) {
        std::printf("Peak level:        %s dBFS\n", decibels(peak_dbfs(r)).c_str());
    }
    if (r.signal == SIGNAL_SCALED) {
        std::printf("Gain:              %s dB\n", decibels(gain_db(r)).c_str());
    }
    if (r.signal != SIGNAL_BURSTS) {
        return;
    }
    std::printf("Placement:         %s\n", placement_name(r.placements));
    const char* label = "Data types:       ";
    for (int t = 0; t < PROBE_DATA_TYPES; t++) {
        if (r.type_counts[t] > 0) {
            std::printf("%s %2d %-13s %8s  %s\n", label, t, data_type_name(t),
                        grouped(r.type_counts[t]).c_str(),
                        data_type_recordable(t) ? "recordable" : "not recordable");
            label = "                  ";
        }
    }
    int64_t idle = r.type_counts[BURST_TYPE_PAUSE] + r.type_counts[BURST_TYPE_NULL];
    if (r.spacing_min >= 0) {
        std::printf("AC-3 repetition:   %lld to %lld sample pairs (%lld expected), %s\n",
                    static_cast<long long>(r.spacing_min), static_cast<long long>(r.spacing_max),
                    static_cast<long long>(AC3_BURST_SPACING),
                    r.breaks == 0 ? "no breaks" : (grouped(r.breaks) + " breaks").c_str());
    }
    std::printf("Pause/null bursts: %s\n", grouped(idle).c_str());
    if (r.frames == 0) {
        return;
    }
    std::printf("Frames:            %s, %s failing the CRC check\n", grouped(r.frames).c_str(),
                grouped(r.damaged_frames).c_str());
    if (r.first_frame.frame_words > 0) {
        std::printf("Sample rate:       %s%s\n", sample_rate_text(r.first_frame),
                    wav_rate > 0 && wav_rate != frame_rate_hz(r) ? " (not the WAV header's)" : "");
        std::printf("Data rate:         %s\n", data_rate_text(r.first_frame));
        std::printf("Audio coding mode: %s\n", acmod_text(r.first_frame));
        std::printf("LFE:               %s\n", lfe_text(r.first_frame));
    }
}

}  // namespace

int run_probe(const CliOptions& opt) {
    int pcm_rc = pcm_open(opt.in);
    if (pcm_rc != PCM_OK) {
        return pcm_report_failure(pcm_rc, opt.in);
    }
    const uint32_t wav_rate = pcm_sample_rate();
    const uint32_t rate =
        wav_rate == 0 ? RAW_RATE_HZ : (wav_rate > MAX_RATE_HZ ? MAX_RATE_HZ : wav_rate);
    // Only this much is read, so that the probe ends a pipe that does not.
    const int64_t limit = static_cast<int64_t>(opt.seconds) * rate * 2;
    pcm_limit(2 * limit);
    std::vector<Word> words;
    std::vector<uint8_t> bytes(2 * static_cast<size_t>(READ_WORDS));
    while (static_cast<int64_t>(words.size()) < limit) {
        int64_t left = limit - static_cast<int64_t>(words.size());
        int32_t want = left < READ_WORDS ? static_cast<int32_t>(left) : READ_WORDS;
        int32_t got = pcm_fill(bytes.data(), want);
        for (int32_t i = 0; i < got; i++) {
            words.push_back(get_le16(bytes.data() + 2 * i));
        }
        if (got < want) {
            break;
        }
    }
    bool failed = pcm_read_failed();
    pcm_close();
    if (failed) {
        cli_error("%s: reading failed", opt.in);
        return EXIT_UNUSABLE;
    }
    if (words.size() < 2) {
        cli_error("%s: no samples", opt.in);
        return EXIT_UNUSABLE;
    }
    words.shrink_to_fit();  // and a sanitizer build catches any read past the end
    ProbeReport report;
    probe_pcm(words.data(), static_cast<int64_t>(words.size()), &report);
    Verdict v = verdict(report, wav_rate);
    if (opt.json) {
        print_json(report, v, wav_rate);
    } else {
        print_text(report, v, opt.in, wav_rate, static_cast<int64_t>(words.size() / 2), rate);
    }
    return v.status;
}
