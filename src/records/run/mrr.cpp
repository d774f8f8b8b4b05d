// MRR: master results record. Its decoder reads both the version-4 layout and the
// version-3 one, whose part counts go into the embedded PCR.
#include "codec/layout_codec.h"
#include "records/run/layout.h"

KELVO_SOURCE_ID("kelvo_mrrread")
KELVO_SOURCE_ID("kelvo_mrrbuf_read")
KELVO_SOURCE_ID("kelvo_mrrwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::run::mrr::kLayout;

namespace {

// The embedded PCR as a version-4 MRR leaves it: every count missing, all heads and sites.
void reset_pcr(kelvo_pcr_struct &p) {
    p.REC_LEN = 0;
    p.REC_TYP = KELVO_PCR_TYP;
    p.REC_SUB = KELVO_PCR_SUB;
    p.HEAD_NUM = 255;
    p.SITE_NUM = 255;
    p.PART_CNT = p.RTST_CNT = p.ABRT_CNT = p.GOOD_CNT = p.FUNC_CNT = run::kMissingCount;
}

}  // namespace

extern "C" {

KELVO_API void kelvo_mrr_to_struct(kelvo_mrr_struct *mrr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    View v(image, attr);
    Status st(status);
    reset_pcr(mrr->PCR);
    st.present(KELVO_MRR_VERSION3, false);
    for (int k = KELVO_MRR_RTST_CNT; k <= KELVO_MRR_FUNC_CNT; ++k) st.set(k, false, false);
    layout::decode<kLayout>(mrr, v, st, [&] {
        // Version 3 (also a handle whose FAR was never read): the PCR's counts from
        // PART_CNT on, their status words behind the MRR's own.
        if (!is_v3(attr)) return;
        st.present(KELVO_MRR_VERSION3, true);
        layout::decode_fields<run::pcr::kLayout, 2>(&mrr->PCR, v, Status(status ? status + KELVO_MRR_RTST_CNT : nullptr));
    });
}

KELVO_API int kelvo_mrrread(int handle, const kelvo_header *header, kelvo_mrr_struct *mrr, uint32_t *status) {
    return read_record(handle, header, mrr, status, kelvo_mrr_to_struct);
}

// USR_DESC at the start of the string buffer, EXC_DESC right behind its terminator.
KELVO_API int kelvo_mrr_buf(kelvo_mrr_struct *mrr) { return layout::copy_unless_empty<kLayout>(mrr); }

KELVO_API int kelvo_mrrbuf_read(int handle, const kelvo_header *header, kelvo_mrr_struct *mrr, uint32_t *status) {
    return buf_read_record(handle, header, mrr, status, kelvo_mrr_to_struct, kelvo_mrr_buf);
}

// The embedded PCR is not part of the record.
KELVO_LAYOUT_WRITERS(mrr, kLayout)

}  // extern "C"
