// Arrays of MPR and FTR: the array buffer their decoders fill, the converted arrays, and
// the one-block copy of texts that lie back to back in a record.
#pragma once

#include <cstddef>

#include "codec/codec.h"

namespace kelvo::codec {

// The array buffer, grown to exactly `need` bytes when it holds less; null when it
// cannot be had.
inline uint8_t *array_storage(uint32_t need) {
    Buffer &b = array_buffer();
    return b.reserve(need) ? b.data : nullptr;
}

// An array that the decoder converts into the array buffer at `offset`. Absent: null.
// Present: `fill` converts it and moves the view past its `wire` bytes; when the
// array buffer could not be had it stays null and the view only skips those bytes.
template <class T, class Fill>
inline bool converted_array(View &v, uint8_t *arrays, uint32_t offset, uint32_t wire, T *&out, Fill fill) {
    if (!v.present()) {
        out = nullptr;
        return false;
    }
    if (!arrays) {
        out = nullptr;
        v.skip(wire);
        return true;
    }
    out = reinterpret_cast<T *>(arrays + offset);
    fill(out);
    return true;
}

// Bytes of n states packed two to a byte.
constexpr uint32_t packed(uint32_t n) { return (n + 1) / 2; }

// Copies a run of `n` counted strings into the string buffer, each NUL-terminated.
// When every text begins one byte (the next length byte) after the end of the one
// before, as decoded from a record, the run is moved as one block and each text is
// terminated in place over the following length byte; otherwise text by text.
inline void copy_run(StringCopy &copy, kelvo_cn *const *run, size_t n) {
    const kelvo_cn *prev = nullptr;
    bool block = true;
    uint32_t span = 0;
    for (size_t k = 0; k < n; ++k) {
        const kelvo_cn *s = run[k];
        if (!s->str ||
            (prev && reinterpret_cast<uintptr_t>(s->str) != reinterpret_cast<uintptr_t>(prev->str) + prev->len + 1))
            block = false;
        span += uint32_t{s->len} + 1;
        prev = s;
    }
    if (!block || span == 0) {
        for (size_t k = 0; k < n; ++k) copy.text(*run[k]);
        return;
    }
    uint32_t start = copy.pos();
    char *dst = copy.bytes(run[0]->str, span - 1);
    uint32_t off = 0;
    for (size_t k = 0; k < n; ++k) {
        run[k]->str = dst + off;
        off += run[k]->len;
        dst[off++] = '\0';
    }
    copy.seek(start + span);
}

}  // namespace kelvo::codec
