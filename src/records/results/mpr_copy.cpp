// MPR: copy of the texts into the string buffer; the arrays stay in the array buffer.
#include "records/results/mpr_ftr.h"

KELVO_SOURCE_ID("kelvo_mprbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_mpr_buf(kelvo_mpr_struct *mpr) {
    // Two runs of texts in the record (the limits and RTN_INDX lie between them),
    // packed back to back in the string buffer.
    return copy_runs({{&mpr->TEST_TXT, &mpr->ALARM_ID},
                      {&mpr->UNITS, &mpr->UNITS_IN, &mpr->C_RESFMT, &mpr->C_LLMFMT, &mpr->C_HLMFMT}});
}

KELVO_API int kelvo_mprbuf_read(int handle, const kelvo_header *header, kelvo_mpr_struct *mpr,
                                uint32_t *status) {
    return copy_decoded(read_decode_checked(handle, header, mpr,
                                            [status](kelvo_mpr_struct *s, const void *image,
                                                     const kelvo_attributes *attr) {
                                                return mpr_decode(s, image, attr, status);
                                            }),
                        [mpr] { return kelvo_mpr_buf(mpr); });
}

}  // extern "C"
