// Section records: the layouts of BPS, EPS and DTR, a header and at most one text.
#pragma once

#include "codec/layout.h"

namespace kelvo::sections {

namespace bps {
using S = kelvo_bps_struct;
// A BPS without a name is the bare header.
constexpr auto kLayout = layout::record<S>("BPS", KELVO_BPS_TYP, KELVO_BPS_SUB, 4, {
    KELVO_FIELD(SEQ_NAME, Cn).opt(KELVO_BPS_SEQ_NAME).shown_when_held(),
});
}  // namespace bps

namespace eps {
using S = kelvo_eps_struct;
constexpr layout::Record<S, 0> kLayout{"EPS", KELVO_EPS_TYP, KELVO_EPS_SUB, 4, false, {}};
}  // namespace eps

namespace dtr {
using S = kelvo_dtr_struct;
// A DTR always carries its length byte, even for an empty text.
constexpr auto kLayout = layout::record<S>("DTR", KELVO_DTR_TYP, KELVO_DTR_SUB, 4, {
    KELVO_FIELD(TEXT_DAT, Cn).required(-1),
});
}  // namespace dtr

}  // namespace kelvo::sections
