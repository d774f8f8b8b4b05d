// The records of a file's origin: the layouts of FAR and ATR.
#pragma once

#include "codec/layout.h"

namespace kelvo::origin {

namespace far {
using S = kelvo_far_struct;
constexpr auto kLayout = layout::record<S>("FAR", KELVO_FAR_TYP, KELVO_FAR_SUB, 6, {
    KELVO_FIELD(CPU_TYPE, U1),
    KELVO_FIELD(KELVO_VER, U1),
});
}  // namespace far

namespace atr {
using S = kelvo_atr_struct;
constexpr auto kLayout = layout::record<S>("ATR", KELVO_ATR_TYP, KELVO_ATR_SUB, 8, {
    KELVO_FIELD(MOD_TIM, U4),
    KELVO_FIELD(CMD_LINE, Cn).opt(-1),
});
}  // namespace atr

}  // namespace kelvo::origin
