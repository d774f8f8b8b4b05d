// PTR: the six texts moved into the string buffer.
//
// The texts are laid out as in the record from TEST_TXT's first character on, each
// NUL written over the first byte of the field behind it; a structure fresh from the
// read buffer gets this with one block copy of the record's tail.
#include <algorithm>
#include <array>

#include "records/ptr.h"

KELVO_SOURCE_ID("kelvo_ptrbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

namespace {

// The texts of the record, in the read buffer behind their length bytes, when the
// structure was decoded from the read buffer as it stands; else null.
const uint8_t *tail_in_read_buffer(const kelvo_ptr_struct *p) {
    const Buffer &rb = read_buffer();
    if (rb.capacity == 0 || uint32_t{p->REC_LEN} + 4 > rb.capacity) return nullptr;
    const uint8_t *tail = rb.data + 4 + 13;
    return reinterpret_cast<const uint8_t *>(p->TEST_TXT.str) == tail ? tail : nullptr;
}

// The six texts in wire order.
inline std::array<kelvo_cn *, 6> texts(kelvo_ptr_struct *p) {
    return {&p->TEST_TXT, &p->ALARM_ID, &p->UNITS, &p->C_RESFMT, &p->C_LLMFMT, &p->C_HLMFMT};
}

// The texts of a structure from elsewhere, each put at its place in the string
// buffer. They are gathered first, as they may lie in the string buffer itself.
[[gnu::noinline]] void place_texts(kelvo_ptr_struct *p, const uint32_t at[6], uint8_t *base) {
    const auto text = texts(p);
    char gathered[6 * 255];
    uint32_t n = 0;
    for (const kelvo_cn *t : text) {
        if (t->str) std::memcpy(gathered + n, t->str, t->len);
        else std::memset(gathered + n, 0, t->len);
        n += t->len;
    }
    n = 0;
    for (int i = 0; i < 6; ++i) {
        std::memcpy(base + at[i], gathered + n, text[i]->len);
        n += text[i]->len;
    }
}

// Room for the record's tail from TEST_TXT's characters on (REC_LEN - 13 bytes) and
// for every NUL of the walk, also when the record ends before its last texts.
uint32_t need(const kelvo_ptr_struct *p, uint32_t walk_end) {
    return std::max(p->REC_LEN > 6 ? p->REC_LEN - 6u : 0u, walk_end);
}

// The copy of a structure with characters to move.
[[gnu::noinline]] int copy_walk(kelvo_ptr_struct *p) {
    const auto text = texts(p);
    // Where the walk puts each text: one after the other, each followed by its NUL;
    // ALARM_ID's NUL lies on the copy of OPT_FLAG, and UNITS follows 13 bytes later
    // (OPT_FLAG, three scales, two limits, UNITS' length byte).
    uint32_t at[6], end = 0;
    for (int i = 0; i < 6; ++i) {
        if (i == 2) end += 12;
        at[i] = end;
        end += uint32_t{text[i]->len} + 1;
    }
    StringCopy out;
    if (!out.reserve(need(p, end))) return 0;
    uint8_t *base = out.base();
    if (const uint8_t *tail = tail_in_read_buffer(p)) std::memcpy(base, tail, p->REC_LEN > 13 ? p->REC_LEN - 13u : 0u);
    else place_texts(p, at, base);
    for (int i = 0; i < 6; ++i) {
        text[i]->str = reinterpret_cast<char *>(base + at[i]);
        base[at[i] + text[i]->len] = '\0';
    }
    return 1;
}

}  // namespace

namespace kelvo::ptr {

int copy(kelvo_ptr_struct *p) {
    if (p->TEST_TXT.len | p->ALARM_ID.len | p->UNITS.len | p->C_RESFMT.len | p->C_LLMFMT.len | p->C_HLMFMT.len)
        return copy_walk(p);
    // No characters (the usual PTR after a test's first): six NULs at their places.
    constexpr uint32_t kAt[6] = {0, 1, 14, 15, 16, 17};
    StringCopy out;
    if (!out.reserve(need(p, kAt[5] + 1))) return 0;
    const auto text = texts(p);
    for (int i = 0; i < 6; ++i) {
        text[i]->str = reinterpret_cast<char *>(out.base() + kAt[i]);
        *text[i]->str = '\0';
    }
    return 1;
}

}  // namespace kelvo::ptr

extern "C" {

KELVO_API int kelvo_ptr_buf(kelvo_ptr_struct *ptr) { return ptr::copy(ptr); }

KELVO_API int kelvo_ptrbuf_read(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr, uint32_t *status) {
    // The copy follows the decoder that the handle's version chose.
    const bool v4 = handle >= 0 && handle < kMaxHandles && Kelvo_file_attributes[handle].kelvo_ver >= 4;
    return copy_decoded(read_decode_checked(handle, header, ptr,
                                            [handle, status](kelvo_ptr_struct *s, const uint8_t *image,
                                                             const kelvo_attributes *attr) {
                                                return ptr::decode_by_version(handle, s, image, attr, status);
                                            }),
                        [v4, ptr] { return v4 ? ptr::copy(ptr) : kelvo_v3_ptr_buf(ptr); });
}

}  // extern "C"
