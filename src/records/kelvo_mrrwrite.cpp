// MRR writing. The embedded PCR is not part of the record.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_mrrwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

// DISP_COD is left off only with both strings; once a string is written, USR_DESC's
// length byte is too (a single 0 when empty), EXC_DESC only when not empty.
KELVO_API int kelvo_mrr_size(kelvo_mrr_struct *mrr) {
    mrr->EXC_DESC.len = text_length(mrr->EXC_DESC.str);
    mrr->USR_DESC.len = text_length(mrr->USR_DESC.str);
    uint32_t body;
    if (mrr->USR_DESC.len == 0 && mrr->EXC_DESC.len == 0) {
        body = mrr->DISP_COD == ' ' ? 4 : 5;
    } else {
        body = 6 + mrr->USR_DESC.len;
        if (mrr->EXC_DESC.len != 0) body += 1 + mrr->EXC_DESC.len;
    }
    return finish_size(mrr, body);
}

KELVO_API void kelvo_mrr_to_memory(const kelvo_mrr_struct *mrr, void *out) {
    Encoder e(out, mrr->REC_LEN);
    e.leading_block(mrr, 9);  // header, FINISH_T, DISP_COD
    e.cn(mrr->USR_DESC);
    e.cn(mrr->EXC_DESC);
}

KELVO_API int kelvo_mrrwrite(int handle, kelvo_mrr_struct *mrr) {
    return write_record(handle, mrr, 1, 20, kelvo_mrr_size, kelvo_mrr_to_memory);
}

}  // extern "C"
