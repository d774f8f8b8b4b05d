// Version-3 PMR: not decoded yet. The structure gets the record's defaults (every
// field absent) and the status words say so; REC_LEN stays the record's.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_v3_pmr")

using namespace kelvo;

extern "C" {

KELVO_API void kelvo_v3_pmr_to_struct(kelvo_pmr_struct *pmr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status) {
    codec::decode_header_only(pmr, static_cast<const kelvo_header *>(image), attr,
                              [status](kelvo_pmr_struct *s, const void *img, const kelvo_attributes *a) {
                                  kelvo_pmr_to_struct(s, img, a, status);
                              });
}

KELVO_API int kelvo_v3_pmr_buf(kelvo_pmr_struct *) { return 1; }

}  // extern "C"
