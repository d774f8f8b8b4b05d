// The string-buffer copy of _buf.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "file/internal.h"

namespace kelvo::codec {

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

}  // namespace kelvo::codec
