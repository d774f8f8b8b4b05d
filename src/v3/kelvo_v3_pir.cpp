// Version-3 PIR: placeholder until the version-3 layout is decoded. Only the header
// is taken; HEAD_NUM and SITE_NUM are 0 and no part state is kept.
#include "v3/v3_pir.h"

#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_v3_pir")

namespace kelvo::v3 {

void pir_to_struct(kelvo_pir_struct *pir, const void *image, const kelvo_attributes *attr, int) {
    kelvo_header header;
    std::memcpy(&header, image, sizeof header);
    codec::decode_header_only(pir, &header, attr, kelvo_pir_to_struct);
}

}  // namespace kelvo::v3
