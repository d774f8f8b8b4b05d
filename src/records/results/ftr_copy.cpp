// FTR: copy of the texts into the string buffer; the arrays stay in the array
// buffer and FAIL_PIN and SPIN_MAP in the read buffer.
#include "records/results/mpr_ftr.h"

KELVO_SOURCE_ID("kelvo_ftrbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_ftr_buf(kelvo_ftr_struct *ftr) {
    return copy_runs({{&ftr->VECT_NAM, &ftr->TIME_SET, &ftr->OP_CODE, &ftr->TEST_TXT, &ftr->ALARM_ID,
                       &ftr->PROG_TXT, &ftr->RSLT_TXT}});
}

KELVO_API int kelvo_ftrbuf_read(int handle, const kelvo_header *header, kelvo_ftr_struct *ftr,
                                uint32_t *status) {
    return copy_decoded(ftr_read(handle, header, ftr, status), [handle, ftr] {
        return !is_v3(handle) ? kelvo_ftr_buf(ftr) : kelvo_v3_ftr_buf(ftr);
    });
}

}  // extern "C"
