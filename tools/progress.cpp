#include "progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kFirst = std::chrono::milliseconds(500);     // quick work shows nothing
constexpr auto kInterval = std::chrono::milliseconds(250);  // redraws at most 4 times a second

void put(const std::string &s) {
    const char *p = s.data();
    size_t n = s.size();
    while (n > 0) {
        ssize_t w = ::write(STDERR_FILENO, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;  // a terminal that cannot be written to gets no progress
        p += w;
        n -= static_cast<size_t>(w);
    }
}

std::string amount(double bytes) {
    char b[32];
    if (bytes < 1e6) std::snprintf(b, sizeof b, "%.0f kB", bytes / 1e3);
    else if (bytes < 1e9) std::snprintf(b, sizeof b, "%.1f MB", bytes / 1e6);
    else std::snprintf(b, sizeof b, "%.2f GB", bytes / 1e9);
    return b;
}

std::string duration(double seconds) {
    long s = static_cast<long>(seconds + 0.5);
    char b[32];
    if (s >= 3600) std::snprintf(b, sizeof b, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else std::snprintf(b, sizeof b, "%ld:%02ld", s / 60, s % 60);
    return b;
}

}  // namespace

Progress::Progress(int64_t total_bytes, bool enabled, std::function<int64_t()> bytes_read)
    : total_(total_bytes), bytes_read_(std::move(bytes_read)) {
    if (!enabled || !::isatty(STDERR_FILENO)) return;
    struct winsize ws;
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 1) width_ = ws.ws_col;
    start_ = Clock::now();
    next_draw_ = start_ + kFirst;
    next_ = kEvery;
}

void Progress::consider(long records, int64_t bytes_read) {
    next_ = records + kEvery;
    const auto now = Clock::now();
    if (now < next_draw_) return;
    next_draw_ = now + kInterval;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    std::string line = " " + (bytes_read < 0 ? std::string("?") : amount(static_cast<double>(bytes_read)));
    if (total_ > 0 && bytes_read >= 0) {
        char pct[16];
        std::snprintf(pct, sizeof pct, " (%.0f%%)", 100.0 * static_cast<double>(bytes_read) / static_cast<double>(total_));
        line += " of " + amount(static_cast<double>(total_)) + pct;
    } else {
        line += " read";
    }
    const double per_second = static_cast<double>(records) / seconds;
    char rate[48];
    if (per_second < 1e4) std::snprintf(rate, sizeof rate, ", %.0f records/s", per_second);
    else if (per_second < 1e6) std::snprintf(rate, sizeof rate, ", %.0f k records/s", per_second / 1e3);
    else std::snprintf(rate, sizeof rate, ", %.2f M records/s", per_second / 1e6);
    line += rate;
    if (total_ > 0 && bytes_read > 0 && bytes_read <= total_)
        line += ", " + duration(seconds * static_cast<double>(total_ - bytes_read) / static_cast<double>(bytes_read)) +
                " left";
    // A line that wraps could not be redrawn in place.
    if (line.size() > width_ - 1) line.resize(width_ - 1);
    const size_t length = line.size();
    if (length < drawn_) line.append(drawn_ - length, ' ');
    put("\r" + line);
    drawn_ = length;
}

void Progress::finish() {
    next_ = LONG_MAX;
    if (drawn_ == 0) return;
    put("\r" + std::string(drawn_, ' ') + "\r");
    drawn_ = 0;
}
