// ATR: audit trail record.
#include "codec/layout_codec.h"
#include "records/origin/layout.h"

KELVO_SOURCE_ID("kelvo_atrread")
KELVO_SOURCE_ID("kelvo_atrbuf_read")
KELVO_SOURCE_ID("kelvo_atrwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::origin::atr::kLayout;

extern "C" {

KELVO_API void kelvo_atr_to_struct(kelvo_atr_struct *atr, const void *image, const kelvo_attributes *attr) {
    layout::decode<kLayout>(atr, image, attr, nullptr);
}

KELVO_API int kelvo_atrread(int handle, const kelvo_header *header, kelvo_atr_struct *atr) {
    return read_record(handle, header, atr, kelvo_atr_to_struct);
}

KELVO_API int kelvo_atr_buf(kelvo_atr_struct *atr) { return layout::copy_unless_empty<kLayout>(atr); }

KELVO_API int kelvo_atrbuf_read(int handle, const kelvo_header *header, kelvo_atr_struct *atr) {
    return buf_read_record(handle, header, atr, kelvo_atr_to_struct, kelvo_atr_buf);
}

KELVO_LAYOUT_WRITERS(atr, kLayout)

}  // extern "C"
