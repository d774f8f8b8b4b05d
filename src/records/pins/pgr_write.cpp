// PGR writing: every field always; a list too long for one record is not written.
#include "codec/codec.h"

KELVO_SOURCE_ID("kelvo_pgrwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_pgr_size(kelvo_pgr_struct *pgr) {
    pgr->GRP_NAM.len = text_length(pgr->GRP_NAM.str);
    return finish_size(pgr, 2 + 1 + uint32_t{pgr->GRP_NAM.len} + 2 + 2 * uint32_t{pgr->INDX_CNT});
}

KELVO_API void kelvo_pgr_to_memory(const kelvo_pgr_struct *pgr, void *out) {
    Encoder e(out, pgr->REC_LEN);
    e.leading_block(pgr, 6);
    e.cn(pgr->GRP_NAM);
    if (!e.room()) return;
    e.put(pgr->INDX_CNT);
    // A null list is written as indexes 0.
    e.array<uint16_t>(pgr->PMR_INDX, pgr->INDX_CNT, 0);
}

KELVO_API int kelvo_pgrwrite(int handle, kelvo_pgr_struct *pgr) {
    return write_record(handle, pgr, KELVO_PGR_TYP, KELVO_PGR_SUB, kelvo_pgr_size, kelvo_pgr_to_memory);
}

}  // extern "C"
