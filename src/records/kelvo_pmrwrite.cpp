// PMR writing: trailing names and a head and site of 1 are left off.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_pmrwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_pmr_size(kelvo_pmr_struct *pmr) {
    Tail t;
    t.field(pmr->SITE_NUM != 1, 1);
    t.field(pmr->HEAD_NUM != 1, 1);
    t.text(pmr->LOG_NAM);
    t.text(pmr->PHY_NAM);
    t.text(pmr->CHAN_NAM);
    t.field(pmr->CHAN_TYP != 0, 2);
    return finish_size(pmr, 2 + t.bytes());
}

KELVO_API void kelvo_pmr_to_memory(const kelvo_pmr_struct *pmr, void *out) {
    Encoder e(out, pmr->REC_LEN);
    e.leading_block(pmr, 8);  // header, PMR_INDX, CHAN_TYP
    e.cn(pmr->CHAN_NAM);
    e.cn(pmr->PHY_NAM);
    e.cn(pmr->LOG_NAM);
    e.put(pmr->HEAD_NUM);
    e.put(pmr->SITE_NUM);
}

KELVO_API int kelvo_pmrwrite(int handle, kelvo_pmr_struct *pmr) {
    return write_record(handle, pmr, 1, 60, kelvo_pmr_size, kelvo_pmr_to_memory);
}

}  // extern "C"
