// Site records: the layouts of RDR and SDR.
#pragma once

#include "codec/layout.h"

namespace kelvo::sites {

namespace sdr {
using S = kelvo_sdr_struct;
// Header, HEAD_NUM, SITE_GRP and SITE_CNT, then the SITE_CNT site numbers (written by
// hand, never left off), then the sixteen equipment texts, trailing empty ones left off.
constexpr size_t kSiteNumAt = 3;  // where the site numbers lie among the fields
constexpr auto kLayout = layout::record<S>("SDR", KELVO_SDR_TYP, KELVO_SDR_SUB, 7, {
    KELVO_FIELD(HEAD_NUM, U1),
    KELVO_FIELD(SITE_GRP, U1),
    KELVO_FIELD(SITE_CNT, U1),
    KELVO_FIELD(HAND_TYP, Cn).opt(KELVO_SDR_HAND_TYP).shown_when_held(),
    KELVO_FIELD(HAND_ID, Cn).opt(KELVO_SDR_HAND_ID).shown_when_held(),
    KELVO_FIELD(CARD_TYP, Cn).opt(KELVO_SDR_CARD_TYP).shown_when_held(),
    KELVO_FIELD(CARD_ID, Cn).opt(KELVO_SDR_CARD_ID).shown_when_held(),
    KELVO_FIELD(LOAD_TYP, Cn).opt(KELVO_SDR_LOAD_TYP).shown_when_held(),
    KELVO_FIELD(LOAD_ID, Cn).opt(KELVO_SDR_LOAD_ID).shown_when_held(),
    KELVO_FIELD(DIB_TYP, Cn).opt(KELVO_SDR_DIB_TYP).shown_when_held(),
    KELVO_FIELD(DIB_ID, Cn).opt(KELVO_SDR_DIB_ID).shown_when_held(),
    KELVO_FIELD(CABL_TYP, Cn).opt(KELVO_SDR_CABL_TYP).shown_when_held(),
    KELVO_FIELD(CABL_ID, Cn).opt(KELVO_SDR_CABL_ID).shown_when_held(),
    KELVO_FIELD(CONT_TYP, Cn).opt(KELVO_SDR_CONT_TYP).shown_when_held(),
    KELVO_FIELD(CONT_ID, Cn).opt(KELVO_SDR_CONT_ID).shown_when_held(),
    KELVO_FIELD(LASR_TYP, Cn).opt(KELVO_SDR_LASR_TYP).shown_when_held(),
    KELVO_FIELD(LASR_ID, Cn).opt(KELVO_SDR_LASR_ID).shown_when_held(),
    KELVO_FIELD(EXTR_TYP, Cn).opt(KELVO_SDR_EXTR_TYP).shown_when_held(),
    KELVO_FIELD(EXTR_ID, Cn).opt(KELVO_SDR_EXTR_ID).shown_when_held(),
});
}  // namespace sdr

namespace rdr {
using S = kelvo_rdr_struct;
constexpr uint16_t kMissingBin = 65535;
// NUM_BINS is always taken (bytes the record does not hold count as zero); the whole
// list is always written, a null one as missing bins.
constexpr auto kLayout = layout::record<S>("RDR", KELVO_RDR_TYP, KELVO_RDR_SUB, 6, {
    KELVO_FIELD(NUM_BINS, U2),
    KELVO_ARRAY(RTST_BIN, U2, NUM_BINS).status(KELVO_RDR_RTST_BIN, kMissingBin).shown_when_held(),
});
}  // namespace rdr

}  // namespace kelvo::sites
