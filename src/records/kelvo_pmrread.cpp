// PMR: pin map record.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_pmrread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_pmr_struct, PMR_INDX) == 4);
static_assert(offsetof(kelvo_pmr_struct, CHAN_TYP) == 6);

extern "C" {

KELVO_API void kelvo_pmr_to_struct(kelvo_pmr_struct *pmr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(pmr, 6);
    fix(v, pmr->PMR_INDX);
    bool present = v.integer<uint16_t>(pmr->CHAN_TYP, 0);
    st.set(0, present, present && pmr->CHAN_TYP != 0);
    st.text(1, v.cn(pmr->CHAN_NAM), pmr->CHAN_NAM);
    st.text(2, v.cn(pmr->PHY_NAM), pmr->PHY_NAM);
    st.text(3, v.cn(pmr->LOG_NAM), pmr->LOG_NAM);
    // Head and site default to 1, which counts as valid.
    st.set(4, v.integer<uint8_t>(pmr->HEAD_NUM, 1), true);
    st.set(5, v.integer<uint8_t>(pmr->SITE_NUM, 1), true);
    v.fix_header(pmr);
}

KELVO_API int kelvo_pmrread(int handle, const kelvo_header *header, kelvo_pmr_struct *pmr, uint32_t *status) {
    return read_record(handle, header, pmr, [status](kelvo_pmr_struct *s, const void *img, const kelvo_attributes *a) {
        if (a->kelvo_ver >= 4) kelvo_pmr_to_struct(s, img, a, status);
        else kelvo_v3_pmr_to_struct(s, img, a, status);
    });
}

}  // extern "C"
