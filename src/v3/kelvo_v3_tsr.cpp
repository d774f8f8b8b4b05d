// Version-3 TSR: not decoded yet. The structure gets the record's defaults (every
// field absent) and the status words say so; REC_LEN stays the record's.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_v3_tsr")

using namespace kelvo;

extern "C" {

KELVO_API void kelvo_v3_tsr_to_struct(int, kelvo_tsr_struct *tsr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status) {
    codec::decode_header_only(tsr, static_cast<const kelvo_header *>(image), attr,
                              [status](kelvo_tsr_struct *s, const void *img, const kelvo_attributes *a) {
                                  kelvo_tsr_to_struct(s, img, a, status);
                              });
}

}  // extern "C"
