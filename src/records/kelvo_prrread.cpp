// PRR: part results record.
#include "records/kelvo_part.h"

KELVO_SOURCE_ID("kelvo_prrread")

using namespace kelvo;
using namespace kelvo::codec;

// Header, HEAD_NUM, SITE_NUM and PART_FLG are the first 7 wire bytes; NUM_TEST and
// HARD_BIN follow on the wire at 7 and 9, in the structure at 8 and 10.
static_assert(offsetof(kelvo_prr_struct, HEAD_NUM) == 4 && offsetof(kelvo_prr_struct, SITE_NUM) == 5);
static_assert(offsetof(kelvo_prr_struct, PART_FLG) == 6);
static_assert(offsetof(kelvo_prr_struct, NUM_TEST) == 8 && offsetof(kelvo_prr_struct, HARD_BIN) == 10);

namespace {
enum Word { kSoftBin, kX, kY, kTestT, kPartId, kPartTxt, kPartFix };
}

extern "C" {

// The fixed fields (to HARD_BIN) are taken whatever REC_LEN says, bytes the record
// does not hold as 0; the rest only when they begin inside the record.
KELVO_API void kelvo_prr_to_struct(kelvo_prr_struct *prr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(prr, 7);
    prr->NUM_TEST = v.integer_at<uint16_t>(7);
    prr->HARD_BIN = v.integer_at<uint16_t>(9);
    v.seek(11);
    bool p = v.integer<uint16_t>(prr->SOFT_BIN, 65535);
    st.set(kSoftBin, p, p && prr->SOFT_BIN != 65535);
    p = v.integer<int16_t>(prr->X_COORD, -32768);
    st.set(kX, p, p && prr->X_COORD != -32768);
    p = v.integer<int16_t>(prr->Y_COORD, -32768);
    st.set(kY, p, p && prr->Y_COORD != -32768);
    p = v.integer<uint32_t>(prr->TEST_T, 0);
    st.set(kTestT, p, p && prr->TEST_T != 0);
    st.text(kPartId, v.cn(prr->PART_ID), prr->PART_ID);
    st.text(kPartTxt, v.cn(prr->PART_TXT), prr->PART_TXT);
    p = v.bn(prr->PART_FIX);
    st.set(kPartFix, p, p && prr->PART_FIX.len != 0);
    v.fix_header(prr);
}

KELVO_API int kelvo_prrread(int handle, const kelvo_header *header, kelvo_prr_struct *prr, uint32_t *status) {
    return part::read_prr(handle, header, prr, status).result;
}

}  // extern "C"
