// MPR: multiple-result parametric record.
#include "records/results/mpr_ftr.h"

KELVO_SOURCE_ID("kelvo_mprread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_mpr_struct, TEST_NUM) == 4);
static_assert(offsetof(kelvo_mpr_struct, HEAD_NUM) == 8);
static_assert(offsetof(kelvo_mpr_struct, SITE_NUM) == 9);
static_assert(offsetof(kelvo_mpr_struct, TEST_FLG) == 10);
static_assert(offsetof(kelvo_mpr_struct, PARM_FLG) == 11);

namespace {

// Where the arrays go in the array buffer: the unpacked states at its start, the
// results on the next 4-byte step after them, the indexes on the step after those.
struct Layout {
    uint32_t results, indexes, size;
};

Layout layout(uint32_t j, uint32_t r) {
    uint32_t results = step4(2 * packed(j));
    uint32_t indexes = step4(results + 4 * r);
    return {results, indexes, indexes + 2 * j};
}

}  // namespace

namespace kelvo {

bool mpr_decode(kelvo_mpr_struct *mpr, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(mpr, 12);

    st.set(0, v.integer<uint16_t>(mpr->RTN_ICNT, 0), true);
    st.set(1, v.integer<uint16_t>(mpr->RSLT_CNT, 0), true);
    const uint32_t j = mpr->RTN_ICNT, r = mpr->RSLT_CNT;
    const Layout lay = layout(j, r);
    uint8_t *arrays = v.present() ? array_storage(lay.size) : nullptr;
    // Arrays the record holds but the array buffer cannot take: the counts go with them.
    const bool starved = v.present() && !arrays && (j | r) != 0;

    bool p = converted_array(v, arrays, 0, packed(j), mpr->RTN_STAT,
                             [&](uint8_t *d) { v.nibbles_to(d, j); });
    st.set(2, p, mpr->RTN_STAT && j != 0);
    p = converted_array(v, arrays, lay.results, 4 * r, mpr->RTN_RSLT, [&](float *d) { v.r4s_to(d, r); });
    st.set(3, p, mpr->RTN_RSLT && r != 0);

    st.text(4, v.cn(mpr->TEST_TXT), mpr->TEST_TXT);
    st.text(5, v.cn(mpr->ALARM_ID), mpr->ALARM_ID);

    // OPT_FLAG decides the valid bits of the fields it describes; absent, none is valid.
    const bool has_opt = v.integer<uint8_t>(mpr->OPT_FLAG, 255);
    st.set(6, has_opt, true);
    const uint8_t opt = mpr->OPT_FLAG;
    for (auto [word, bits] : {std::pair{7u, KELVO_PTR_OPT_NO_RES_SCAL}, {8u, KELVO_PTR_OPT_NO_LO_LIMIT},
                              {9u, KELVO_PTR_OPT_NO_HI_LIMIT}, {10u, KELVO_PTR_OPT_NO_LO_LIMIT},
                              {11u, KELVO_PTR_OPT_NO_HI_LIMIT}, {12u, KELVO_MPR_OPT_NO_START_IN},
                              {13u, KELVO_MPR_OPT_NO_START_IN}, {20u, KELVO_PTR_OPT_NO_LO_SPEC},
                              {21u, KELVO_PTR_OPT_NO_HI_SPEC}})
        st.valid(static_cast<int>(word), has_opt && (opt & bits) == 0);

    st.present(7, v.integer<int8_t>(mpr->RES_SCAL, 0));
    st.present(8, v.integer<int8_t>(mpr->LLM_SCAL, 0));
    st.present(9, v.integer<int8_t>(mpr->HLM_SCAL, 0));
    st.present(10, v.r4(mpr->LO_LIMIT));
    st.present(11, v.r4(mpr->HI_LIMIT));
    st.present(12, v.r4(mpr->START_IN));
    st.present(13, v.r4(mpr->INCR_IN));

    p = converted_array(v, arrays, lay.indexes, 2 * j, mpr->RTN_INDX,
                        [&](uint16_t *d) { v.integers_to<uint16_t>(d, j, 0); });
    st.set(14, p, mpr->RTN_INDX && j != 0);

    st.text(15, v.cn(mpr->UNITS), mpr->UNITS);
    st.text(16, v.cn(mpr->UNITS_IN), mpr->UNITS_IN);
    st.text(17, v.cn(mpr->C_RESFMT), mpr->C_RESFMT);
    st.text(18, v.cn(mpr->C_LLMFMT), mpr->C_LLMFMT);
    st.text(19, v.cn(mpr->C_HLMFMT), mpr->C_HLMFMT);
    st.present(20, v.r4(mpr->LO_SPEC));
    st.present(21, v.r4(mpr->HI_SPEC));

    v.fix_header(mpr);
    fix(v, mpr->TEST_NUM);
    if (starved) {
        mpr->RTN_ICNT = mpr->RSLT_CNT = 0;
        st.valid(0, false);
        st.valid(1, false);
    }
    return !starved;
}

}  // namespace kelvo

extern "C" {

KELVO_API void kelvo_mpr_to_struct(kelvo_mpr_struct *mpr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    mpr_decode(mpr, image, attr, status);
}

KELVO_API int kelvo_mprread(int handle, const kelvo_header *header, kelvo_mpr_struct *mpr, uint32_t *status) {
    return read_decode_checked(handle, header, mpr,
                               [status](kelvo_mpr_struct *s, const void *image, const kelvo_attributes *attr) {
                                   return mpr_decode(s, image, attr, status);
                               }).result;
}

}  // extern "C"
