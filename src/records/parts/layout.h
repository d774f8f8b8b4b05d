// Part records: the layouts of PIR and PRR.
#pragma once

#include "codec/layout.h"

namespace kelvo::parts {

namespace pir {
using S = kelvo_pir_struct;
// The six bytes whatever REC_LEN says; bytes a shorter record does not hold are 0.
constexpr auto kLayout = layout::record<S>("PIR", KELVO_PIR_TYP, KELVO_PIR_SUB, 6, {
    KELVO_FIELD(HEAD_NUM, U1),
    KELVO_FIELD(SITE_NUM, U1),
});
}  // namespace pir

namespace prr {
using S = kelvo_prr_struct;
// Header, HEAD_NUM, SITE_NUM and PART_FLG are the first 7 wire bytes; NUM_TEST and
// HARD_BIN follow at 7 and 9 (in the structure at 8 and 10), taken whatever REC_LEN
// says. The record ends after its last field that does not hold its missing value;
// PART_FIX without bytes to write is left off.
constexpr auto kLayout = layout::record<S>("PRR", KELVO_PRR_TYP, KELVO_PRR_SUB, 7, {
    KELVO_FIELD(HEAD_NUM, U1),
    KELVO_FIELD(SITE_NUM, U1),
    KELVO_FIELD(PART_FLG, U1).hex(),
    KELVO_FIELD(NUM_TEST, U2),
    KELVO_FIELD(HARD_BIN, U2),
    KELVO_FIELD(SOFT_BIN, U2).opt(KELVO_PRR_SOFT_BIN, 65535),
    KELVO_FIELD(X_COORD, I2).opt(KELVO_PRR_X_COORD, layout::bits<int16_t>(-32768)),
    KELVO_FIELD(Y_COORD, I2).opt(KELVO_PRR_Y_COORD, layout::bits<int16_t>(-32768)),
    KELVO_FIELD(TEST_T, U4).opt(KELVO_PRR_TEST_T, 0),
    KELVO_FIELD(PART_ID, Cn).opt(KELVO_PRR_PART_ID),
    KELVO_FIELD(PART_TXT, Cn).opt(KELVO_PRR_PART_TXT),
    KELVO_FIELD(PART_FIX, Bn).opt(KELVO_PRR_PART_FIX),
});
}  // namespace prr

}  // namespace kelvo::parts
