// Version-3 WRR: not decoded yet. The structure gets the record's defaults (every
// field absent) and the status words say so; REC_LEN stays the record's.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_v3_wrr")

using namespace kelvo;

extern "C" {

KELVO_API void kelvo_v3_wrr_to_struct(kelvo_wrr_struct *wrr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status) {
    codec::decode_header_only(wrr, static_cast<const kelvo_header *>(image), attr,
                              [status](kelvo_wrr_struct *s, const void *img, const kelvo_attributes *a) {
                                  kelvo_wrr_to_struct(s, img, a, status);
                              });
}

KELVO_API int kelvo_v3_wrr_buf(kelvo_wrr_struct *) { return 1; }

}  // extern "C"
