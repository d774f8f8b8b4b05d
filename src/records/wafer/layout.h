// Wafer records: the layouts of WIR and WRR.
#pragma once

#include "codec/layout.h"

namespace kelvo::wafer {

constexpr uint32_t kMissingCount = 0xFFFFFFFFu;

namespace wir {
using S = kelvo_wir_struct;
// Header, HEAD_NUM and SITE_GRP are the first 6 wire bytes; START_T follows at 6.
constexpr auto kLayout = layout::record<S>("WIR", KELVO_WIR_TYP, KELVO_WIR_SUB, 6, {
    KELVO_FIELD(HEAD_NUM, U1),
    KELVO_FIELD(SITE_GRP, U1).status(KELVO_WIR_SITE_GRP, 255),
    KELVO_FIELD(START_T, U4),
    KELVO_FIELD(WAFER_ID, Cn).opt(KELVO_WIR_WAFER_ID),
});
}  // namespace wir

namespace wrr {
using S = kelvo_wrr_struct;
constexpr auto kLayout = layout::record<S>("WRR", KELVO_WRR_TYP, KELVO_WRR_SUB, 6, {
    KELVO_FIELD(HEAD_NUM, U1),
    KELVO_FIELD(SITE_GRP, U1).status(KELVO_WRR_SITE_GRP, 255),
    KELVO_FIELD(FINISH_T, U4),
    KELVO_FIELD(PART_CNT, U4),
    KELVO_FIELD(RTST_CNT, U4).status(KELVO_WRR_RTST_CNT, kMissingCount),
    KELVO_FIELD(ABRT_CNT, U4).status(KELVO_WRR_ABRT_CNT, kMissingCount),
    KELVO_FIELD(GOOD_CNT, U4).status(KELVO_WRR_GOOD_CNT, kMissingCount),
    KELVO_FIELD(FUNC_CNT, U4).status(KELVO_WRR_FUNC_CNT, kMissingCount),
    KELVO_FIELD(WAFER_ID, Cn).opt(KELVO_WRR_WAFER_ID),
    KELVO_FIELD(FABWF_ID, Cn).opt(KELVO_WRR_FABWF_ID),
    KELVO_FIELD(FRAME_ID, Cn).opt(KELVO_WRR_FRAME_ID),
    KELVO_FIELD(MASK_ID, Cn).opt(KELVO_WRR_MASK_ID),
    KELVO_FIELD(USR_DESC, Cn).opt(KELVO_WRR_USR_DESC),
    KELVO_FIELD(EXC_DESC, Cn).opt(KELVO_WRR_EXC_DESC),
});
}  // namespace wrr

namespace wcr {
using S = kelvo_wcr_struct;
// Every field is taken only when the record holds it whole, else it gets its missing
// value; the record ends after the last field that does not hold it.
constexpr auto kLayout = layout::record<S>("WCR", KELVO_WCR_TYP, KELVO_WCR_SUB, 4, {
    KELVO_FIELD(WAFR_SIZ, R4).opt(KELVO_WCR_WAFR_SIZ, 0),
    KELVO_FIELD(DIE_HT, R4).opt(KELVO_WCR_DIE_HT, 0),
    KELVO_FIELD(DIE_WID, R4).opt(KELVO_WCR_DIE_WID, 0),
    KELVO_FIELD(WF_UNITS, U1).opt(KELVO_WCR_WF_UNITS, 0),
    KELVO_FIELD(WF_FLAT, C1).opt(KELVO_WCR_WF_FLAT, ' '),
    KELVO_FIELD(CENTER_X, I2).opt(KELVO_WCR_CENTER_X, layout::bits<int16_t>(-32768)),
    KELVO_FIELD(CENTER_Y, I2).opt(KELVO_WCR_CENTER_Y, layout::bits<int16_t>(-32768)),
    KELVO_FIELD(POS_X, C1).opt(KELVO_WCR_POS_X, ' '),
    KELVO_FIELD(POS_Y, C1).opt(KELVO_WCR_POS_Y, ' '),
}, true);
}  // namespace wcr

}  // namespace kelvo::wafer
