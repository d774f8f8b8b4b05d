// WRR: wafer results record. A version-3 handle's records are decoded and copied by the
// version-3 operations.
#include "codec/layout_codec.h"
#include "records/wafer/layout.h"

KELVO_SOURCE_ID("kelvo_wrrread")
KELVO_SOURCE_ID("kelvo_wrrbuf_read")
KELVO_SOURCE_ID("kelvo_wrrwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::wafer::wrr::kLayout;

extern "C" {

KELVO_API void kelvo_wrr_to_struct(kelvo_wrr_struct *wrr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    layout::decode<kLayout>(wrr, image, attr, status);
}

KELVO_API int kelvo_wrrread(int handle, const kelvo_header *header, kelvo_wrr_struct *wrr, uint32_t *status) {
    return read_record(handle, header, wrr, [status](kelvo_wrr_struct *s, const void *img, const kelvo_attributes *a) {
        if (!is_v3(a)) kelvo_wrr_to_struct(s, img, a, status);
        else kelvo_v3_wrr_to_struct(s, img, a, status);
    });
}

KELVO_API int kelvo_wrr_buf(kelvo_wrr_struct *wrr) {
    // A record that ends before the texts keeps the pointers the decoder gave them.
    if (wrr->REC_LEN <= 26) return 1;
    return layout::copy<kLayout>(wrr);
}

KELVO_API int kelvo_wrrbuf_read(int handle, const kelvo_header *header, kelvo_wrr_struct *wrr, uint32_t *status) {
    const kelvo_attributes *attr = handle_attributes(handle);
    bool v4 = !is_v3(attr);
    return buf_read_record(
        handle, header, wrr,
        [v4, status](kelvo_wrr_struct *s, const void *img, const kelvo_attributes *a) {
            if (v4) kelvo_wrr_to_struct(s, img, a, status);
            else kelvo_v3_wrr_to_struct(s, img, a, status);
        },
        [v4](kelvo_wrr_struct *s) { return v4 ? kelvo_wrr_buf(s) : kelvo_v3_wrr_buf(s); });
}

KELVO_LAYOUT_WRITERS(wrr, kLayout)

}  // extern "C"
