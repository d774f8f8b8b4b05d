// Broken-down time to the format's seconds since 1970, and a byte dump.
#include <cstdio>

#include "file/internal.h"

KELVO_SOURCE_ID("kelvo_time")

namespace {
const int32_t kMonthDays[12] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30};
}

extern "C" {

KELVO_API uint32_t kelvo_time(const struct tm *tm) {
    if (!tm) return 0;
    // All arithmetic wraps in 32 bits, as the format's unsigned time does.
    uint32_t leap_days = static_cast<uint32_t>((int64_t{tm->tm_year} - 69) / 4);
    uint32_t year = static_cast<uint32_t>(tm->tm_year) + 1900u;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    uint32_t days = static_cast<uint32_t>(tm->tm_mday) - 1u;
    for (int i = 0; i < 12; ++i) {
        days += static_cast<uint32_t>(kMonthDays[i]);
        if (i == 2 && leap) days += 1;
        if (i == tm->tm_mon) break;
    }
    uint32_t total = leap_days + days + (static_cast<uint32_t>(tm->tm_year) - 70u) * 365u;
    total = total * 24u + static_cast<uint32_t>(tm->tm_hour);
    total = total * 60u + static_cast<uint32_t>(tm->tm_min);
    total = total * 60u + static_cast<uint32_t>(tm->tm_sec);
    return total;
}

KELVO_API int kelvo_print(const void *bytes, int n) {
    const auto *b = static_cast<const unsigned char *>(bytes);
    for (int i = 0; b && i < n; ++i) {
        unsigned c = b[i];
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            std::putchar(static_cast<int>(c));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%2x", c);
            std::putchar(hex[0]);
            std::putchar(hex[1]);
        }
        std::putchar(' ');
        if ((i + 1) % 80 == 0) std::putchar('\n');
    }
    return n;
}

}  // extern "C"
