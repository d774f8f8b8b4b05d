// PGR decoding shared by the reader and buf_read: they report a failed growth of
// the array buffer, which the exported decoder cannot.
#pragma once

#include "codec/codec.h"

namespace kelvo::codec {

// Decodes a PGR; false when the array buffer cannot hold PMR_INDX (INDX_CNT is then
// 0 and PMR_INDX null).
bool pgr_decode(kelvo_pgr_struct *pgr, const void *image, const kelvo_attributes *attr, uint32_t *status);

// The read of both the reader and buf_read: 0 and not copied when the array buffer
// cannot be had, as when the read buffer cannot.
inline ReadResult pgr_read(int handle, const kelvo_header *header, kelvo_pgr_struct *pgr, uint32_t *status) {
    return read_decode_checked(handle, header, pgr,
                               [status](kelvo_pgr_struct *s, const void *img, const kelvo_attributes *a) {
                                   return pgr_decode(s, img, a, status);
                               });
}

}  // namespace kelvo::codec
