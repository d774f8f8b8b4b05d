// Pin records: the layout of PMR.
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

}  // namespace kelvo::pins
