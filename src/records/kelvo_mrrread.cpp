// MRR: master results record. Its decoder reads both the version-4 layout and the
// version-3 one, whose part counts go into the embedded PCR.
#include "records/codec.h"
#include "records/pcr.h"

KELVO_SOURCE_ID("kelvo_mrrread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_mrr_struct, FINISH_T) == 4);
static_assert(offsetof(kelvo_mrr_struct, DISP_COD) == 8);

namespace {

constexpr uint32_t kLeadingBlock = 8;  // header and FINISH_T
constexpr int kDispWord = 4, kUsrWord = 5, kExcWord = 6, kVersion3Word = 7, kFirstCountWord = 8;

// The embedded PCR as a version-4 MRR leaves it: every count missing, all heads and sites.
void reset_pcr(kelvo_pcr_struct &p) {
    p.REC_LEN = 0;
    p.REC_TYP = 1;
    p.REC_SUB = 30;
    p.HEAD_NUM = 255;
    p.SITE_NUM = 255;
    for (auto count : pcr::kCount) p.*count = pcr::kMissing;
}

}  // namespace

extern "C" {

KELVO_API void kelvo_mrr_to_struct(kelvo_mrr_struct *mrr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(mrr, kLeadingBlock);
    reset_pcr(mrr->PCR);
    st.present(kVersion3Word, false);
    for (int k = 0; k < 4; ++k) st.set(kFirstCountWord + k, false, false);

    // Version 3 (also a handle whose FAR was never read) carries the run's part
    // counts between FINISH_T and DISP_COD.
    if (v.version() < 4) {
        st.present(kVersion3Word, true);
        pcr::decode_counts(v, mrr->PCR, st, kFirstCountWord);
    }

    if (v.present()) {
        mrr->DISP_COD = static_cast<char>(*v.here());
        v.skip(1);
        st.set(kDispWord, true, mrr->DISP_COD != ' ');
    } else {
        mrr->DISP_COD = ' ';
        st.set(kDispWord, false, false);
    }
    st.text(kUsrWord, v.cn(mrr->USR_DESC), mrr->USR_DESC);
    st.text(kExcWord, v.cn(mrr->EXC_DESC), mrr->EXC_DESC);

    v.fix_header(mrr);
    fix(v, mrr->FINISH_T);
}

KELVO_API int kelvo_mrrread(int handle, const kelvo_header *header, kelvo_mrr_struct *mrr, uint32_t *status) {
    return read_record(handle, header, mrr,
                       [status](kelvo_mrr_struct *s, const void *image, const kelvo_attributes *a) {
                           kelvo_mrr_to_struct(s, image, a, status);
                       });
}

}  // extern "C"
