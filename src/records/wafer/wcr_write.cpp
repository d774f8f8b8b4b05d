// WCR writing: the record ends after the last field that does not hold its
// missing-value marker; the structure's bytes are the record's.
#include "codec/codec.h"

KELVO_SOURCE_ID("kelvo_wcrwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_wcr_size(kelvo_wcr_struct *wcr) {
    uint32_t body = 0;
    // Sizes: a NaN is not equal to 0.0 and so is written.
    if (wcr->POS_Y != ' ') body = 20;
    else if (wcr->POS_X != ' ') body = 19;
    else if (wcr->CENTER_Y != -32768) body = 18;
    else if (wcr->CENTER_X != -32768) body = 16;
    else if (wcr->WF_FLAT != ' ') body = 14;
    else if (wcr->WF_UNITS != 0) body = 13;
    else if (wcr->DIE_WID != 0.0f) body = 12;
    else if (wcr->DIE_HT != 0.0f) body = 8;
    else if (wcr->WAFR_SIZ != 0.0f) body = 4;
    return finish_size(wcr, body);
}

// Copies REC_LEN + 4 bytes of the structure as they stand, as kelvo_far_to_memory
// does, never reading past the structure.
KELVO_API void kelvo_wcr_to_memory(const kelvo_wcr_struct *wcr, void *out) {
    Encoder e(out, wcr->REC_LEN);
    e.leading_block(wcr, sizeof(kelvo_wcr_struct));
}

KELVO_API int kelvo_wcrwrite(int handle, kelvo_wcr_struct *wcr) {
    return write_record(handle, wcr, KELVO_WCR_TYP, KELVO_WCR_SUB, kelvo_wcr_size, kelvo_wcr_to_memory);
}

}  // extern "C"
