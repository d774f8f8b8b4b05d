// The output side: the encoder cursor of _to_memory, which writes nothing at or past
// REC_LEN + 4, and the trailing-omission walk of _size.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "codec/view.h"

namespace kelvo::codec {

class Encoder {
public:
    Encoder(void *out, uint32_t rec_len)
        : out_(static_cast<uint8_t *>(out)), end_(rec_len + 4) {}

    uint32_t pos() const { return pos_; }
    // A field is written only while it begins before the end of the record.
    bool room() const { return pos_ < end_; }

    // Copies the leading block of the structure.
    template <class S>
    void leading_block(const S *s, uint32_t size) {
        raw(s, size);
    }
    // Bytes as they stand, cut at the end of the record; null writes zeros.
    void raw(const void *p, uint32_t n) {
        if (pos_ >= end_) return;
        uint32_t k = std::min(n, end_ - pos_);
        if (p) std::memcpy(out_ + pos_, p, k);
        else std::memset(out_ + pos_, 0, k);
        pos_ += n;
    }
    template <class T>
    void put(T value) {
        static_assert(std::is_trivially_copyable_v<T>);
        raw(&value, sizeof(T));
    }
    // A counted string: length byte and characters.
    void cn(const kelvo_cn &s) {
        if (!room()) return;
        put<uint8_t>(s.len);
        raw(s.str, s.len);
    }
    void bn(const kelvo_bn &b) {
        if (!room()) return;
        put<uint8_t>(b.len);
        raw(b.data, b.len);
    }
    // A Dn bit string, the last byte masked to its bits.
    void dn(const kelvo_dn &d) {
        if (!room()) return;
        uint32_t whole = d.bits / 8u, rest = d.bits % 8u;
        put<uint16_t>(d.bits);
        raw(d.data, whole);
        if (rest) put<uint8_t>(d.data ? static_cast<uint8_t>(d.data[whole] & (0xFFu << (8 - rest))) : 0);
    }
    // An array written whole once begun; a null array is written as `count` missing values.
    template <class T>
    void array(const T *values, uint32_t count, T missing) {
        if (!room()) return;
        if (values) {
            raw(values, count * uint32_t{sizeof(T)});
        } else {
            for (uint32_t i = 0; i < count; ++i) put<T>(missing);
        }
    }
    // N1 states packed two to a byte, even element in the low nibble.
    void nibbles(const uint8_t *states, uint32_t count) {
        if (!room()) return;
        for (uint32_t i = 0; i < count; i += 2) {
            uint8_t lo = states ? states[i] & 0x0F : 0;
            uint8_t hi = (states && i + 1 < count) ? states[i + 1] & 0x0F : 0;
            put<uint8_t>(static_cast<uint8_t>(lo | (hi << 4)));
        }
    }

private:
    uint8_t *out_;
    uint32_t end_;
    uint32_t pos_ = 0;
};

// Length of a NUL-terminated text clamped to 255; 0 for null.
inline uint8_t text_length(const char *s) { return s ? static_cast<uint8_t>(strnlen(s, 255)) : 0; }

// The walk of _size from the last field backwards: once anything has to be written,
// every earlier field is written too.
class Tail {
public:
    // A field of n bytes, written when it holds a value or a later field is written.
    void field(bool has_value, uint32_t n) {
        if (t_ != 0 || has_value) t_ += n;
    }
    // A field that is always written once reached (arrays sized by their count).
    void always(uint32_t n) { t_ += n; }
    // A counted string: its length is clamped and stored back; the length byte is
    // written once anything from here on is.
    void text(kelvo_cn &s) {
        s.len = text_length(s.str);
        t_ += s.len;
        if (t_ != 0) t_ += 1;
    }
    bool any() const { return t_ != 0; }
    uint32_t bytes() const { return t_; }

private:
    uint32_t t_ = 0;
};

// Stores REC_LEN = body (clamped to 65535) and returns the total size, which exceeds
// 65539 for a record too long to be written.
template <class S>
inline int finish_size(S *s, uint32_t body) {
    s->REC_LEN = static_cast<uint16_t>(std::min(body, kMaxBody));
    return static_cast<int>(body + 4);
}

}  // namespace kelvo::codec
