// Pin records: the layouts of PMR and PGR (PLR holds lists of texts and is walked by hand).
#pragma once

#include "codec/layout.h"

namespace kelvo::pins {

namespace pmr {
using S = kelvo_pmr_struct;
// Trailing names and a head and site of 1 are left off; an absent head or site reads 1,
// which counts as valid.
constexpr auto kLayout = layout::record<S>("PMR", KELVO_PMR_TYP, KELVO_PMR_SUB, 6, {
    KELVO_FIELD(PMR_INDX, U2),
    KELVO_FIELD(CHAN_TYP, U2).opt(KELVO_PMR_CHAN_TYP, 0),
    KELVO_FIELD(CHAN_NAM, Cn).opt(KELVO_PMR_CHAN_NAM),
    KELVO_FIELD(PHY_NAM, Cn).opt(KELVO_PMR_PHY_NAM),
    KELVO_FIELD(LOG_NAM, Cn).opt(KELVO_PMR_LOG_NAM),
    KELVO_FIELD(HEAD_NUM, U1).opt(KELVO_PMR_HEAD_NUM, 1).valid_when(layout::Valid::Regardless),
    KELVO_FIELD(SITE_NUM, U1).opt(KELVO_PMR_SITE_NUM, 1).valid_when(layout::Valid::Regardless),
});
}  // namespace pmr

namespace pgr {
using S = kelvo_pgr_struct;
// Every field is always written. Word KELVO_PGR_INDX_CNT tells whether the record holds
// the count (an empty list then is one the record gives) and whether the list is valid.
constexpr auto kLayout = layout::record<S>("PGR", KELVO_PGR_TYP, KELVO_PGR_SUB, 6, {
    KELVO_FIELD(GRP_INDX, U2),
    KELVO_FIELD(GRP_NAM, Cn).required(KELVO_PGR_GRP_NAM),
    KELVO_FIELD(INDX_CNT, U2).status(KELVO_PGR_INDX_CNT).shown_when_held(),
    KELVO_ARRAY(PMR_INDX, U2, INDX_CNT).status(KELVO_PGR_INDX_CNT).shown_when_held(),
});
}  // namespace pgr

}  // namespace kelvo::pins
