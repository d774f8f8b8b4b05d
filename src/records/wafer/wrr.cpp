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

KELVO_LAYOUT_READER(wrr, kLayout, kelvo_v3_wrr_to_struct)

KELVO_API int kelvo_wrr_buf(kelvo_wrr_struct *wrr) {
    // A record that ends before the texts keeps the pointers the decoder gave them.
    if (wrr->REC_LEN <= 26) return 1;
    return layout::copy<kLayout>(wrr);
}

KELVO_API int kelvo_wrrbuf_read(int handle, const kelvo_header *header, kelvo_wrr_struct *wrr, uint32_t *status) {
    return buf_read_record(handle, header, wrr, status, kelvo_wrr_to_struct, kelvo_wrr_buf, kelvo_v3_wrr_to_struct,
                           kelvo_v3_wrr_buf);
}

KELVO_LAYOUT_WRITERS(wrr, kLayout)

}  // extern "C"
