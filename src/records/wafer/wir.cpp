// WIR: wafer information record.
#include "codec/layout_codec.h"
#include "records/wafer/layout.h"

KELVO_SOURCE_ID("kelvo_wirread")
KELVO_SOURCE_ID("kelvo_wirbuf_read")
KELVO_SOURCE_ID("kelvo_wirwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::wafer::wir::kLayout;

extern "C" {

KELVO_API void kelvo_wir_to_struct(kelvo_wir_struct *wir, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    layout::decode<kLayout>(wir, image, attr, status);
    // A version-3 WIR has no site group in that byte.
    if (is_v3(attr)) {
        wir->SITE_GRP = 255;
        Status(status).set(KELVO_WIR_SITE_GRP, false, false);
    }
}

KELVO_API int kelvo_wirread(int handle, const kelvo_header *header, kelvo_wir_struct *wir, uint32_t *status) {
    return read_record(handle, header, wir, status, kelvo_wir_to_struct);
}

KELVO_API int kelvo_wir_buf(kelvo_wir_struct *wir) {
    // A record that ends before WAFER_ID keeps the pointer the decoder gave it.
    if (wir->REC_LEN <= 6) return 1;
    return layout::copy<kLayout>(wir);
}

KELVO_API int kelvo_wirbuf_read(int handle, const kelvo_header *header, kelvo_wir_struct *wir, uint32_t *status) {
    return buf_read_record(handle, header, wir, status, kelvo_wir_to_struct, kelvo_wir_buf);
}

KELVO_LAYOUT_WRITERS(wir, kLayout)

}  // extern "C"
