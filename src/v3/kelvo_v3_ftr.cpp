// Version-3 FDR and FTR. An FDR only gives its test's names to the handle's name list.
// A version-3 FTR is converted into the version-4 FTR structure: option flags mapped,
// TIME_SET and the address word written as decimal text, byte-counted bit fields made
// bit strings, and the two state bitmaps expanded into index and state arrays.
#include <cstdio>

#include "codec/arrays.h"
#include "v3/names.h"
#include "v3/v3.h"

KELVO_SOURCE_ID("kelvo_v3_ftr")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::v3::offer_names;

namespace {

// Decimal texts of the current version-3 FTR; "%u" of a U1 or U2 needs at most 5 + 1 bytes.
char g_time_set[8];
char g_rslt_txt[8];

void decimal(kelvo_cn &s, char (&area)[8], unsigned value) {
    int n = std::snprintf(area, sizeof area, "%u", value);
    s.len = static_cast<uint8_t>(n);
    s.str = area;
}

// Version-3 OPT_FLAG to version 4: bits 4-7 set (XFAIL_AD, YFAIL_AD and VECT_OFF are never
// valid); version-3 bits 1, 0, 5, 4 mark CYCL_CNT, REL_VADR, REPT_CNT, NUM_FAIL invalid.
uint8_t map_opt_flag(uint8_t b) {
    return static_cast<uint8_t>(0xF0 | ((b >> 1) & 1) | ((b & 1) << 1) | (((b >> 5) & 1) << 2) |
                                (((b >> 4) & 1) << 3));
}

// A bit field as a version-4 bit string: count byte n and n bytes, 8n bits.
kelvo_dn bit_string(const kelvo_bn &b) { return {static_cast<uint16_t>(8u * b.len), b.data}; }

// One entry per bitmap bit, least significant first: INDX = entry number, STAT = the bit.
void expand(const kelvo_bn &bitmap, uint16_t *indx, uint8_t *stat) {
    for (uint32_t i = 0; i < 8u * bitmap.len; ++i) {
        indx[i] = static_cast<uint16_t>(i);
        stat[i] = (bitmap.data[i / 8] >> (i % 8)) & 1;
    }
}

// Lays out RTN_INDX, RTN_STAT, PGM_INDX (next 4-byte step past RTN_STAT) and PGM_STAT in
// the array buffer. Without entries, or without storage, the arrays are null and the
// counts 0; false when the storage could not be had.
bool expand_states(kelvo_ftr_struct *ftr, const kelvo_bn &rtn, const kelvo_bn &pgm) {
    const uint32_t j = 8u * rtn.len, k = 8u * pgm.len, m = 3 * (j + k);
    uint8_t *arrays = m ? array_storage(m + 12) : nullptr;
    if (!arrays) {
        ftr->RTN_ICNT = ftr->PGM_ICNT = 0;
        ftr->RTN_INDX = ftr->PGM_INDX = nullptr;
        ftr->RTN_STAT = ftr->PGM_STAT = nullptr;
        return m == 0;
    }
    ftr->RTN_ICNT = static_cast<uint16_t>(j);
    ftr->PGM_ICNT = static_cast<uint16_t>(k);
    ftr->RTN_INDX = reinterpret_cast<uint16_t *>(arrays);
    ftr->RTN_STAT = arrays + 2 * j;
    ftr->PGM_INDX = reinterpret_cast<uint16_t *>(arrays + step4(3 * j));
    ftr->PGM_STAT = arrays + step4(3 * j) + 2 * k;
    expand(rtn, ftr->RTN_INDX, ftr->RTN_STAT);
    expand(pgm, ftr->PGM_INDX, ftr->PGM_STAT);
    return true;
}

}  // namespace

namespace kelvo::v3 {

// The version-3 FTR decoder behind kelvo_v3_ftr_to_struct. Every field is decoded and the
// names offered whatever happens; false when the array buffer could not be had (the state
// arrays are then missing).
bool ftr_to_struct(int handle, kelvo_ftr_struct *ftr, const void *image, const kelvo_attributes *attr,
                   uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(ftr, 11);
    if (v.present()) v.skip(1);  // DESC_FLG

    uint8_t b;
    const bool has_opt = v.integer<uint8_t>(b, 0);
    ftr->OPT_FLAG = has_opt ? map_opt_flag(b) : 0xFF;
    st.set(0, has_opt, true);
    for (auto [word, bit] : {std::pair{1, 0x01}, {2, 0x02}, {3, 0x04}, {4, 0x08}, {5, 0x10}, {6, 0x10}, {7, 0x20}})
        st.valid(word, has_opt && (ftr->OPT_FLAG & bit) == 0);

    if (v.integer<uint8_t>(b, 0)) {
        decimal(ftr->TIME_SET, g_time_set, b);
        st.text(16, true, ftr->TIME_SET);
    } else {
        ftr->TIME_SET = {0, nullptr};
        st.set(16, false, false);
    }

    st.present(2, v.integer<uint32_t>(ftr->REL_VADR, 0xFFFFFFFFu));
    st.present(1, v.integer<uint32_t>(ftr->CYCL_CNT, 0xFFFFFFFFu));
    uint16_t u2;
    bool p = v.integer<uint16_t>(u2, 0);
    ftr->REPT_CNT = p ? u2 : 0xFFFFFFFFu;
    st.present(3, p);
    if (v.integer<uint16_t>(u2, 0)) {
        decimal(ftr->RSLT_TXT, g_rslt_txt, u2);
        st.text(21, true, ftr->RSLT_TXT);
    } else {
        set_empty(ftr->RSLT_TXT);
        st.set(21, false, false);
    }
    st.present(4, v.integer<uint32_t>(ftr->NUM_FAIL, 0xFFFFFFFFu));

    // Byte-counted fields, each cut to the bytes the record holds.
    kelvo_bn field, pgm, rtn;
    p = v.bn(field);
    ftr->FAIL_PIN = bit_string(field);
    st.set(14, p, field.len != 0);
    const bool has_pgm = v.bn(pgm);
    const bool has_rtn = v.bn(rtn);
    p = v.bn(field);
    ftr->SPIN_MAP = bit_string(field);
    st.set(23, p, field.len != 0);

    const bool ok = expand_states(ftr, rtn, pgm);
    st.set(8, has_rtn, has_rtn);
    st.set(9, has_pgm, has_pgm);
    st.set(10, has_rtn, ftr->RTN_ICNT != 0);
    st.set(11, has_rtn, ftr->RTN_ICNT != 0);
    st.set(12, has_pgm, ftr->PGM_ICNT != 0);
    st.set(13, has_pgm, ftr->PGM_ICNT != 0);

    fix(v, ftr->TEST_NUM);
    const bool kept = offer_names(v, handle, ftr->TEST_NUM);
    st.text(18, v.cn(ftr->TEST_TXT), ftr->TEST_TXT);

    // What version 3 does not carry.
    ftr->XFAIL_AD = ftr->YFAIL_AD = -1;
    ftr->VECT_OFF = 0;
    for (kelvo_cn *s : {&ftr->VECT_NAM, &ftr->OP_CODE, &ftr->ALARM_ID, &ftr->PROG_TXT}) set_empty(*s);
    ftr->PATG_NUM = 255;
    for (int word : {5, 6, 7}) st.present(word, false);
    for (int word : {15, 17, 19, 20, 22}) st.set(word, false, false);

    v.fix_header(ftr);
    return ok && kept;
}

bool fdr_to_struct(int handle, const void *image, const kelvo_attributes *attr) {
    View v(image, attr);
    const uint32_t test_num = v.integer_at<uint32_t>(4);
    v.seek(9);  // behind TEST_NUM and DESC_FLG
    return offer_names(v, handle, test_num);
}

}  // namespace kelvo::v3

extern "C" {

KELVO_API void kelvo_v3_ftr_to_struct(int handle, kelvo_ftr_struct *ftr, const void *image,
                                      const kelvo_attributes *attr, uint32_t *status) {
    v3::ftr_to_struct(handle, ftr, image, attr, status);
}

// Only TEST_TXT moves: TIME_SET and RSLT_TXT stay in their static areas, the arrays in
// the array buffer, FAIL_PIN and SPIN_MAP in the read buffer.
KELVO_API int kelvo_v3_ftr_buf(kelvo_ftr_struct *ftr) { return copy_texts(ftr, &kelvo_ftr_struct::TEST_TXT); }

KELVO_API void kelvo_v3_fdr_to_struct(int handle, const void *image, const kelvo_attributes *attr) {
    v3::fdr_to_struct(handle, image, attr);
}

// 0 also when the names could not be kept.
KELVO_API int kelvo_v3_fdrread(int handle, const kelvo_header *header) {
    kelvo_header unused;
    return read_decode_checked(handle, header, &unused,
                               [handle](kelvo_header *, const void *image, const kelvo_attributes *attr) {
                                   return v3::fdr_to_struct(handle, image, attr);
                               })
        .result;
}

KELVO_API int kelvo_v3_fdrbuf_read(int handle, const kelvo_header *header) { return kelvo_v3_fdrread(handle, header); }

}  // extern "C"
