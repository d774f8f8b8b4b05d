// Decoded structures and their status words as text, for tests that compare whole
// records in one line. Each test file defines `show` for its structures (in the global
// namespace, where argument-dependent lookup finds it).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <string>

#include "testutil.h"

namespace kt {

const kelvo_attributes kLe{2, 4}, kBe{1, 4}, kVax{0, 4};
constexpr uint32_t PV = KELVO_PRESENT | KELVO_VALID, kMax = 0xFFFFFFFFu;
const float kNan = std::bit_cast<float>(0xFFC00000u);  // the missing value

// Fields as text: chars quoted, texts double-quoted, 0xFFFFFFFF as ~0, the missing-value NaN as NaN.
inline std::string txt(char c) { return c ? "'" + std::string(1, c) + "'" : "''"; }
inline std::string txt(int v) { return std::to_string(v); }
inline std::string txt(unsigned v) { return v == kMax ? "~0" : std::to_string(v); }
inline bool g_copies = false;  // texts shown up to their terminator, which copies have at their length
inline std::string txt(const kelvo_cn &s) {
    return s.str ? '"' + (g_copies ? std::string(s.str) : std::string(s.str, s.len)) + '"' : "null";
}
inline std::string txt(float f) {
    char b[24];
    std::snprintf(b, sizeof b, "%g", f);
    return is_missing_nan(f) ? "NaN" : b;
}
template <class... A>
std::string cat(const A &...a) { std::string r; ((r += " " + txt(a)), ...); return r.substr(1); }

// Status words, a letter each: - neither bit, p present, v valid, + both, ? other bits not `preset`.
std::string words(const uint32_t *st, int n, uint32_t preset = 0) {
    std::string r = " | ";
    for (int i = 0; i < n; ++i) r += (st[i] & ~PV) != preset ? '?' : "-pv+"[st[i] & PV];
    return r;
}

// What `dec` makes of `img`; the words start as 0x103: absent fields clear 3, 0x100 stays.
template <int N, class S>
std::string decode(void (*dec)(S *, const void *, const kelvo_attributes *, uint32_t *), const Bytes &img,
                   const kelvo_attributes &a = kLe) {
    S s;
    uint32_t st[N];
    std::fill_n(st, N, 0x100 | PV);
    dec(&s, img.data(), &a, st);
    return show(s) + words(st, N, 0x100);
}

// Reads a file of a FAR (cpu 2, `version`; none for 0) and `records`: what `read` gives for each.
template <int N, class S>
std::string read_all(int (*read)(int, const kelvo_header *, S *, uint32_t *), int version,
                     std::initializer_list<Bytes> records) {
    TempFile tmp;
    int h = open_bytes(concat({version ? far_record(2, version) : Bytes{}, concat(records)}), tmp);
    kelvo_header hd;
    kelvo_far_struct far;
    std::string r = version && (kelvo_headread(h, &hd) != 4 || kelvo_farread(h, &hd, &far) != 2) ? "no FAR\n" : "";
    for (S s; kelvo_headread(h, &hd) == 4; g_copies = false) {
        uint32_t st[N] = {};
        std::string n = std::to_string(read(h, &hd, &s, st)) + ": ", shown = show(s);
        g_copies = true;
        r += n + shown + words(st, N) + (show(s) == shown ? "\n" : " unterminated\n");  // copies must end
    }
    kelvo_close(h);
    return r;
}

template <class S>
Bytes wr(int (*write)(int, S *), S *s, int n) { return written([&](int h) { EXPECT_EQ(write(h, s), n); }); }

}  // namespace kt
