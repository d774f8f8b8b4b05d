// The bounded view of one record image [image, image + REC_LEN + 4): typed reads that
// convert by CPU type, counted strings, Bn, Dn and arrays that never reach past the end
// of the record.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "file/internal.h"

namespace kelvo::codec {

// The static empty string that absent counted strings point to.
extern char empty_string[1];

constexpr uint32_t kMaxBody = 65535;

inline void set_empty(kelvo_cn &s) {
    s.len = 0;
    s.str = empty_string;
}

class View {
public:
    View(const void *image, const kelvo_attributes *attr)
        : img_(static_cast<const uint8_t *>(image)), cpu_(attr_cpu(attr)) {
        rec_len_ = header_length(image, cpu_);
        end_ = uint32_t{rec_len_} + 4;
    }

    int cpu() const { return cpu_; }
    bool swaps() const { return cpu_ == 1; }
    uint16_t rec_len() const { return rec_len_; }
    uint32_t end() const { return end_; }
    uint32_t pos() const { return pos_; }
    const uint8_t *image() const { return img_; }
    // Bytes the record holds from the cursor on.
    uint32_t left() const { return pos_ < end_ ? end_ - pos_ : 0; }
    // The field at the cursor begins inside the record.
    bool present() const { return pos_ < end_; }
    void seek(uint32_t pos) { pos_ = pos; }
    void skip(uint32_t n) { pos_ += n; }
    const uint8_t *here() const { return img_ + pos_; }

    // Copies the leading block (header included) into the structure as one piece;
    // bytes the record does not hold become zero. The header stays unconverted
    // until fix_header(). The cursor moves behind the block.
    template <class S>
    void leading_block(S *s, uint32_t size) {
        static_assert(std::is_trivially_copyable_v<S>);
        auto *dst = reinterpret_cast<uint8_t *>(s);
        uint32_t have = std::min(size, end_);
        std::memcpy(dst, img_, have);
        if (have < size) std::memset(dst + have, 0, size - have);
        pos_ = size;
    }

    // Raw little-endian load of sizeof(T) bytes at `at`; bytes past the end are zero.
    template <class T>
    T load(uint32_t at) const {
        T v{};
        if constexpr (sizeof(T) == 1) {
            if (at < end_) std::memcpy(&v, img_ + at, 1);
            return v;
        }
        if (at + sizeof(T) <= end_) {
            std::memcpy(&v, img_ + at, sizeof(T));
        } else if (at < end_) {
            std::memcpy(&v, img_ + at, end_ - at);
        }
        return v;
    }

    // Integer of the file's byte order at `at`, converted.
    template <class T>
    T integer_at(uint32_t at) const {
        static_assert(std::is_integral_v<T>);
        T v = load<T>(at);
        if constexpr (sizeof(T) == 2) {
            if (swaps()) v = static_cast<T>(bswap16(static_cast<uint16_t>(v)));
        } else if constexpr (sizeof(T) == 4) {
            if (swaps()) v = static_cast<T>(bswap32(static_cast<uint32_t>(v)));
        } else if constexpr (sizeof(T) == 8) {
            if (swaps()) v = static_cast<T>(bswap64(static_cast<uint64_t>(v)));
        }
        return v;
    }
    float r4_at(uint32_t at) const { return convert_r4(cpu_, load<uint32_t>(at)); }
    double r8_at(uint32_t at) const { return convert_r8(cpu_, load<uint64_t>(at)); }

    // Next field: when present, stores the converted value and moves on; else the default.
    template <class T>
    bool integer(T &out, T missing) {
        if (!present()) {
            out = missing;
            return false;
        }
        out = integer_at<T>(pos_);
        pos_ += sizeof(T);
        return true;
    }
    bool r4(float &out) {
        if (!present()) {
            out = missing_r4();
            return false;
        }
        out = r4_at(pos_);
        pos_ += 4;
        return true;
    }
    bool r8(double &out, double missing) {
        if (!present()) {
            out = missing;
            return false;
        }
        out = r8_at(pos_);
        pos_ += 8;
        return true;
    }
    // A counted string, cut to the bytes the record holds.
    bool cn(kelvo_cn &out) {
        if (!present()) {
            set_empty(out);
            return false;
        }
        uint32_t len = std::min<uint32_t>(img_[pos_], left() - 1);
        out.len = static_cast<uint8_t>(len);
        out.str = reinterpret_cast<char *>(const_cast<uint8_t *>(img_ + pos_ + 1));
        pos_ += 1 + len;
        return true;
    }
    // A Bn field, cut to the bytes the record holds; absent: length 0, null data.
    bool bn(kelvo_bn &out) {
        if (!present()) {
            out.len = 0;
            out.data = nullptr;
            return false;
        }
        uint32_t len = std::min<uint32_t>(img_[pos_], left() - 1);
        out.len = static_cast<uint8_t>(len);
        out.data = const_cast<uint8_t *>(img_ + pos_ + 1);
        pos_ += 1 + len;
        return true;
    }
    // A Dn field, its bit count cut to the bytes the record holds; absent: 0 bits, null data.
    bool dn(kelvo_dn &out) {
        if (!present()) {
            out.bits = 0;
            out.data = nullptr;
            return false;
        }
        uint32_t bits = integer_at<uint16_t>(pos_);
        uint32_t bytes = (bits + 7) / 8;
        uint32_t room = left() > 2 ? left() - 2 : 0;
        if (bytes > room) {
            bytes = room;
            bits = room * 8;
        }
        out.bits = static_cast<uint16_t>(bits);
        out.data = const_cast<uint8_t *>(img_ + std::min(pos_ + 2, end_));
        pos_ += 2 + bytes;
        return true;
    }
    // An array of one-byte elements left in place: `count` is cut to the bytes held.
    template <class T, class C>
    bool bytes_in_place(T *&out, C &count) {
        static_assert(sizeof(T) == 1);
        if (!present()) {
            out = nullptr;
            return false;
        }
        uint32_t n = std::min<uint32_t>(count, left());
        count = static_cast<C>(n);
        out = reinterpret_cast<T *>(const_cast<uint8_t *>(img_ + pos_));
        pos_ += n;
        return true;
    }
    // Converts `count` integers into `dst`; elements the record does not hold get `missing`.
    template <class T>
    void integers_to(T *dst, uint32_t count, T missing) {
        for (uint32_t i = 0; i < count; ++i, pos_ += sizeof(T))
            dst[i] = pos_ + sizeof(T) <= end_ ? integer_at<T>(pos_) : missing;
    }
    // Converts `count` R4 values into `dst`; elements the record does not hold get NaN.
    void r4s_to(float *dst, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i, pos_ += 4)
            dst[i] = pos_ + 4 <= end_ ? r4_at(pos_) : missing_r4();
    }
    // Unpacks `count` N1 states (low nibble first) into `dst`, one per byte; an odd
    // count also stores the last byte's high nibble. States not held are 0.
    void nibbles_to(uint8_t *dst, uint32_t count) {
        uint32_t nbytes = (count + 1) / 2;
        for (uint32_t i = 0; i < nbytes; ++i, ++pos_) {
            uint8_t b = pos_ < end_ ? img_[pos_] : 0;
            dst[2 * i] = b & 0x0F;
            dst[2 * i + 1] = b >> 4;
        }
    }

    // Converts the header's REC_LEN in the structure by CPU type.
    template <class S>
    void fix_header(S *s) const {
        s->REC_LEN = rec_len_;
    }

private:
    const uint8_t *img_;
    int cpu_;
    uint16_t rec_len_;
    uint32_t end_;
    uint32_t pos_ = 0;
};

// Converts an integer member taken in the file's byte order (leading-block members).
template <class T>
inline void fix(const View &v, T &member) {
    if (!v.swaps()) return;
    if constexpr (sizeof(T) == 2) member = static_cast<T>(bswap16(static_cast<uint16_t>(member)));
    else if constexpr (sizeof(T) == 4) member = static_cast<T>(bswap32(static_cast<uint32_t>(member)));
    else if constexpr (sizeof(T) == 8) member = static_cast<T>(bswap64(static_cast<uint64_t>(member)));
}

// Realigns `offset` to the next multiple of 4, always at least one byte further.
inline uint32_t step4(uint32_t offset) { return (offset / 4 + 1) * 4; }

}  // namespace kelvo::codec
