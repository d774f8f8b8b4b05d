// TSR: test synopsis record.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_tsrread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_tsr_struct, HEAD_NUM) == 4);
static_assert(offsetof(kelvo_tsr_struct, SITE_NUM) == 5);
static_assert(offsetof(kelvo_tsr_struct, TEST_TYP) == 6);
static_assert(offsetof(kelvo_tsr_struct, TEST_NUM) == 8);

namespace {

constexpr uint32_t kMissingCount = 0xFFFFFFFFu;

// Status words.
enum { kTestTyp, kExecCnt, kFailCnt, kAlrmCnt, kTestNam, kSeqName, kTestLbl, kOptFlag, kStats };

// OPT_FLAG bits that mark TEST_TIM, TEST_MIN, TEST_MAX, TST_SUMS, TST_SQRS not valid.
constexpr uint8_t kStatBits[5] = {0x04, 0x01, 0x02, 0x10, 0x20};

}  // namespace

extern "C" {

KELVO_API void kelvo_tsr_to_struct(kelvo_tsr_struct *tsr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    View v(image, attr);
    Status st(status);
    // Header, HEAD_NUM, SITE_NUM, TEST_TYP; TEST_NUM follows on the wire without a gap.
    v.leading_block(tsr, 7);
    st.set(kTestTyp, true, tsr->TEST_TYP != ' ');
    tsr->TEST_NUM = v.integer_at<uint32_t>(7);
    v.seek(11);

    uint32_t *counts[3] = {&tsr->EXEC_CNT, &tsr->FAIL_CNT, &tsr->ALRM_CNT};
    for (int i = 0; i < 3; ++i) {
        bool present = v.integer(*counts[i], kMissingCount);
        st.set(kExecCnt + i, present, present && *counts[i] != kMissingCount);
    }
    st.text(kTestNam, v.cn(tsr->TEST_NAM), tsr->TEST_NAM);
    st.text(kSeqName, v.cn(tsr->SEQ_NAME), tsr->SEQ_NAME);
    st.text(kTestLbl, v.cn(tsr->TEST_LBL), tsr->TEST_LBL);

    // An absent OPT_FLAG (255) still counts as valid; the statistics' valid bits come from it.
    bool flag = v.integer<uint8_t>(tsr->OPT_FLAG, 255);
    st.set(kOptFlag, flag, true);
    for (int i = 0; i < 5; ++i) st.valid(kStats + i, flag && !(tsr->OPT_FLAG & kStatBits[i]));

    float *stats[5] = {&tsr->TEST_TIM, &tsr->TEST_MIN, &tsr->TEST_MAX, &tsr->TST_SUMS, &tsr->TST_SQRS};
    for (int i = 0; i < 5; ++i) st.present(kStats + i, v.r4(*stats[i]));
    v.fix_header(tsr);
}

KELVO_API int kelvo_tsrread(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status) {
    return read_record(handle, header, tsr, [handle, status](kelvo_tsr_struct *s, const void *img,
                                                             const kelvo_attributes *a) {
        // Version 3 carries the summary in another form.
        if (a->kelvo_ver >= 4) kelvo_tsr_to_struct(s, img, a, status);
        else kelvo_v3_tsr_to_struct(handle, s, img, a, status);
    });
}

}  // extern "C"
