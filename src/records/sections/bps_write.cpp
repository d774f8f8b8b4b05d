// BPS writing; the encoder is shared with DTR.
#include "records/sections/text_record.h"

KELVO_SOURCE_ID("kelvo_bpswrite")

using namespace kelvo;
using namespace kelvo::codec;

namespace kelvo::text_record {

void encode(const void *structure, uint16_t rec_len, const kelvo_cn &text, void *out) {
    Encoder e(out, rec_len);
    e.raw(structure, 4);
    e.cn(text);
}

}  // namespace kelvo::text_record

extern "C" {

KELVO_API int kelvo_bps_size(kelvo_bps_struct *bps) {
    // A BPS without a name is the bare header.
    bps->SEQ_NAME.len = text_length(bps->SEQ_NAME.str);
    return finish_size(bps, bps->SEQ_NAME.len ? bps->SEQ_NAME.len + 1u : 0u);
}

KELVO_API void kelvo_bps_to_memory(const kelvo_bps_struct *bps, void *out) {
    text_record::encode(bps, bps->REC_LEN, bps->SEQ_NAME, out);
}

KELVO_API int kelvo_bpswrite(int handle, kelvo_bps_struct *bps) {
    return write_record(handle, bps, KELVO_BPS_TYP, KELVO_BPS_SUB, kelvo_bps_size, kelvo_bps_to_memory);
}

}  // extern "C"
