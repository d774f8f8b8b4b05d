// Site records: the layout of SDR (RDR is a count and its array).
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

}  // namespace kelvo::sites
