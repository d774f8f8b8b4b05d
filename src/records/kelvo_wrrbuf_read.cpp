// WRR: copy of the six texts into the string buffer.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_wrrbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_wrr_buf(kelvo_wrr_struct *wrr) {
    // A record that ends before the texts keeps the pointers the decoder gave them.
    if (wrr->REC_LEN <= 26) return 1;
    return copy_texts(wrr, &kelvo_wrr_struct::WAFER_ID, &kelvo_wrr_struct::FABWF_ID, &kelvo_wrr_struct::FRAME_ID,
                      &kelvo_wrr_struct::MASK_ID, &kelvo_wrr_struct::USR_DESC, &kelvo_wrr_struct::EXC_DESC);
}

KELVO_API int kelvo_wrrbuf_read(int handle, const kelvo_header *header, kelvo_wrr_struct *wrr, uint32_t *status) {
    const kelvo_attributes *attr = handle_attributes(handle);
    bool v4 = attr && attr->kelvo_ver >= 4;
    return buf_read_record(
        handle, header, wrr,
        [v4, status](kelvo_wrr_struct *s, const void *img, const kelvo_attributes *a) {
            if (v4) kelvo_wrr_to_struct(s, img, a, status);
            else kelvo_v3_wrr_to_struct(s, img, a, status);
        },
        [v4](kelvo_wrr_struct *s) { return v4 ? kelvo_wrr_buf(s) : kelvo_v3_wrr_buf(s); });
}

}  // extern "C"
