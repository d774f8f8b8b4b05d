// Version-3 PRR: placeholder until the version-3 layout is decoded. Only the header
// is taken; every other field gets its missing value and its status bits cleared.
#include "v3/v3_prr.h"

#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_v3_prr")

namespace kelvo::v3 {

void prr_to_struct(kelvo_prr_struct *prr, const void *image, const kelvo_attributes *attr, uint32_t *status,
                   int) {
    kelvo_header header;
    std::memcpy(&header, image, sizeof header);
    codec::decode_header_only(prr, &header, attr,
                              [status](kelvo_prr_struct *s, const void *img, const kelvo_attributes *a) {
                                  kelvo_prr_to_struct(s, img, a, status);
                              });
}

}  // namespace kelvo::v3
