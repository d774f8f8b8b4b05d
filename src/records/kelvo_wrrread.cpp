// WRR: wafer results record.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_wrrread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_wrr_struct, HEAD_NUM) == 4);
static_assert(offsetof(kelvo_wrr_struct, SITE_GRP) == 5);
static_assert(offsetof(kelvo_wrr_struct, FINISH_T) == 8);
static_assert(offsetof(kelvo_wrr_struct, PART_CNT) == 12);

namespace {
constexpr uint32_t kMissingCount = 0xFFFFFFFFu;
}

extern "C" {

KELVO_API void kelvo_wrr_to_struct(kelvo_wrr_struct *wrr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(wrr, 6);
    st.set(0, true, wrr->SITE_GRP != 255);
    // FINISH_T and PART_CNT are always taken, as the leading block is.
    wrr->FINISH_T = v.integer_at<uint32_t>(6);
    wrr->PART_CNT = v.integer_at<uint32_t>(10);
    v.seek(14);
    uint32_t *counts[4] = {&wrr->RTST_CNT, &wrr->ABRT_CNT, &wrr->GOOD_CNT, &wrr->FUNC_CNT};
    for (int i = 0; i < 4; ++i) {
        bool present = v.integer(*counts[i], kMissingCount);
        st.set(1 + i, present, present && *counts[i] != kMissingCount);
    }
    kelvo_cn *texts[6] = {&wrr->WAFER_ID, &wrr->FABWF_ID, &wrr->FRAME_ID,
                          &wrr->MASK_ID,  &wrr->USR_DESC, &wrr->EXC_DESC};
    for (int i = 0; i < 6; ++i) st.text(5 + i, v.cn(*texts[i]), *texts[i]);
    v.fix_header(wrr);
}

KELVO_API int kelvo_wrrread(int handle, const kelvo_header *header, kelvo_wrr_struct *wrr, uint32_t *status) {
    return read_record(handle, header, wrr, [status](kelvo_wrr_struct *s, const void *img, const kelvo_attributes *a) {
        if (a->kelvo_ver >= 4) kelvo_wrr_to_struct(s, img, a, status);
        else kelvo_v3_wrr_to_struct(s, img, a, status);
    });
}

}  // extern "C"
