// BPS: begin program section.
#include "records/sections/text_record.h"

KELVO_SOURCE_ID("kelvo_bpsread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_bps_struct, REC_TYP) == 2 && offsetof(kelvo_bps_struct, REC_SUB) == 3);
static_assert(offsetof(kelvo_bps_struct, SEQ_NAME) >= 4);

extern "C" {

KELVO_API void kelvo_bps_to_struct(kelvo_bps_struct *bps, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    // A BPS of REC_LEN 0 has no name at all.
    bool present = text_record::decode(bps, bps->SEQ_NAME, image, attr);
    Status(status).text(0, present, bps->SEQ_NAME);
}

KELVO_API int kelvo_bpsread(int handle, const kelvo_header *header, kelvo_bps_struct *bps, uint32_t *status) {
    return read_record(handle, header, bps, [status](kelvo_bps_struct *s, const void *img, const kelvo_attributes *a) {
        kelvo_bps_to_struct(s, img, a, status);
    });
}

}  // extern "C"
