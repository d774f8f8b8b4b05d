// Display precision of a printf-style format: digits left and right of the point.
#include <cctype>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "file/internal.h"

KELVO_SOURCE_ID("kelvo_precision")

namespace {

int g_digits[2];

// Collects the run of decimal digits at `p` (at most 255 of them; a longer run is
// never a valid width or precision) and says whether it prints back as itself.
struct DigitRun {
    char text[256];
    int length = 0;
    const char *after;

    explicit DigitRun(const char *p) {
        while (std::isdigit(static_cast<unsigned char>(*p))) {
            if (length < 255) text[length] = *p;
            ++length;
            ++p;
        }
        text[length < 255 ? length : 255] = '\0';
        after = p;
    }
    // The run's value, held to the range of an int.
    int value() const {
        long v = std::strtol(text, nullptr, 10);
        return v > INT32_MAX ? INT32_MAX : static_cast<int>(v);
    }
    bool prints_back() const {
        if (length > 255) return false;
        char back[32];
        std::snprintf(back, sizeof back, "%d", value());
        return std::strcmp(back, text) == 0;
    }
};

}  // namespace

extern "C" {

KELVO_API int kelvo_get_rdig(const char *format) {
    if (!format) return 0;
    const char *point = std::strchr(format, '.');
    if (!point) return 6;
    DigitRun run(point + 1);
    if (run.length < 2) return run.value();
    if (!run.prints_back()) return 37;
    int n = run.value();
    return n < 38 ? n : 37;
}

KELVO_API int *kelvo_get_precision(const char *format) {
    if (!format) {
        g_digits[0] = g_digits[1] = 0;
        return g_digits;
    }
    const char *p = format;
    while (*p && std::strchr("% #+-0", *p)) ++p;
    int width = 0;
    const char *rest = p;
    if (*p >= '1' && *p <= '9') {
        DigitRun run(p);
        width = run.value();
        if (run.length >= 2 && (!run.prints_back() || width > 39)) width = 39;
        rest = run.after;
    } else if (*p != '\0' && *p != '.') {
        g_digits[0] = 0;
        g_digits[1] = 6;
        return g_digits;
    }
    int right = kelvo_get_rdig(rest);
    int left = width - right - 2;
    if (width < right || left < 0) left = 0;
    g_digits[0] = left;
    g_digits[1] = right;
    return g_digits;
}

}  // extern "C"
