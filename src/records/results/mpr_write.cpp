// MPR writing.
#include "records/results/mpr_ftr.h"

KELVO_SOURCE_ID("kelvo_mprwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_mpr_size(kelvo_mpr_struct *mpr) {
    const uint8_t opt = mpr->OPT_FLAG;
    const uint32_t j = mpr->RTN_ICNT, r = mpr->RSLT_CNT;
    Tail t;
    t.field((opt & KELVO_PTR_OPT_NO_HI_SPEC) == 0, 4);
    t.field((opt & KELVO_PTR_OPT_NO_LO_SPEC) == 0, 4);
    t.text(mpr->C_HLMFMT);
    t.text(mpr->C_LLMFMT);
    t.text(mpr->C_RESFMT);
    t.text(mpr->UNITS_IN);
    t.text(mpr->UNITS);
    t.always(2 * j);                // RTN_INDX
    t.field((opt & KELVO_MPR_OPT_NO_START_IN) == 0, 8);  // START_IN, INCR_IN
    t.field((opt & KELVO_PTR_OPT_NO_HI_LIMIT) == 0, 4);
    t.field((opt & KELVO_PTR_OPT_NO_LO_LIMIT) == 0, 4);
    t.field((opt & KELVO_PTR_OPT_NO_HI_LIMIT) == 0, 1);  // HLM_SCAL
    t.field((opt & KELVO_PTR_OPT_NO_LO_LIMIT) == 0, 1);  // LLM_SCAL
    t.field((opt & KELVO_PTR_OPT_NO_RES_SCAL) == 0, 2);  // with OPT_FLAG
    t.text(mpr->ALARM_ID);
    t.text(mpr->TEST_TXT);
    t.always(4 * r + packed(j));    // RTN_RSLT, RTN_STAT
    t.field(r != 0, 2);             // RSLT_CNT
    t.field(j != 0, 2);             // RTN_ICNT
    return finish_size(mpr, 8 + t.bytes());
}

KELVO_API void kelvo_mpr_to_memory(const kelvo_mpr_struct *mpr, void *out) {
    Encoder e(out, mpr->REC_LEN);
    e.leading_block(mpr, 12);
    e.put(mpr->RTN_ICNT);
    e.put(mpr->RSLT_CNT);
    e.nibbles(mpr->RTN_STAT, mpr->RTN_ICNT);
    e.array(mpr->RTN_RSLT, mpr->RSLT_CNT, missing_r4());
    e.cn(mpr->TEST_TXT);
    e.cn(mpr->ALARM_ID);
    e.put(mpr->OPT_FLAG);
    e.put(mpr->RES_SCAL);
    e.put(mpr->LLM_SCAL);
    e.put(mpr->HLM_SCAL);
    e.put(mpr->LO_LIMIT);
    e.put(mpr->HI_LIMIT);
    e.put(mpr->START_IN);
    e.put(mpr->INCR_IN);
    e.array(mpr->RTN_INDX, mpr->RTN_ICNT, uint16_t{0});
    e.cn(mpr->UNITS);
    e.cn(mpr->UNITS_IN);
    e.cn(mpr->C_RESFMT);
    e.cn(mpr->C_LLMFMT);
    e.cn(mpr->C_HLMFMT);
    e.put(mpr->LO_SPEC);
    e.put(mpr->HI_SPEC);
}

KELVO_API int kelvo_mprwrite(int handle, kelvo_mpr_struct *mpr) {
    return write_record(handle, mpr, KELVO_MPR_TYP, KELVO_MPR_SUB, kelvo_mpr_size, kelvo_mpr_to_memory);
}

}  // extern "C"
