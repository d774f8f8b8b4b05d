// Version-3 PMR: not decoded yet. The structure gets the record's defaults (every
// field absent) and the status words say so; REC_LEN stays the record's.
#include "records/codec.h"
#include "v3/v3_pmr.h"

KELVO_SOURCE_ID("kelvo_v3_pmr")

namespace kelvo::v3 {

void pmr_to_struct(kelvo_pmr_struct *pmr, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    codec::decode_header_only(pmr, static_cast<const kelvo_header *>(image), attr,
                              [status](kelvo_pmr_struct *s, const void *img, const kelvo_attributes *a) {
                                  kelvo_pmr_to_struct(s, img, a, status);
                              });
}

// The texts of the stub's structure are the static empty string: nothing to copy.
int pmr_buf(kelvo_pmr_struct *) { return 1; }

}  // namespace kelvo::v3
