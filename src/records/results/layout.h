// Test results: the layouts of PTR, MPR and FTR.
#pragma once

#include "codec/layout.h"

namespace kelvo::results {

constexpr uint64_t kNoR4 = layout::kMissingR4Bits;

namespace ptr {
using S = kelvo_ptr_struct;
constexpr uint16_t kTestFlg = offsetof(S, TEST_FLG);
constexpr uint16_t kOptFlag = offsetof(S, OPT_FLAG);
constexpr uint32_t kLeading = 12;  // header, TEST_NUM, HEAD_NUM, SITE_NUM, TEST_FLG, PARM_FLG

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

namespace mpr {
using S = kelvo_mpr_struct;
constexpr uint16_t kOptFlag = offsetof(S, OPT_FLAG);
constexpr uint32_t kLeading = 12;  // header, TEST_NUM, HEAD_NUM, SITE_NUM, TEST_FLG, PARM_FLG

// As PTR, with the pins' states and results behind the counts and their indexes behind
// the limits; the counts are valid whenever read, OPT_FLAG decides the numbers behind it.
constexpr auto kLayout = layout::record<S>("MPR", KELVO_MPR_TYP, KELVO_MPR_SUB, kLeading, {
    KELVO_FIELD(TEST_NUM, U4),
    KELVO_FIELD(HEAD_NUM, U1),
    KELVO_FIELD(SITE_NUM, U1),
    KELVO_FIELD(TEST_FLG, U1).hex(),
    KELVO_FIELD(PARM_FLG, U1).hex(),
    KELVO_FIELD(RTN_ICNT, U2).opt(KELVO_MPR_RTN_ICNT).valid_when(layout::Valid::Regardless),
    KELVO_FIELD(RSLT_CNT, U2).opt(KELVO_MPR_RSLT_CNT).valid_when(layout::Valid::Regardless),
    KELVO_ARRAY(RTN_STAT, N1, RTN_ICNT).status(KELVO_MPR_RTN_STAT),
    KELVO_ARRAY(RTN_RSLT, R4, RSLT_CNT).status(KELVO_MPR_RTN_RSLT, kNoR4),
    KELVO_FIELD(TEST_TXT, Cn).opt(KELVO_MPR_TEST_TXT),
    KELVO_FIELD(ALARM_ID, Cn).opt(KELVO_MPR_ALARM_ID),
    KELVO_FIELD(OPT_FLAG, U1).opt(KELVO_MPR_OPT_FLAG, 255).hex()
        .unless_flag(kOptFlag, KELVO_PTR_OPT_NO_RES_SCAL).valid_when(layout::Valid::Regardless),
    KELVO_FIELD(RES_SCAL, I1).opt(KELVO_MPR_RES_SCAL).unless_flag(kOptFlag, KELVO_PTR_OPT_NO_RES_SCAL),
    KELVO_FIELD(LLM_SCAL, I1).opt(KELVO_MPR_LLM_SCAL).unless_flag(kOptFlag, KELVO_PTR_OPT_NO_LO_LIMIT),
    KELVO_FIELD(HLM_SCAL, I1).opt(KELVO_MPR_HLM_SCAL).unless_flag(kOptFlag, KELVO_PTR_OPT_NO_HI_LIMIT),
    KELVO_FIELD(LO_LIMIT, R4).opt(KELVO_MPR_LO_LIMIT, kNoR4).unless_flag(kOptFlag, KELVO_PTR_OPT_NO_LO_LIMIT),
    KELVO_FIELD(HI_LIMIT, R4).opt(KELVO_MPR_HI_LIMIT, kNoR4).unless_flag(kOptFlag, KELVO_PTR_OPT_NO_HI_LIMIT),
    KELVO_FIELD(START_IN, R4).opt(KELVO_MPR_START_IN, kNoR4).unless_flag(kOptFlag, KELVO_MPR_OPT_NO_START_IN),
    KELVO_FIELD(INCR_IN, R4).opt(KELVO_MPR_INCR_IN, kNoR4).unless_flag(kOptFlag, KELVO_MPR_OPT_NO_START_IN),
    KELVO_ARRAY(RTN_INDX, U2, RTN_ICNT).status(KELVO_MPR_RTN_INDX),
    KELVO_FIELD(UNITS, Cn).opt(KELVO_MPR_UNITS),
    KELVO_FIELD(UNITS_IN, Cn).opt(KELVO_MPR_UNITS_IN),
    KELVO_FIELD(C_RESFMT, Cn).opt(KELVO_MPR_C_RESFMT),
    KELVO_FIELD(C_LLMFMT, Cn).opt(KELVO_MPR_C_LLMFMT),
    KELVO_FIELD(C_HLMFMT, Cn).opt(KELVO_MPR_C_HLMFMT),
    KELVO_FIELD(LO_SPEC, R4).opt(KELVO_MPR_LO_SPEC, kNoR4).unless_flag(kOptFlag, KELVO_PTR_OPT_NO_LO_SPEC),
    KELVO_FIELD(HI_SPEC, R4).opt(KELVO_MPR_HI_SPEC, kNoR4).unless_flag(kOptFlag, KELVO_PTR_OPT_NO_HI_SPEC),
});
}  // namespace mpr

namespace ftr {
using S = kelvo_ftr_struct;
constexpr uint16_t kOptFlag = offsetof(S, OPT_FLAG);
constexpr uint32_t kLeading = 11;  // header, TEST_NUM, HEAD_NUM, SITE_NUM, TEST_FLG
constexpr uint64_t kNoCount = 0xFFFFFFFFu;

// OPT_FLAG decides the numbers behind it (absent, none is valid) and, when nothing
// follows them, where the record ends; the pins' indexes and states follow the counts.
constexpr auto kLayout = layout::record<S>("FTR", KELVO_FTR_TYP, KELVO_FTR_SUB, kLeading, {
    KELVO_FIELD(TEST_NUM, U4),
    KELVO_FIELD(HEAD_NUM, U1),
    KELVO_FIELD(SITE_NUM, U1),
    KELVO_FIELD(TEST_FLG, U1).hex(),
    KELVO_FIELD(OPT_FLAG, U1).opt(KELVO_FTR_OPT_FLAG, 255).hex()
        .unless_flag(kOptFlag, KELVO_FTR_OPT_NO_CYCL_CNT).valid_when(layout::Valid::Regardless),
    KELVO_FIELD(CYCL_CNT, U4).opt(KELVO_FTR_CYCL_CNT, kNoCount).unless_flag(kOptFlag, KELVO_FTR_OPT_NO_CYCL_CNT),
    KELVO_FIELD(REL_VADR, U4).opt(KELVO_FTR_REL_VADR, kNoCount).unless_flag(kOptFlag, KELVO_FTR_OPT_NO_REL_VADR),
    KELVO_FIELD(REPT_CNT, U4).opt(KELVO_FTR_REPT_CNT, kNoCount).unless_flag(kOptFlag, KELVO_FTR_OPT_NO_REPT_CNT),
    KELVO_FIELD(NUM_FAIL, U4).opt(KELVO_FTR_NUM_FAIL, kNoCount).unless_flag(kOptFlag, KELVO_FTR_OPT_NO_NUM_FAIL),
    KELVO_FIELD(XFAIL_AD, I4).opt(KELVO_FTR_XFAIL_AD, layout::bits<int32_t>(-1))
        .unless_flag(kOptFlag, KELVO_FTR_OPT_NO_FAIL_AD),
    KELVO_FIELD(YFAIL_AD, I4).opt(KELVO_FTR_YFAIL_AD, layout::bits<int32_t>(-1))
        .unless_flag(kOptFlag, KELVO_FTR_OPT_NO_FAIL_AD),
    KELVO_FIELD(VECT_OFF, I2).opt(KELVO_FTR_VECT_OFF, layout::bits<int16_t>(-1))
        .unless_flag(kOptFlag, KELVO_FTR_OPT_NO_VECT_OFF),
    KELVO_FIELD(RTN_ICNT, U2).opt(KELVO_FTR_RTN_ICNT).valid_when(layout::Valid::Regardless),
    KELVO_FIELD(PGM_ICNT, U2).opt(KELVO_FTR_PGM_ICNT).valid_when(layout::Valid::Regardless),
    KELVO_ARRAY(RTN_INDX, U2, RTN_ICNT).status(KELVO_FTR_RTN_INDX),
    KELVO_ARRAY(RTN_STAT, N1, RTN_ICNT).status(KELVO_FTR_RTN_STAT),
    KELVO_ARRAY(PGM_INDX, U2, PGM_ICNT).status(KELVO_FTR_PGM_INDX),
    KELVO_ARRAY(PGM_STAT, N1, PGM_ICNT).status(KELVO_FTR_PGM_STAT),
    KELVO_FIELD(FAIL_PIN, Dn).opt(KELVO_FTR_FAIL_PIN),
    KELVO_FIELD(VECT_NAM, Cn).opt(KELVO_FTR_VECT_NAM),
    KELVO_FIELD(TIME_SET, Cn).opt(KELVO_FTR_TIME_SET),
    KELVO_FIELD(OP_CODE, Cn).opt(KELVO_FTR_OP_CODE),
    KELVO_FIELD(TEST_TXT, Cn).opt(KELVO_FTR_TEST_TXT),
    KELVO_FIELD(ALARM_ID, Cn).opt(KELVO_FTR_ALARM_ID),
    KELVO_FIELD(PROG_TXT, Cn).opt(KELVO_FTR_PROG_TXT),
    KELVO_FIELD(RSLT_TXT, Cn).opt(KELVO_FTR_RSLT_TXT),
    KELVO_FIELD(PATG_NUM, U1).opt(KELVO_FTR_PATG_NUM, 255),
    KELVO_FIELD(SPIN_MAP, Dn).opt(KELVO_FTR_SPIN_MAP),
});
}  // namespace ftr

}  // namespace kelvo::results
