// PRR: writing. The record ends after its last field that does not hold its
// missing value; every field before it is written.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_prrwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_prr_size(kelvo_prr_struct *prr) {
    Tail t;
    // PART_FIX counts as given; without bytes to write it is left off.
    t.field(prr->PART_FIX.data != nullptr && prr->PART_FIX.len != 0, uint32_t{prr->PART_FIX.len} + 1);
    t.text(prr->PART_TXT);
    t.text(prr->PART_ID);
    t.field(prr->TEST_T != 0, 4);
    t.field(prr->Y_COORD != -32768, 2);
    t.field(prr->X_COORD != -32768, 2);
    t.field(prr->SOFT_BIN != 65535, 2);
    return finish_size(prr, 7 + t.bytes());
}

KELVO_API void kelvo_prr_to_memory(const kelvo_prr_struct *prr, void *out) {
    Encoder e(out, prr->REC_LEN);
    e.leading_block(prr, 7);
    e.put(prr->NUM_TEST);
    e.put(prr->HARD_BIN);
    e.put(prr->SOFT_BIN);
    e.put(prr->X_COORD);
    e.put(prr->Y_COORD);
    e.put(prr->TEST_T);
    e.cn(prr->PART_ID);
    e.cn(prr->PART_TXT);
    e.bn(prr->PART_FIX);
}

KELVO_API int kelvo_prrwrite(int handle, kelvo_prr_struct *prr) {
    return write_record(handle, prr, 5, 20, kelvo_prr_size, kelvo_prr_to_memory);
}

}  // extern "C"
