// BPS: copy of the name into the string buffer (shared with DTR).
#include "records/sections/text_record.h"

KELVO_SOURCE_ID("kelvo_bpsbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

namespace kelvo::text_record {

int copy(uint16_t rec_len, kelvo_cn &text) {
    // Only the stated characters are copied, so that a structure whose REC_LEN does
    // not match its string never makes the copy read beyond the string.
    uint32_t need = std::max(uint32_t{rec_len}, uint32_t{text.len}) + 1;
    StringCopy copy;
    if (!copy.reserve(need)) return 0;
    copy.text(text);
    return 1;
}

}  // namespace kelvo::text_record

extern "C" {

KELVO_API int kelvo_bps_buf(kelvo_bps_struct *bps) { return text_record::copy(bps->REC_LEN, bps->SEQ_NAME); }

KELVO_API int kelvo_bpsbuf_read(int handle, const kelvo_header *header, kelvo_bps_struct *bps, uint32_t *status) {
    return buf_read_record(
        handle, header, bps,
        [status](kelvo_bps_struct *s, const void *img, const kelvo_attributes *a) { kelvo_bps_to_struct(s, img, a, status); },
        kelvo_bps_buf);
}

}  // extern "C"
