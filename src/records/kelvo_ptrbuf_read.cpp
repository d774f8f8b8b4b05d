// PTR: the six texts moved into the string buffer.
//
// The texts are laid out as in the record from TEST_TXT's first character on, each
// NUL written over the first byte of the field behind it; a structure fresh from the
// read buffer gets this with one block copy of the record's tail.
#include <algorithm>

#include "records/ptr.h"
#include "v3/v3_ptr.h"

KELVO_SOURCE_ID("kelvo_ptrbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

namespace {

// Where the walk puts each text (first character) in the string buffer, and the end
// of the last NUL. ALARM_ID's NUL lies on the copy of OPT_FLAG; UNITS follows 13 bytes
// later (OPT_FLAG, three scales, two limits, UNITS' length byte).
struct Layout {
    uint32_t at[6];
    uint32_t end;

    explicit Layout(const kelvo_ptr_struct *p) {
        uint32_t pos = 0;
        for (int i = 0; i < 6; ++i) {
            if (i == 2) pos += 12;
            at[i] = pos;
            pos += uint32_t{(p->*ptr::kTexts[i]).len} + 1;
        }
        end = pos;
    }
};

// The texts of the record, in the read buffer behind their length bytes, when the
// structure was decoded from the read buffer as it stands; else null.
const uint8_t *tail_in_read_buffer(const kelvo_ptr_struct *p) {
    const Buffer &rb = read_buffer();
    if (rb.capacity == 0 || uint32_t{p->REC_LEN} + 4 > rb.capacity) return nullptr;
    const uint8_t *tail = rb.data + 4 + 13;
    return reinterpret_cast<const uint8_t *>(p->TEST_TXT.str) == tail ? tail : nullptr;
}

}  // namespace

namespace kelvo::ptr {

int copy(kelvo_ptr_struct *p) {
    const Layout layout(p);
    const uint32_t rec_len = p->REC_LEN;
    // The record's tail from TEST_TXT's characters on, REC_LEN - 13 bytes.
    const uint32_t block = rec_len > 13 ? rec_len - 13 : 0;
    // Room for the tail and for every NUL of the walk, also when the record ends
    // before its last texts and the walk runs past the copied block.
    const uint32_t need = std::max(rec_len > 6 ? rec_len - 6 : 0, layout.end);

    StringCopy out;
    if (!out.reserve(need)) return 0;
    uint8_t *base = out.base();

    if (const uint8_t *tail = tail_in_read_buffer(p)) {
        std::memcpy(base, tail, block);
    } else {
        // A structure from elsewhere: gather its texts first (they may lie in the
        // string buffer itself), then put each at its place.
        char gathered[6 * 255];
        uint32_t n = 0;
        for (auto f : ptr::kTexts) {
            const kelvo_cn &s = p->*f;
            if (s.len && s.str) std::memcpy(gathered + n, s.str, s.len);
            else if (s.len) std::memset(gathered + n, 0, s.len);
            n += s.len;
        }
        n = 0;
        for (int i = 0; i < 6; ++i) {
            uint8_t len = (p->*ptr::kTexts[i]).len;
            std::memcpy(base + layout.at[i], gathered + n, len);
            n += len;
        }
    }
    for (int i = 0; i < 6; ++i) {
        kelvo_cn &s = p->*ptr::kTexts[i];
        s.str = reinterpret_cast<char *>(base + layout.at[i]);
        s.str[s.len] = '\0';
    }
    return 1;
}

}  // namespace kelvo::ptr

extern "C" {

KELVO_API int kelvo_ptr_buf(kelvo_ptr_struct *ptr) { return ptr::copy(ptr); }

KELVO_API int kelvo_ptrbuf_read(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr, uint32_t *status) {
    // The copy follows the decoder that the handle's version chose.
    const bool v4 = handle >= 0 && handle < kMaxHandles && Kelvo_file_attributes[handle].kelvo_ver >= 4;
    return buf_read_record(handle, header, ptr,
                           [handle, status](kelvo_ptr_struct *s, const uint8_t *image, const kelvo_attributes *attr) {
                               ptr::decode_by_version(handle, s, image, attr, status);
                           },
                           v4 ? ptr::copy : v3::ptr_buf);
}

}  // extern "C"
