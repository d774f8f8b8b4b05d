// TSR: the layout of the test synopsis record.
#pragma once

#include "codec/layout.h"

namespace kelvo::summary {

constexpr uint32_t kMissingCount = 0xFFFFFFFFu;

namespace tsr {
using S = kelvo_tsr_struct;
constexpr uint16_t kOptFlag = offsetof(S, OPT_FLAG);
constexpr uint64_t kNoR4 = layout::kMissingR4Bits;
// Header, HEAD_NUM, SITE_NUM and TEST_TYP are the first 7 wire bytes; TEST_NUM follows
// without a gap. An absent OPT_FLAG (255) still counts as valid; its bits mark the
// statistics not valid, and a statistic is written when its bit is clear.
constexpr auto kLayout = layout::record<S>("TSR", KELVO_TSR_TYP, KELVO_TSR_SUB, 7, {
    KELVO_FIELD(HEAD_NUM, U1),
    KELVO_FIELD(SITE_NUM, U1),
    KELVO_FIELD(TEST_TYP, C1).status(KELVO_TSR_TEST_TYP, ' '),
    KELVO_FIELD(TEST_NUM, U4),
    KELVO_FIELD(EXEC_CNT, U4).opt(KELVO_TSR_EXEC_CNT, kMissingCount),
    KELVO_FIELD(FAIL_CNT, U4).opt(KELVO_TSR_FAIL_CNT, kMissingCount),
    KELVO_FIELD(ALRM_CNT, U4).opt(KELVO_TSR_ALRM_CNT, kMissingCount),
    KELVO_FIELD(TEST_NAM, Cn).opt(KELVO_TSR_TEST_NAM),
    KELVO_FIELD(SEQ_NAME, Cn).opt(KELVO_TSR_SEQ_NAME),
    KELVO_FIELD(TEST_LBL, Cn).opt(KELVO_TSR_TEST_LBL),
    KELVO_FIELD(OPT_FLAG, U1).opt(KELVO_TSR_OPT_FLAG, 255).valid_when(layout::Valid::Regardless).hex(),
    KELVO_FIELD(TEST_TIM, R4).opt(KELVO_TSR_TEST_TIM, kNoR4).unless_flag(kOptFlag, KELVO_TSR_OPT_NO_TEST_TIM),
    KELVO_FIELD(TEST_MIN, R4).opt(KELVO_TSR_TEST_MIN, kNoR4).unless_flag(kOptFlag, KELVO_TSR_OPT_NO_TEST_MIN),
    KELVO_FIELD(TEST_MAX, R4).opt(KELVO_TSR_TEST_MAX, kNoR4).unless_flag(kOptFlag, KELVO_TSR_OPT_NO_TEST_MAX),
    KELVO_FIELD(TST_SUMS, R4).opt(KELVO_TSR_TST_SUMS, kNoR4).unless_flag(kOptFlag, KELVO_TSR_OPT_NO_TST_SUMS),
    KELVO_FIELD(TST_SQRS, R4).opt(KELVO_TSR_TST_SQRS, kNoR4).unless_flag(kOptFlag, KELVO_TSR_OPT_NO_TST_SQRS),
});
}  // namespace tsr

}  // namespace kelvo::summary
