// Version-3 FTR. Until its layout is decoded, a version-3 FTR reads as a record
// that holds none of its optional fields.
#include "v3/v3_ftr.h"

#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_v3_ftr")

namespace kelvo::v3 {

void ftr_to_struct(int, kelvo_ftr_struct *ftr, const void *image, const kelvo_attributes *attr,
                   uint32_t *status) {
    codec::decode_header_only(ftr, static_cast<const kelvo_header *>(image), attr,
                              [status](kelvo_ftr_struct *s, const void *img, const kelvo_attributes *a) {
                                  kelvo_ftr_to_struct(s, img, a, status);
                              });
}

int ftr_buf(kelvo_ftr_struct *) { return 1; }

}  // namespace kelvo::v3
