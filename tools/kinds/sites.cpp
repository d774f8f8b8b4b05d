// Record kinds: RDR and SDR.
#include "kinds/kinds.h"

namespace {

void print_rdr(kinds::Printer &p, const kelvo_rdr_struct &s, const uint32_t *status) {
    p.u("NUM_BINS", s.NUM_BINS);
    // An empty list that the record holds prints as [].
    p.list("RTST_BIN", s.RTST_BIN, s.NUM_BINS, (status[0] & KELVO_PRESENT) ? KELVO_VALID : 0u);
}

void print_sdr(kinds::Printer &p, const kelvo_sdr_struct &s, const uint32_t *status) {
    p.u("HEAD_NUM", s.HEAD_NUM);
    p.u("SITE_GRP", s.SITE_GRP);
    p.u("SITE_CNT", s.SITE_CNT);
    p.list("SITE_NUM", s.SITE_NUM, s.SITE_CNT, s.SITE_NUM ? KELVO_VALID : 0u);
    const char *names[16] = {"HAND_TYP", "HAND_ID", "CARD_TYP", "CARD_ID", "LOAD_TYP", "LOAD_ID",
                             "DIB_TYP",  "DIB_ID",  "CABL_TYP", "CABL_ID", "CONT_TYP", "CONT_ID",
                             "LASR_TYP", "LASR_ID", "EXTR_TYP", "EXTR_ID"};
    const kelvo_cn *texts[16] = {&s.HAND_TYP, &s.HAND_ID,  &s.CARD_TYP, &s.CARD_ID, &s.LOAD_TYP, &s.LOAD_ID,
                                 &s.DIB_TYP,  &s.DIB_ID,   &s.CABL_TYP, &s.CABL_ID, &s.CONT_TYP, &s.CONT_ID,
                                 &s.LASR_TYP, &s.LASR_ID,  &s.EXTR_TYP, &s.EXTR_ID};
    // A string that the record holds prints even when empty.
    for (int i = 0; i < 16; ++i) p.text(names[i], *texts[i], (status[i] & KELVO_PRESENT) ? KELVO_VALID : 0u);
}

}  // namespace

namespace kinds {

std::vector<RecordKind> sites_kinds() {
    return {
        make_kind<kelvo_rdr_struct>("RDR", KELVO_RDR_TYP, KELVO_RDR_SUB,
                                    {kelvo_rdrbuf_read, kelvo_rdr_to_struct, nullptr, kelvo_rdr_size,
                                     kelvo_rdr_to_memory, kelvo_rdrwrite, print_rdr}),
        make_kind<kelvo_sdr_struct>("SDR", KELVO_SDR_TYP, KELVO_SDR_SUB,
                                    {kelvo_sdrbuf_read, kelvo_sdr_to_struct, kelvo_sdr_buf, kelvo_sdr_size,
                                     kelvo_sdr_to_memory, kelvo_sdrwrite, print_sdr}),
    };
}

}  // namespace kinds
