// Version-3 WRR: finish time, head, part counts, wafer identifier, handler and probe
// card (skipped: this record has no place for them), user and exception descriptions.
#include "codec/codec.h"

KELVO_SOURCE_ID("kelvo_v3_wrr")

using namespace kelvo;
using namespace kelvo::codec;

namespace {

enum Word { kSiteGrp, kRtst, kWaferId = 5, kFabwf, kFrame, kMask, kUsrDesc, kExcDesc };
constexpr uint32_t kFinish = 4, kHead = 8, kPartCnt = 10, kCounts = 14;
constexpr uint32_t kMissingCount = 0xFFFFFFFFu;

}  // namespace

extern "C" {

KELVO_API void kelvo_v3_wrr_to_struct(kelvo_wrr_struct *wrr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(wrr, 4);
    v.fix_header(wrr);
    // The fixed fields are taken whatever REC_LEN says; bytes the record lacks are 0.
    wrr->FINISH_T = v.integer_at<uint32_t>(kFinish);
    wrr->HEAD_NUM = v.load<uint8_t>(kHead);
    wrr->PART_CNT = v.integer_at<uint32_t>(kPartCnt);
    wrr->SITE_GRP = 255;

    v.seek(kCounts);
    uint32_t *counts[4] = {&wrr->RTST_CNT, &wrr->ABRT_CNT, &wrr->GOOD_CNT, &wrr->FUNC_CNT};
    for (int i = 0; i < 4; ++i) {
        bool present = v.integer(*counts[i], kMissingCount);
        st.set(kRtst + i, present, present && *counts[i] != kMissingCount);
    }
    st.text(kWaferId, v.cn(wrr->WAFER_ID), wrr->WAFER_ID);
    kelvo_cn skipped;
    v.cn(skipped);  // HAND_ID
    v.cn(skipped);  // PRB_CARD
    st.text(kUsrDesc, v.cn(wrr->USR_DESC), wrr->USR_DESC);
    st.text(kExcDesc, v.cn(wrr->EXC_DESC), wrr->EXC_DESC);

    set_empty(wrr->FABWF_ID);
    set_empty(wrr->FRAME_ID);
    set_empty(wrr->MASK_ID);
    for (int word : {kSiteGrp, kFabwf, kFrame, kMask}) st.set(word, false, false);
}

// WAFER_ID, USR_DESC and EXC_DESC one after another, each NUL-terminated, each copied
// by its own length. The room asked for is the record's texts (REC_LEN - 20), and never
// less than the three texts and their terminators: a record too short to hold texts
// asks for no more than those.
KELVO_API int kelvo_v3_wrr_buf(kelvo_wrr_struct *wrr) {
    uint32_t texts = uint32_t{wrr->WAFER_ID.len} + wrr->USR_DESC.len + wrr->EXC_DESC.len + 3;
    uint32_t record = wrr->REC_LEN > 20 ? wrr->REC_LEN - 20u : 0;
    StringCopy copy;
    if (!copy.reserve(std::max(record, texts))) return 0;
    copy.text(wrr->WAFER_ID);
    copy.text(wrr->USR_DESC);
    copy.text(wrr->EXC_DESC);
    return 1;
}

}  // extern "C"
