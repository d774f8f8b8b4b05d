// PGR decoding shared by the reader and buf_read: they report a failed growth of
// the array buffer, which the exported decoder cannot.
#pragma once

#include "records/codec.h"

namespace kelvo::codec {

// Decodes a PGR; false when the array buffer cannot hold PMR_INDX (INDX_CNT is then
// 0 and PMR_INDX null).
bool pgr_decode(kelvo_pgr_struct *pgr, const void *image, const kelvo_attributes *attr, uint32_t *status);

}  // namespace kelvo::codec
