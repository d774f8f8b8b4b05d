// Version-3 site records: the site part counts (SCR) become a PCR, the site bin
// summaries (SHB, SSB) an HBR and an SBR, the site test synopsis (STS) a TSR. Each
// has readers of its own, which the caller picks by the record's codes.
#include "records/codec.h"
#include "records/kelvo_bins.h"
#include "records/pcr.h"

KELVO_SOURCE_ID("kelvo_v3_sites")

using namespace kelvo;
using namespace kelvo::codec;

namespace {

constexpr uint32_t kMissingCount = 0xFFFFFFFFu;

// The texts of a structure copied into the string buffer one after another, each
// NUL-terminated. The room reserved is what the record's own length asks for, REC_LEN
// less the bytes in front of the first text plus one; never less than the texts need,
// and a REC_LEN too small to reach the first text asks only for the texts.
template <class S, class... Fields>
int copy_record_texts(S *s, uint32_t before_first_text, Fields... fields) {
    uint32_t need = 0;
    ((need += uint32_t{(s->*fields).len} + 1), ...);
    if (s->REC_LEN > before_first_text) need = std::max(need, uint32_t{s->REC_LEN} - before_first_text);
    StringCopy copy;
    if (!copy.reserve(need)) return 0;
    (copy.text(s->*fields), ...);
    return 1;
}

// SHB and SSB: the first eight body bytes are the version-4 bin record's; version 3 has
// no pass/fail character, and its name follows the count directly.
template <class S>
void site_bin_to_struct(S *s, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    using F = bins::BinFields<S>;
    View v(image, attr);
    Status st(status);
    v.leading_block(s, bins::kLeading);
    s->*F::pf = bins::kNoPf;
    st.set(bins::kPf, false, false);
    st.text(bins::kName, v.cn(s->*F::nam), s->*F::nam);
    v.fix_header(s);
    fix(v, s->*F::num);
    fix(v, s->*F::cnt);
}

// The name sits at body offset 8: REC_LEN - 7 is the name's length byte and
// characters plus the terminator.
template <class S>
int site_bin_copy(S *s) {
    return copy_record_texts(s, 7, bins::BinFields<S>::nam);
}

// STS status words (the TSR's numbering).
enum { kTestTyp, kExecCnt, kFailCnt, kAlrmCnt, kTestNam, kSeqName, kTestLbl, kOptFlag, kTestTim, kStats };

// OPT_FLAG bits that mark TEST_MIN, TEST_MAX, TST_SUMS, TST_SQRS not valid.
constexpr uint8_t kStatBits[4] = {0x01, 0x02, 0x10, 0x20};
// Bits OR-ed into a version-3 OPT_FLAG: TEST_TIM (and the unused bits) never valid.
constexpr uint8_t kAlwaysSet = 0xCC;

}  // namespace

extern "C" {

// Counts are taken only when the record holds all four of their bytes (PART_CNT too);
// any other is missing. Bytes past FUNC_CNT are not decoded.
KELVO_API void kelvo_scr_to_struct(kelvo_pcr_struct *pcr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    View v(image, attr);
    v.leading_block(pcr, pcr::kLeadingBlock);
    v.skip(4);  // FINISH_T
    pcr::decode_counts(v, *pcr, Status(status), 0);
    v.fix_header(pcr);
}

KELVO_API void kelvo_shb_to_struct(kelvo_hbr_struct *hbr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    site_bin_to_struct(hbr, image, attr, status);
}

KELVO_API void kelvo_ssb_to_struct(kelvo_sbr_struct *sbr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    site_bin_to_struct(sbr, image, attr, status);
}

KELVO_API void kelvo_sts_to_struct(kelvo_tsr_struct *tsr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(tsr, 6);  // header, HEAD_NUM, SITE_NUM
    tsr->TEST_TYP = ' ';
    st.set(kTestTyp, false, false);
    tsr->TEST_NUM = v.integer_at<uint32_t>(6);
    v.seek(10);

    uint32_t *counts[3] = {&tsr->EXEC_CNT, &tsr->FAIL_CNT, &tsr->ALRM_CNT};
    for (int i = 0; i < 3; ++i) {
        bool present = v.integer(*counts[i], kMissingCount);
        st.set(kExecCnt + i, present, present && *counts[i] != kMissingCount);
    }
    bool flag = v.integer<uint8_t>(tsr->OPT_FLAG, 255);
    if (flag) tsr->OPT_FLAG |= kAlwaysSet;
    st.set(kOptFlag, flag, true);
    for (int i = 0; i < 4; ++i) st.valid(kStats + i, flag && !(tsr->OPT_FLAG & kStatBits[i]));
    if (v.present()) v.skip(1);  // PAD_BYTE

    st.present(kStats + 0, v.r4(tsr->TEST_MIN));
    st.present(kStats + 1, v.r4(tsr->TEST_MAX));
    if (v.present()) v.skip(4);  // TST_MEAN
    if (v.present()) v.skip(4);  // TST_SDEV
    st.present(kStats + 2, v.r4(tsr->TST_SUMS));
    st.present(kStats + 3, v.r4(tsr->TST_SQRS));

    st.text(kTestNam, v.cn(tsr->TEST_NAM), tsr->TEST_NAM);
    st.text(kSeqName, v.cn(tsr->SEQ_NAME), tsr->SEQ_NAME);
    st.text(kTestLbl, v.cn(tsr->TEST_LBL), tsr->TEST_LBL);

    tsr->TEST_TIM = missing_r4();
    st.set(kTestTim, false, false);
    v.fix_header(tsr);
}

KELVO_API int kelvo_shb_buf(kelvo_hbr_struct *hbr) { return site_bin_copy(hbr); }
KELVO_API int kelvo_ssb_buf(kelvo_sbr_struct *sbr) { return site_bin_copy(sbr); }

// TEST_NAM sits at body offset 44: REC_LEN - 41 is the three names with their length
// bytes, plus one.
KELVO_API int kelvo_sts_buf(kelvo_tsr_struct *tsr) {
    return copy_record_texts(tsr, 41, &kelvo_tsr_struct::TEST_NAM, &kelvo_tsr_struct::SEQ_NAME,
                             &kelvo_tsr_struct::TEST_LBL);
}

KELVO_API int kelvo_v3_scrread(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr, uint32_t *status) {
    return read_record(handle, header, pcr, [status](kelvo_pcr_struct *s, const void *img, const kelvo_attributes *a) {
        kelvo_scr_to_struct(s, img, a, status);
    });
}
// A PCR holds no strings: buf_read is the read.
KELVO_API int kelvo_v3_scrbuf_read(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr, uint32_t *status) {
    return kelvo_v3_scrread(handle, header, pcr, status);
}
KELVO_API int kelvo_v3_shbread(int handle, const kelvo_header *header, kelvo_hbr_struct *hbr, uint32_t *status) {
    return read_record(handle, header, hbr, [status](kelvo_hbr_struct *s, const void *img, const kelvo_attributes *a) {
        kelvo_shb_to_struct(s, img, a, status);
    });
}
KELVO_API int kelvo_v3_shbbuf_read(int handle, const kelvo_header *header, kelvo_hbr_struct *hbr, uint32_t *status) {
    return buf_read_record(
        handle, header, hbr,
        [status](kelvo_hbr_struct *s, const void *img, const kelvo_attributes *a) { kelvo_shb_to_struct(s, img, a, status); },
        kelvo_shb_buf);
}
KELVO_API int kelvo_v3_ssbread(int handle, const kelvo_header *header, kelvo_sbr_struct *sbr, uint32_t *status) {
    return read_record(handle, header, sbr, [status](kelvo_sbr_struct *s, const void *img, const kelvo_attributes *a) {
        kelvo_ssb_to_struct(s, img, a, status);
    });
}
KELVO_API int kelvo_v3_ssbbuf_read(int handle, const kelvo_header *header, kelvo_sbr_struct *sbr, uint32_t *status) {
    return buf_read_record(
        handle, header, sbr,
        [status](kelvo_sbr_struct *s, const void *img, const kelvo_attributes *a) { kelvo_ssb_to_struct(s, img, a, status); },
        kelvo_ssb_buf);
}
KELVO_API int kelvo_v3_stsread(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status) {
    return read_record(handle, header, tsr, [status](kelvo_tsr_struct *s, const void *img, const kelvo_attributes *a) {
        kelvo_sts_to_struct(s, img, a, status);
    });
}
KELVO_API int kelvo_v3_stsbuf_read(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status) {
    return buf_read_record(
        handle, header, tsr,
        [status](kelvo_tsr_struct *s, const void *img, const kelvo_attributes *a) { kelvo_sts_to_struct(s, img, a, status); },
        kelvo_sts_buf);
}

}  // extern "C"
