// WIR: wafer information record.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_wirread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_wir_struct, HEAD_NUM) == 4);
static_assert(offsetof(kelvo_wir_struct, SITE_GRP) == 5);
static_assert(offsetof(kelvo_wir_struct, START_T) == 8);

extern "C" {

KELVO_API void kelvo_wir_to_struct(kelvo_wir_struct *wir, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(wir, 6);
    // A version-3 WIR has no site group in that byte.
    bool v4 = v.version() >= 4;
    if (!v4) wir->SITE_GRP = 255;
    st.set(0, v4, wir->SITE_GRP != 255);
    wir->START_T = v.integer_at<uint32_t>(6);
    v.seek(10);
    st.text(1, v.cn(wir->WAFER_ID), wir->WAFER_ID);
    v.fix_header(wir);
}

KELVO_API int kelvo_wirread(int handle, const kelvo_header *header, kelvo_wir_struct *wir, uint32_t *status) {
    return read_record(handle, header, wir, [status](kelvo_wir_struct *s, const void *img, const kelvo_attributes *a) {
        kelvo_wir_to_struct(s, img, a, status);
    });
}

}  // extern "C"
