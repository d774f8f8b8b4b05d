// BPS and DTR: records that hold one counted string behind the header. The two
// structures share one layout, so one copy and one encoder serve both.
#pragma once

#include "codec/codec.h"

namespace kelvo::text_record {

// Decodes the header and the string. The string begins at offset 4 when the record
// holds that byte; a length byte outside the record counts as 0 and the string is
// cut to the characters the record holds. Returns whether the string is present.
template <class S>
inline bool decode(S *s, kelvo_cn &text, const void *image, const kelvo_attributes *attr) {
    codec::View v(image, attr);
    v.leading_block(s, 4);
    bool present = v.cn(text);
    v.fix_header(s);
    return present;
}

// Copies the string to the start of the string buffer, NUL-terminated (also an
// empty one); the buffer holds at least REC_LEN + 1 bytes afterwards. 0 when the
// buffer cannot be had.
int copy(uint16_t rec_len, kelvo_cn &text);

// The header bytes of the structure, then, when REC_LEN is above 0, the length byte
// and the characters; nothing at or past REC_LEN + 4.
void encode(const void *structure, uint16_t rec_len, const kelvo_cn &text, void *out);

}  // namespace kelvo::text_record
