// Version-3 site records: the site part counts (SCR) become a PCR, the site bin
// summaries (SHB, SSB) an HBR and an SBR, the site test synopsis (STS) a TSR. Each
// has readers of its own, which the caller picks by the record's codes.
#include "codec/codec.h"
#include "records/bins/layout.h"
#include "codec/codec.h"
#include "codec/layout_codec.h"
#include "records/run/layout.h"
#include "v3/v3_summary.h"

KELVO_SOURCE_ID("kelvo_v3_sites")

using namespace kelvo;
using namespace kelvo::codec;
using namespace kelvo::v3;

namespace {

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

}  // namespace

extern "C" {

// Counts are taken only when the record holds all four of their bytes (PART_CNT too);
// any other is missing. Bytes past FUNC_CNT are not decoded.
KELVO_API void kelvo_scr_to_struct(kelvo_pcr_struct *pcr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    View v(image, attr);
    layout::decode<run::pcr::kLayout>(pcr, v, Status(status), [&] { v.skip(4); });  // FINISH_T
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

    v3::decode_summary(v, tsr, st);
    st.text(kTestNam, v.cn(tsr->TEST_NAM), tsr->TEST_NAM);
    st.text(kSeqName, v.cn(tsr->SEQ_NAME), tsr->SEQ_NAME);
    st.text(kTestLbl, v.cn(tsr->TEST_LBL), tsr->TEST_LBL);
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
    return read_record(handle, header, pcr, status, kelvo_scr_to_struct);
}
// A PCR holds no strings: buf_read is the read.
KELVO_API int kelvo_v3_scrbuf_read(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr, uint32_t *status) {
    return kelvo_v3_scrread(handle, header, pcr, status);
}
KELVO_API int kelvo_v3_shbread(int handle, const kelvo_header *header, kelvo_hbr_struct *hbr, uint32_t *status) {
    return read_record(handle, header, hbr, status, kelvo_shb_to_struct);
}
KELVO_API int kelvo_v3_shbbuf_read(int handle, const kelvo_header *header, kelvo_hbr_struct *hbr, uint32_t *status) {
    return buf_read_record(handle, header, hbr, status, kelvo_shb_to_struct, kelvo_shb_buf);
}
KELVO_API int kelvo_v3_ssbread(int handle, const kelvo_header *header, kelvo_sbr_struct *sbr, uint32_t *status) {
    return read_record(handle, header, sbr, status, kelvo_ssb_to_struct);
}
KELVO_API int kelvo_v3_ssbbuf_read(int handle, const kelvo_header *header, kelvo_sbr_struct *sbr, uint32_t *status) {
    return buf_read_record(handle, header, sbr, status, kelvo_ssb_to_struct, kelvo_ssb_buf);
}
KELVO_API int kelvo_v3_stsread(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status) {
    return read_record(handle, header, tsr, status, kelvo_sts_to_struct);
}
KELVO_API int kelvo_v3_stsbuf_read(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status) {
    return buf_read_record(handle, header, tsr, status, kelvo_sts_to_struct, kelvo_sts_buf);
}

}  // extern "C"
