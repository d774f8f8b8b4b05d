// FTR writing.
#include "records/results/mpr_ftr.h"

KELVO_SOURCE_ID("kelvo_ftrwrite")

using namespace kelvo;
using namespace kelvo::codec;

namespace {

// Bytes of a Dn field: the bit count and the bytes its bits fill.
uint32_t dn_bytes(const kelvo_dn &d) { return 2 + (uint32_t{d.bits} + 7) / 8; }

}  // namespace

extern "C" {

KELVO_API int kelvo_ftr_size(kelvo_ftr_struct *ftr) {
    Tail t;
    // SPIN_MAP is written only with bits, and PATG_NUM with it or when it is not 255.
    if (ftr->SPIN_MAP.data && ftr->SPIN_MAP.bits != 0) t.always(dn_bytes(ftr->SPIN_MAP) + 1);
    else t.field(ftr->PATG_NUM != 255, 1);
    t.text(ftr->RSLT_TXT);
    t.text(ftr->PROG_TXT);
    t.text(ftr->ALARM_ID);
    t.text(ftr->TEST_TXT);
    t.text(ftr->OP_CODE);
    t.text(ftr->TIME_SET);
    t.text(ftr->VECT_NAM);
    // A FAIL_PIN without bytes is written (when it has to be) as a bit count of 0.
    if (!ftr->FAIL_PIN.data) ftr->FAIL_PIN.bits = 0;
    if (ftr->FAIL_PIN.bits != 0) t.always(dn_bytes(ftr->FAIL_PIN));
    else t.field(false, 2);
    const uint32_t j = ftr->RTN_ICNT, k = ftr->PGM_ICNT;
    t.field(k != 0, 2 * k + packed(k));  // PGM_INDX, PGM_STAT
    t.field(j != 0, 2 * j + packed(j));  // RTN_INDX, RTN_STAT
    uint32_t body;
    if (t.any()) {
        body = t.bytes() + 4 + 27;  // the counts, and OPT_FLAG through VECT_OFF
    } else {
        // Nothing after the fixed numbers: the record ends where OPT_FLAG says.
        const uint8_t opt = ftr->OPT_FLAG;
        body = !(opt & KELVO_FTR_OPT_NO_VECT_OFF)   ? 27
               : !(opt & KELVO_FTR_OPT_NO_FAIL_AD)  ? 25
               : !(opt & KELVO_FTR_OPT_NO_NUM_FAIL) ? 17
               : !(opt & KELVO_FTR_OPT_NO_REPT_CNT) ? 13
               : !(opt & KELVO_FTR_OPT_NO_REL_VADR) ? 9
               : !(opt & KELVO_FTR_OPT_NO_CYCL_CNT) ? 5
                                                    : 0;
    }
    return finish_size(ftr, 7 + body);
}

KELVO_API void kelvo_ftr_to_memory(const kelvo_ftr_struct *ftr, void *out) {
    Encoder e(out, ftr->REC_LEN);
    e.leading_block(ftr, 11);
    e.put(ftr->OPT_FLAG);
    e.put(ftr->CYCL_CNT);
    e.put(ftr->REL_VADR);
    e.put(ftr->REPT_CNT);
    e.put(ftr->NUM_FAIL);
    e.put(ftr->XFAIL_AD);
    e.put(ftr->YFAIL_AD);
    e.put(ftr->VECT_OFF);
    e.put(ftr->RTN_ICNT);
    e.put(ftr->PGM_ICNT);
    e.array(ftr->RTN_INDX, ftr->RTN_ICNT, uint16_t{0});
    e.nibbles(ftr->RTN_STAT, ftr->RTN_ICNT);
    e.array(ftr->PGM_INDX, ftr->PGM_ICNT, uint16_t{0});
    e.nibbles(ftr->PGM_STAT, ftr->PGM_ICNT);
    e.dn(ftr->FAIL_PIN);
    e.cn(ftr->VECT_NAM);
    e.cn(ftr->TIME_SET);
    e.cn(ftr->OP_CODE);
    e.cn(ftr->TEST_TXT);
    e.cn(ftr->ALARM_ID);
    e.cn(ftr->PROG_TXT);
    e.cn(ftr->RSLT_TXT);
    e.put(ftr->PATG_NUM);
    e.dn(ftr->SPIN_MAP);
}

KELVO_API int kelvo_ftrwrite(int handle, kelvo_ftr_struct *ftr) {
    return write_record(handle, ftr, KELVO_FTR_TYP, KELVO_FTR_SUB, kelvo_ftr_size, kelvo_ftr_to_memory);
}

}  // extern "C"
