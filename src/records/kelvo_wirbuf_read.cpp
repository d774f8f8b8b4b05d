// WIR: copy of the wafer identification into the string buffer.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_wirbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_wir_buf(kelvo_wir_struct *wir) {
    // A record that ends before WAFER_ID keeps the pointer the decoder gave it.
    if (wir->REC_LEN <= 6) return 1;
    return copy_texts(wir, &kelvo_wir_struct::WAFER_ID);
}

KELVO_API int kelvo_wirbuf_read(int handle, const kelvo_header *header, kelvo_wir_struct *wir, uint32_t *status) {
    return buf_read_record(
        handle, header, wir,
        [status](kelvo_wir_struct *s, const void *img, const kelvo_attributes *a) {
            kelvo_wir_to_struct(s, img, a, status);
        },
        kelvo_wir_buf);
}

}  // extern "C"
