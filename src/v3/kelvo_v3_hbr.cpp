// Version-3 HBR and SBR: bin number, count and name. Version 3 has no head, site or
// pass/fail character: HEAD_NUM and SITE_NUM are 255 (all), the character a space.
#include "records/bins/layout.h"
#include "codec/codec.h"

KELVO_SOURCE_ID("kelvo_v3_hbr")

using namespace kelvo;
using namespace kelvo::codec;

namespace {

constexpr uint32_t kNum = 4, kCnt = 6, kName = 10;

template <class S>
void decode(S *s, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    using F = bins::BinFields<S>;
    View v(image, attr);
    Status st(status);
    v.leading_block(s, 4);
    v.fix_header(s);
    // Number and count are taken whatever REC_LEN says; bytes the record lacks are 0.
    s->*F::num = v.integer_at<uint16_t>(kNum);
    s->*F::cnt = v.integer_at<uint32_t>(kCnt);
    s->*F::pf = bins::kNoPf;
    st.set(bins::kPf, false, false);
    v.seek(kName);
    st.text(bins::kName, v.cn(s->*F::nam), s->*F::nam);
    s->HEAD_NUM = 255;
    s->SITE_NUM = 255;
}

}  // namespace

extern "C" {

KELVO_API void kelvo_v3_hbr_to_struct(kelvo_hbr_struct *hbr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status) {
    decode(hbr, image, attr, status);
}

KELVO_API void kelvo_v3_sbr_to_struct(kelvo_sbr_struct *sbr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status) {
    decode(sbr, image, attr, status);
}

}  // extern "C"
