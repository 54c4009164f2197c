#include "cli/progress.h"

#include <chrono>
#include <cstdio>

#include "platform/file_ops.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto SHOW_AFTER = std::chrono::seconds(1);
constexpr auto REDRAW_EVERY = std::chrono::milliseconds(100);
constexpr int BAR_CELLS = 40;
constexpr int LINE_CHARS = 80;

struct Progress {
    bool enabled;
    bool shown;
    const char* label;
    int64_t total;
    Clock::time_point started;
    Clock::time_point drawn;
};

Progress bar;

}  // namespace

void progress_start(const char* label, int64_t total) {
    bar = Progress{};
    bar.enabled = os_stderr_is_terminal();
    bar.label = label;
    bar.total = total;
    bar.started = Clock::now();
}

bool progress_due() {
    if (!bar.enabled) {
        return false;
    }
    Clock::time_point now = Clock::now();
    return now - bar.started >= SHOW_AFTER && (!bar.shown || now - bar.drawn >= REDRAW_EVERY);
}

void progress_status(const char* text) {
    bar.drawn = Clock::now();
    bar.shown = true;
    std::fprintf(stderr, "\r%-*.*s", LINE_CHARS - 1, LINE_CHARS - 1, text);
    std::fflush(stderr);
}

void progress_update(int64_t done) {
    if (!progress_due()) {
        return;
    }
    bar.drawn = Clock::now();
    bar.shown = true;
    if (bar.total > 0) {
        int64_t share = done >= bar.total ? 1000 : done * 1000 / bar.total;
        int cells = static_cast<int>(share * BAR_CELLS / 1000);
        char cells_text[BAR_CELLS + 1];
        for (int i = 0; i < BAR_CELLS; i++) {
            cells_text[i] = i < cells ? '#' : '.';
        }
        cells_text[BAR_CELLS] = '\0';
        std::fprintf(stderr, "\r%s [%s] %3d%%", bar.label, cells_text,
                     static_cast<int>(share / 10));
    } else {
        std::fprintf(stderr, "\r%s %lld MB", bar.label,
                     static_cast<long long>(done / (1024 * 1024)));
    }
    std::fflush(stderr);
}

void progress_finish() {
    if (bar.shown) {
        std::fprintf(stderr, "\r%*s\r", LINE_CHARS - 1, "");
        std::fflush(stderr);
    }
    bar = Progress{};
}
