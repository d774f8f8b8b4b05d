// PTR: the layout of the parametric test record.
#pragma once

#include "codec/layout.h"

namespace kelvo::results {

namespace ptr {
using S = kelvo_ptr_struct;
constexpr uint16_t kTestFlg = offsetof(S, TEST_FLG);
constexpr uint16_t kOptFlag = offsetof(S, OPT_FLAG);
constexpr uint32_t kLeading = 12;  // header, TEST_NUM, HEAD_NUM, SITE_NUM, TEST_FLG, PARM_FLG
constexpr uint64_t kNoR4 = layout::kMissingR4Bits;

// Every field after PARM_FLG is optional. RESULT is valid by TEST_FLG, the numbers
// behind OPT_FLAG by OPT_FLAG (even where the record ends before them; an absent
// OPT_FLAG reads 255, which makes none valid, and is itself valid). A number is written
// when its flag bits are clear; OPT_FLAG is never written without RES_SCAL.
constexpr auto kLayout = layout::record<S>("PTR", KELVO_PTR_TYP, KELVO_PTR_SUB, kLeading, {
    KELVO_FIELD(TEST_NUM, U4),
    KELVO_FIELD(HEAD_NUM, U1),
    KELVO_FIELD(SITE_NUM, U1),
    KELVO_FIELD(TEST_FLG, U1).hex(),
    KELVO_FIELD(PARM_FLG, U1).hex(),
    KELVO_FIELD(RESULT, R4).opt(KELVO_PTR_RESULT, kNoR4)
        .unless_flag(kTestFlg, KELVO_TEST_FLG_RESULT_INVALID).valid_when(layout::Valid::PresentFlagClear),
    KELVO_FIELD(TEST_TXT, Cn).opt(KELVO_PTR_TEST_TXT),
    KELVO_FIELD(ALARM_ID, Cn).opt(KELVO_PTR_ALARM_ID),
    KELVO_FIELD(OPT_FLAG, U1).opt(KELVO_PTR_OPT_FLAG, 255).hex()
        .unless_flag(kOptFlag, KELVO_PTR_OPT_NO_RES_SCAL).valid_when(layout::Valid::Regardless),
    KELVO_FIELD(RES_SCAL, I1).opt(KELVO_PTR_RES_SCAL).unless_flag(kOptFlag, KELVO_PTR_OPT_NO_RES_SCAL),
    KELVO_FIELD(LLM_SCAL, I1).opt(KELVO_PTR_LLM_SCAL).unless_flag(kOptFlag, KELVO_PTR_OPT_NO_LO_LIMIT),
    KELVO_FIELD(HLM_SCAL, I1).opt(KELVO_PTR_HLM_SCAL).unless_flag(kOptFlag, KELVO_PTR_OPT_NO_HI_LIMIT),
    KELVO_FIELD(LO_LIMIT, R4).opt(KELVO_PTR_LO_LIMIT, kNoR4).unless_flag(kOptFlag, KELVO_PTR_OPT_NO_LO_LIMIT),
    KELVO_FIELD(HI_LIMIT, R4).opt(KELVO_PTR_HI_LIMIT, kNoR4).unless_flag(kOptFlag, KELVO_PTR_OPT_NO_HI_LIMIT),
    KELVO_FIELD(UNITS, Cn).opt(KELVO_PTR_UNITS),
    KELVO_FIELD(C_RESFMT, Cn).opt(KELVO_PTR_C_RESFMT),
    KELVO_FIELD(C_LLMFMT, Cn).opt(KELVO_PTR_C_LLMFMT),
    KELVO_FIELD(C_HLMFMT, Cn).opt(KELVO_PTR_C_HLMFMT),
    KELVO_FIELD(LO_SPEC, R4).opt(KELVO_PTR_LO_SPEC, kNoR4).unless_flag(kOptFlag, KELVO_PTR_OPT_NO_LO_SPEC),
    KELVO_FIELD(HI_SPEC, R4).opt(KELVO_PTR_HI_SPEC, kNoR4).unless_flag(kOptFlag, KELVO_PTR_OPT_NO_HI_SPEC),
});
}  // namespace ptr

}  // namespace kelvo::results
