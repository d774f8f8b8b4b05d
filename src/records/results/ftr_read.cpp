// FTR: functional test record.
#include "records/results/mpr_ftr.h"
#include "v3/v3.h"

KELVO_SOURCE_ID("kelvo_ftrread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_ftr_struct, TEST_NUM) == 4);
static_assert(offsetof(kelvo_ftr_struct, HEAD_NUM) == 8);
static_assert(offsetof(kelvo_ftr_struct, SITE_NUM) == 9);
static_assert(offsetof(kelvo_ftr_struct, TEST_FLG) == 10);
static_assert(offsetof(kelvo_ftr_struct, OPT_FLAG) == 11);

namespace {

// Where the arrays go in the array buffer: RTN_INDX at its start, the unpacked
// RTN_STAT right behind it, PGM_INDX on the next 4-byte step, PGM_STAT behind that.
// The size covers odd counts (each unpacked state array rounds up to even).
struct Layout {
    uint32_t rtn_stat, pgm_indx, pgm_stat, size;
};

Layout layout(uint32_t j, uint32_t k) {
    uint32_t rtn_stat = 2 * j;
    uint32_t pgm_indx = step4(rtn_stat + 2 * packed(j));
    uint32_t pgm_stat = pgm_indx + 2 * k;
    return {rtn_stat, pgm_indx, pgm_stat, pgm_stat + 2 * packed(k)};
}

}  // namespace

namespace kelvo {

ReadResult ftr_read(int handle, const kelvo_header *header, kelvo_ftr_struct *ftr, uint32_t *status) {
    const kelvo_attributes *a = handle_attributes(handle);
    if (!is_v3(a))
        return read_decode_checked(handle, header, ftr,
                                   [status](kelvo_ftr_struct *s, const void *image, const kelvo_attributes *attr) {
                                       return ftr_decode(s, image, attr, status);
                                   });
    return read_decode_checked(handle, header, ftr,
                               [handle, status](kelvo_ftr_struct *s, const void *image, const kelvo_attributes *attr) {
                                   return v3::ftr_to_struct(handle, s, image, attr, status);
                               });
}

}  // namespace kelvo

namespace kelvo {

bool ftr_decode(kelvo_ftr_struct *ftr, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(ftr, 11);

    // OPT_FLAG decides the valid bits of the fields it describes; absent, none is valid.
    const bool has_opt = v.integer<uint8_t>(ftr->OPT_FLAG, 255);
    st.set(0, has_opt, true);
    const uint8_t opt = ftr->OPT_FLAG;
    for (auto [word, bit] : {std::pair{1, KELVO_FTR_OPT_NO_CYCL_CNT}, {2, KELVO_FTR_OPT_NO_REL_VADR},
                             {3, KELVO_FTR_OPT_NO_REPT_CNT}, {4, KELVO_FTR_OPT_NO_NUM_FAIL}, {5, KELVO_FTR_OPT_NO_FAIL_AD},
                             {6, KELVO_FTR_OPT_NO_FAIL_AD}, {7, KELVO_FTR_OPT_NO_VECT_OFF}})
        st.valid(word, has_opt && (opt & bit) == 0);

    st.present(1, v.integer<uint32_t>(ftr->CYCL_CNT, 0xFFFFFFFFu));
    st.present(2, v.integer<uint32_t>(ftr->REL_VADR, 0xFFFFFFFFu));
    st.present(3, v.integer<uint32_t>(ftr->REPT_CNT, 0xFFFFFFFFu));
    st.present(4, v.integer<uint32_t>(ftr->NUM_FAIL, 0xFFFFFFFFu));
    st.present(5, v.integer<int32_t>(ftr->XFAIL_AD, -1));
    st.present(6, v.integer<int32_t>(ftr->YFAIL_AD, -1));
    st.present(7, v.integer<int16_t>(ftr->VECT_OFF, -1));
    st.set(8, v.integer<uint16_t>(ftr->RTN_ICNT, 0), true);
    st.set(9, v.integer<uint16_t>(ftr->PGM_ICNT, 0), true);

    const uint32_t j = ftr->RTN_ICNT, k = ftr->PGM_ICNT;
    const Layout lay = layout(j, k);
    uint8_t *arrays = v.present() ? array_storage(lay.size) : nullptr;
    // Arrays the record holds but the array buffer cannot take: the counts go with them.
    const bool starved = v.present() && !arrays && (j | k) != 0;
    bool p = converted_array(v, arrays, 0, 2 * j, ftr->RTN_INDX,
                             [&](uint16_t *d) { v.integers_to<uint16_t>(d, j, 0); });
    st.set(10, p, ftr->RTN_INDX && j != 0);
    p = converted_array(v, arrays, lay.rtn_stat, packed(j), ftr->RTN_STAT, [&](uint8_t *d) { v.nibbles_to(d, j); });
    st.set(11, p, ftr->RTN_STAT && j != 0);
    p = converted_array(v, arrays, lay.pgm_indx, 2 * k, ftr->PGM_INDX,
                        [&](uint16_t *d) { v.integers_to<uint16_t>(d, k, 0); });
    st.set(12, p, ftr->PGM_INDX && k != 0);
    p = converted_array(v, arrays, lay.pgm_stat, packed(k), ftr->PGM_STAT, [&](uint8_t *d) { v.nibbles_to(d, k); });
    st.set(13, p, ftr->PGM_STAT && k != 0);

    p = v.dn(ftr->FAIL_PIN);
    st.set(14, p, ftr->FAIL_PIN.bits != 0);
    st.text(15, v.cn(ftr->VECT_NAM), ftr->VECT_NAM);
    st.text(16, v.cn(ftr->TIME_SET), ftr->TIME_SET);
    st.text(17, v.cn(ftr->OP_CODE), ftr->OP_CODE);
    st.text(18, v.cn(ftr->TEST_TXT), ftr->TEST_TXT);
    st.text(19, v.cn(ftr->ALARM_ID), ftr->ALARM_ID);
    st.text(20, v.cn(ftr->PROG_TXT), ftr->PROG_TXT);
    st.text(21, v.cn(ftr->RSLT_TXT), ftr->RSLT_TXT);
    p = v.integer<uint8_t>(ftr->PATG_NUM, 255);
    st.set(22, p, p && ftr->PATG_NUM != 255);
    p = v.dn(ftr->SPIN_MAP);
    st.set(23, p, ftr->SPIN_MAP.bits != 0);

    v.fix_header(ftr);
    fix(v, ftr->TEST_NUM);
    if (starved) {
        ftr->RTN_ICNT = ftr->PGM_ICNT = 0;
        st.valid(8, false);
        st.valid(9, false);
    }
    return !starved;
}

}  // namespace kelvo

extern "C" {

KELVO_API void kelvo_ftr_to_struct(kelvo_ftr_struct *ftr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    ftr_decode(ftr, image, attr, status);
}

KELVO_API int kelvo_ftrread(int handle, const kelvo_header *header, kelvo_ftr_struct *ftr, uint32_t *status) {
    return ftr_read(handle, header, ftr, status).result;
}

}  // extern "C"
