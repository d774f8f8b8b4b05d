// Arrays of MPR and FTR: the array buffer their decoders fill, the converted arrays, and
// the one-block copy of texts that lie back to back in a record.
#pragma once

#include <initializer_list>

#include "codec/codec.h"

namespace kelvo::codec {

// The array buffer, grown to exactly `need` bytes when it holds less; null when it
// cannot be had.
inline uint8_t *array_storage(uint32_t need) {
    Buffer &b = array_buffer();
    return b.reserve(need) ? b.data : nullptr;
}

// Copies a run of counted strings into the string buffer, each NUL-terminated.
// When every text begins one byte (the next length byte) after the end of the one
// before, as decoded from a record, the run is moved as one block and each text is
// terminated in place over the following length byte; otherwise text by text.
inline void copy_run(StringCopy &copy, std::initializer_list<kelvo_cn *> run) {
    const kelvo_cn *prev = nullptr;
    bool block = true;
    uint32_t span = 0;
    for (const kelvo_cn *s : run) {
        if (!s->str ||
            (prev && reinterpret_cast<uintptr_t>(s->str) != reinterpret_cast<uintptr_t>(prev->str) + prev->len + 1))
            block = false;
        span += uint32_t{s->len} + 1;
        prev = s;
    }
    if (!block || span == 0) {
        for (kelvo_cn *s : run) copy.text(*s);
        return;
    }
    uint32_t start = copy.pos();
    char *dst = copy.bytes((*run.begin())->str, span - 1);
    uint32_t off = 0;
    for (kelvo_cn *s : run) {
        s->str = dst + off;
        off += s->len;
        dst[off++] = '\0';
    }
    copy.seek(start + span);
}

// The _buf of MPR and FTR: runs of texts copied one after another; 1, or 0 when the
// string buffer cannot be had. Every terminator lies inside the room reserved.
inline int copy_runs(std::initializer_list<std::initializer_list<kelvo_cn *>> runs) {
    uint32_t need = 0;
    for (auto run : runs)
        for (const kelvo_cn *s : run) need += uint32_t{s->len} + 1;
    StringCopy copy;
    if (!copy.reserve(need)) return 0;
    for (auto run : runs) copy_run(copy, run);
    return 1;
}

}  // namespace kelvo::codec
