// Version-3 WRR: not decoded yet. The structure gets the record's defaults (every
// field absent) and the status words say so; REC_LEN stays the record's.
#include "records/codec.h"
#include "v3/v3_wrr.h"

KELVO_SOURCE_ID("kelvo_v3_wrr")

namespace kelvo::v3 {

void wrr_to_struct(kelvo_wrr_struct *wrr, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    codec::decode_header_only(wrr, static_cast<const kelvo_header *>(image), attr,
                              [status](kelvo_wrr_struct *s, const void *img, const kelvo_attributes *a) {
                                  kelvo_wrr_to_struct(s, img, a, status);
                              });
}

// The texts of the stub's structure are the static empty string: nothing to copy.
int wrr_buf(kelvo_wrr_struct *) { return 1; }

}  // namespace kelvo::v3
