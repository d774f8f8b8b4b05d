// Version-3 PTR: not decoded yet. The structure gets the record's defaults, as if
// every field after the header were absent, so that a version-3 handle is safe.
#include "v3/v3_ptr.h"

#include "records/ptr.h"

KELVO_SOURCE_ID("kelvo_v3_ptr")

namespace kelvo::v3 {

void ptr_to_struct(int, kelvo_ptr_struct *ptr, const void *image, const kelvo_attributes *attr,
                   uint32_t *status) {
    codec::decode_header_only(ptr, static_cast<const kelvo_header *>(image), attr,
                              [status](kelvo_ptr_struct *s, const void *img, const kelvo_attributes *a) {
                                  ptr::decode(s, img, a, status);
                              });
}

// Nothing was taken from the record: every text is the static empty string.
int ptr_buf(kelvo_ptr_struct *) { return 1; }

}  // namespace kelvo::v3
