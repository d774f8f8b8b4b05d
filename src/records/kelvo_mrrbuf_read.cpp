// MRR: copy of the two descriptions into the string buffer.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_mrrbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

// USR_DESC at the start of the string buffer, EXC_DESC right behind its terminator,
// as a copy of the record from USR_DESC's characters on would give (EXC_DESC's length
// byte becoming USR_DESC's terminator). Each is copied from its own characters, so
// nothing past them is read, and both terminators lie inside the buffer.
KELVO_API int kelvo_mrr_buf(kelvo_mrr_struct *mrr) {
    uint32_t sum = uint32_t{mrr->USR_DESC.len} + mrr->EXC_DESC.len;
    if (sum < 1) {
        // Nothing to copy and the string buffer stays as it is; the empty strings
        // are made terminated ones (a decoder's pointer may lie at the record's end).
        set_empty(mrr->USR_DESC);
        set_empty(mrr->EXC_DESC);
        return 1;
    }
    StringCopy copy;
    if (!copy.reserve(sum + 2)) return 0;
    copy.text(mrr->USR_DESC);
    copy.text(mrr->EXC_DESC);
    return 1;
}

KELVO_API int kelvo_mrrbuf_read(int handle, const kelvo_header *header, kelvo_mrr_struct *mrr, uint32_t *status) {
    return buf_read_record(
        handle, header, mrr,
        [status](kelvo_mrr_struct *s, const void *image, const kelvo_attributes *a) {
            kelvo_mrr_to_struct(s, image, a, status);
        },
        kelvo_mrr_buf);
}

}  // extern "C"
