// The codec toolkit: what every record family is built from.
//
//   View       a bounded view of one record image [image, image + REC_LEN + 4):
//              typed reads that convert by CPU type, counted strings, Bn, Dn and
//              arrays that never reach past the end of the record.
//   Status     the field status words: only the present and valid bits change.
//   Encoder    the output cursor of _to_memory: nothing is written at or past
//              REC_LEN + 4.
//   Tail       the trailing-omission walk of _size.
//   StringCopy the string-buffer copy of _buf.
//   read_record / write_record / buf_read
//              the common steps of every reader and writer.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
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

// ------------------------------------------------------------ field status words

class Status {
public:
    explicit Status(uint32_t *words) : words_(words) {}
    // Sets the present and valid bits of word i; the other bits stay as they were.
    void set(int i, bool present, bool valid) const {
        if (!words_) return;
        words_[i] = (words_[i] & ~(KELVO_PRESENT | KELVO_VALID)) | (present ? KELVO_PRESENT : 0u) |
                    (valid ? KELVO_VALID : 0u);
    }
    void present(int i, bool present) const {
        if (words_) words_[i] = (words_[i] & ~KELVO_PRESENT) | (present ? KELVO_PRESENT : 0u);
    }
    void valid(int i, bool valid) const {
        if (words_) words_[i] = (words_[i] & ~KELVO_VALID) | (valid ? KELVO_VALID : 0u);
    }
    // A string: present when it begins inside the record, valid when not empty.
    void text(int i, bool present, const kelvo_cn &s) const { set(i, present, present && s.len != 0); }
    explicit operator bool() const { return words_ != nullptr; }
    uint32_t *words() const { return words_; }

private:
    uint32_t *words_;
};

// ------------------------------------------------------------ bounded view

class View {
public:
    View(const void *image, const kelvo_attributes *attr)
        : img_(static_cast<const uint8_t *>(image)), cpu_(attr_cpu(attr)), ver_(attr_ver(attr)) {
        rec_len_ = header_length(image, cpu_);
        end_ = uint32_t{rec_len_} + 4;
    }

    int cpu() const { return cpu_; }
    int version() const { return ver_; }
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
    int ver_;
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

// ------------------------------------------------------------ encoder cursor

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

// ------------------------------------------------------------ trailing omission

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

// ------------------------------------------------------------ string-buffer copy

// Copies texts (and arrays) into the string buffer one after another. The sources
// may lie in the string buffer itself (a structure copied twice): a buffer that has
// to grow keeps its old storage until the copy is done, and copies are moves.
class StringCopy {
public:
    StringCopy() = default;
    StringCopy(const StringCopy &) = delete;
    StringCopy &operator=(const StringCopy &) = delete;
    ~StringCopy() {
        if (retired_) std::free(retired_);
    }

    // Makes room for `need` bytes (grown to need + slack when the capacity is below
    // need); false when it cannot be had.
    bool reserve(uint32_t need, uint32_t slack = 255) {
        Buffer &b = string_buffer();
        if (b.capacity < need || b.capacity == 0) {
            uint64_t size = uint64_t{need} + slack;
            if (size > UINT32_MAX) return false;
            auto *fresh = static_cast<uint8_t *>(std::malloc(size ? size : 1));
            if (!fresh) return false;
            if (b.capacity != 0) retired_ = b.data;
            b.data = fresh;
            b.capacity = static_cast<uint32_t>(size ? size : 1);
        }
        base_ = b.data;
        cap_ = b.capacity;
        return true;
    }
    uint8_t *base() const { return base_; }
    uint32_t capacity() const { return cap_; }
    uint32_t pos() const { return pos_; }
    void seek(uint32_t pos) { pos_ = pos; }
    // Copies the characters of `s`, terminates them, points `s` at the copy.
    void text(kelvo_cn &s) {
        char *dst = reinterpret_cast<char *>(base_ + pos_);
        if (s.len && s.str) std::memmove(dst, s.str, s.len);
        else if (s.len) std::memset(dst, 0, s.len);
        dst[s.len] = '\0';
        s.str = dst;
        pos_ += uint32_t{s.len} + 1;
    }
    // Copies n bytes (zeros for null) and returns the copy.
    template <class T>
    T *bytes(const T *src, uint32_t n) {
        auto *dst = base_ + pos_;
        if (n && src) std::memmove(dst, src, n);
        else if (n) std::memset(dst, 0, n);
        pos_ += n;
        return reinterpret_cast<T *>(dst);
    }
    // Stores a NUL at `at` when it lies inside the buffer.
    void terminate(uint32_t at) {
        if (at < cap_) base_[at] = 0;
    }

private:
    uint8_t *base_ = nullptr;
    uint32_t cap_ = 0;
    uint32_t pos_ = 0;
    uint8_t *retired_ = nullptr;
};

// The usual _buf: every listed counted string copied in field order, each NUL-terminated.
template <class S, class... Fields>
inline int copy_texts(S *s, Fields... fields) {
    uint32_t need = 0;
    ((need += uint32_t{(s->*fields).len} + 1), ...);
    StringCopy copy;
    if (!copy.reserve(need)) return 0;
    (copy.text(s->*fields), ...);
    return 1;
}

// ------------------------------------------------------------ common read and write steps

// The attributes entry of a handle, or null outside 0-31.
inline kelvo_attributes *handle_attributes(int handle) {
    return handle >= 0 && handle < kMaxHandles ? &Kelvo_file_attributes[handle] : nullptr;
}

// Reads the body of the record whose header the caller read into the read buffer,
// behind the header. Returns the image, or null when the handle is not open or the
// buffer cannot be had (the body is then passed over); `result` gets REC_LEN, or 0 for
// a short read, whose missing bytes are zero.
inline const uint8_t *read_image(int handle, const kelvo_header *header, uint32_t &result) {
    result = 0;
    Slot *slot = open_slot(handle);
    if (!slot || !header) return nullptr;
    uint16_t len = header_length(header, Kelvo_file_attributes[handle].cpu_type);
    Buffer &buffer = read_buffer();
    if (!buffer.reserve(uint32_t{len} + 4)) {
        discard(slot->stream, len);
        return nullptr;
    }
    std::memcpy(buffer.data, header, 4);
    result = read_exact(slot->stream, buffer.data + 4, len);
    return buffer.data;
}

struct ReadResult {
    int result;    // what the reader returns
    bool decoded;  // the structure was decoded
};

// The common read: read the body, then decode whatever the read returned.
template <class S, class Decode>
inline ReadResult read_decode(int handle, const kelvo_header *header, S *s, Decode decode) {
    uint32_t result;
    const uint8_t *image = read_image(handle, header, result);
    if (!image) return {0, false};
    decode(s, image, &Kelvo_file_attributes[handle]);
    return {static_cast<int>(result), true};
}

// The common read for decoders that can fail (an array buffer that cannot be had):
// `decode` returns false then, and the record reads as 0 and is not copied.
template <class S, class Decode>
inline ReadResult read_decode_checked(int handle, const kelvo_header *header, S *s, Decode decode) {
    bool ok = true;
    ReadResult r = read_decode(handle, header, s, [&](S *t, const uint8_t *image, const kelvo_attributes *attr) {
        ok = decode(t, image, attr);
    });
    return ok ? r : ReadResult{0, false};
}

template <class S, class Decode>
inline int read_record(int handle, const kelvo_header *header, S *s, Decode decode) {
    return read_decode(handle, header, s, decode).result;
}

// The second step of every buf_read: the copy of a structure that the read decoded
// (none when it was not decoded); -3 when the copy fails, else the read's result.
template <class Copy>
inline int copy_decoded(ReadResult r, Copy copy) {
    if (!r.decoded) return r.result;
    return copy() ? r.result : -3;
}

// The common buf_read: the read, then the copy of a decoded structure.
template <class S, class Decode, class Copy>
inline int buf_read_record(int handle, const kelvo_header *header, S *s, Decode decode, Copy copy) {
    return copy_decoded(read_decode(handle, header, s, decode), [&] { return copy(s); });
}

// The write buffer of an open handle grown to `size`, or null.
uint8_t *write_buffer(int handle, uint32_t size);

// The common writer: codes set, size computed, encoded into the handle's write
// buffer and written. A record longer than 65535 body bytes is not written (0).
template <class S, class Size, class Encode>
inline int write_record(int handle, S *s, uint8_t typ, uint8_t sub, Size size, Encode encode) {
    if (handle == -1) return -1;
    s->REC_TYP = typ;
    s->REC_SUB = sub;
    int total = size(s);
    if (total < 4 || static_cast<uint32_t>(total) > kMaxBody + 4) return 0;
    uint8_t *out = write_buffer(handle, static_cast<uint32_t>(total));
    if (!out) return 0;
    encode(s, out);
    return static_cast<int>(kelvo_write(handle, out, static_cast<uint32_t>(total)));
}

// Decodes a record from its header alone: every field absent, every default given.
// Used where a record cannot be decoded (a version-3 record without its decoder).
template <class S, class Decode>
inline void decode_header_only(S *s, const kelvo_header *header, const kelvo_attributes *attr,
                               Decode decode) {
    kelvo_header empty = *header;
    empty.REC_LEN = 0;
    decode(s, &empty, attr);
    s->REC_LEN = header_length(header, attr_cpu(attr));
}

}  // namespace kelvo::codec
