// TSR: copy of the three names into the string buffer.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_tsrbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_tsr_buf(kelvo_tsr_struct *tsr) {
    return copy_texts(tsr, &kelvo_tsr_struct::TEST_NAM, &kelvo_tsr_struct::SEQ_NAME, &kelvo_tsr_struct::TEST_LBL);
}

// The same copy serves version-3 records, whose names may come from the name lists.
KELVO_API int kelvo_tsrbuf_read(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status) {
    return buf_read_record(
        handle, header, tsr,
        [handle, status](kelvo_tsr_struct *s, const void *img, const kelvo_attributes *a) {
            if (a->kelvo_ver >= 4) kelvo_tsr_to_struct(s, img, a, status);
            else kelvo_v3_tsr_to_struct(handle, s, img, a, status);
        },
        kelvo_tsr_buf);
}

}  // extern "C"
