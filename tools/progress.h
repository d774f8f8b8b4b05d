// One line of progress on standard error for long work, when it is a terminal.
#pragma once

#include <chrono>
#include <climits>
#include <cstdint>
#include <functional>
#include <string>

// Shows, redrawn in place a few times a second: bytes read of the total (or read so far
// when the total is unknown), records per second and the time left. Draws nothing unless
// it is enabled and standard error is a terminal, and nothing in the first half second.
//   Progress p(total_bytes, !quiet);
//   for (...) p.update(records, bytes_read);   // or p.tick(records) with a byte source
//   p.finish();                                 // before any error line; also on destruction
class Progress {
public:
    // `total_bytes` is -1 when unknown (a pipe). `bytes_read`, when given, is asked for
    // the bytes read so far by tick(), only when a line may be drawn.
    Progress(int64_t total_bytes, bool enabled, std::function<int64_t()> bytes_read = {});
    ~Progress() { finish(); }
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    // Cheap per record: the clock is looked at only every kEvery records.
    void update(long records, int64_t bytes_read) {
        if (records >= next_) consider(records, bytes_read);
    }
    void tick(long records) {
        if (records >= next_) consider(records, bytes_read_ ? bytes_read_() : -1);
    }
    // Clears the line, if one was drawn; no more lines after it.
    void finish();

    static constexpr long kEvery = 1024;

private:
    void consider(long records, int64_t bytes_read);

    int64_t total_;
    std::function<int64_t()> bytes_read_;
    long next_ = LONG_MAX;  // records at which the clock is looked at next
    std::chrono::steady_clock::time_point start_, next_draw_;
    size_t drawn_ = 0;  // length of the line on the terminal
    size_t width_ = 80;
};
