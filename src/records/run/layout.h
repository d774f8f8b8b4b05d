// Run records: the layouts of MIR, MRR and PCR.
#pragma once

#include "codec/layout.h"

namespace kelvo::run {

constexpr uint32_t kMissingCount = 0xFFFFFFFFu;  // a count not given: every bit set

namespace mir {
using S = kelvo_mir_struct;
// Header to CMOD_COD is the wire image; the fixed fields of a record too short for them
// are zero and not present. LOT_ID to JOB_NAM are always written, the other texts up to
// the last one that is not empty.
constexpr auto kLayout = layout::record<S>("MIR", KELVO_MIR_TYP, KELVO_MIR_SUB, 19, {
    KELVO_FIELD(SETUP_T, U4),
    KELVO_FIELD(START_T, U4),
    KELVO_FIELD(STAT_NUM, U1),
    KELVO_FIELD(MODE_COD, C1).status(KELVO_MIR_MODE_COD, ' ').held_only(),
    KELVO_FIELD(RTST_COD, C1).status(KELVO_MIR_RTST_COD, ' ').held_only(),
    KELVO_FIELD(PROT_COD, C1).status(KELVO_MIR_PROT_COD, ' ').held_only(),
    KELVO_FIELD(BURN_TIM, U2).status(KELVO_MIR_BURN_TIM, 65535).held_only(),
    KELVO_FIELD(CMOD_COD, C1).status(KELVO_MIR_CMOD_COD, ' ').held_only(),
    KELVO_FIELD(LOT_ID, Cn).required(KELVO_MIR_LOT_ID),
    KELVO_FIELD(PART_TYP, Cn).required(KELVO_MIR_PART_TYP),
    KELVO_FIELD(NODE_NAM, Cn).required(KELVO_MIR_NODE_NAM),
    KELVO_FIELD(TSTR_TYP, Cn).required(KELVO_MIR_TSTR_TYP),
    KELVO_FIELD(JOB_NAM, Cn).required(KELVO_MIR_JOB_NAM),
    KELVO_FIELD(JOB_REV, Cn).opt(KELVO_MIR_JOB_REV),
    KELVO_FIELD(SBLOT_ID, Cn).opt(KELVO_MIR_SBLOT_ID),
    KELVO_FIELD(OPER_NAM, Cn).opt(KELVO_MIR_OPER_NAM),
    KELVO_FIELD(EXEC_TYP, Cn).opt(KELVO_MIR_EXEC_TYP),
    KELVO_FIELD(EXEC_VER, Cn).opt(KELVO_MIR_EXEC_VER),
    KELVO_FIELD(TEST_COD, Cn).opt(KELVO_MIR_TEST_COD),
    KELVO_FIELD(TST_TEMP, Cn).opt(KELVO_MIR_TST_TEMP),
    KELVO_FIELD(USER_TXT, Cn).opt(KELVO_MIR_USER_TXT),
    KELVO_FIELD(AUX_FILE, Cn).opt(KELVO_MIR_AUX_FILE),
    KELVO_FIELD(PKG_TYP, Cn).opt(KELVO_MIR_PKG_TYP),
    KELVO_FIELD(FAMLY_ID, Cn).opt(KELVO_MIR_FAMLY_ID),
    KELVO_FIELD(DATE_COD, Cn).opt(KELVO_MIR_DATE_COD),
    KELVO_FIELD(FACIL_ID, Cn).opt(KELVO_MIR_FACIL_ID),
    KELVO_FIELD(FLOOR_ID, Cn).opt(KELVO_MIR_FLOOR_ID),
    KELVO_FIELD(PROC_ID, Cn).opt(KELVO_MIR_PROC_ID),
    KELVO_FIELD(OPER_FRQ, Cn).opt(KELVO_MIR_OPER_FRQ),
    KELVO_FIELD(SPEC_NAM, Cn).opt(KELVO_MIR_SPEC_NAM),
    KELVO_FIELD(SPEC_VER, Cn).opt(KELVO_MIR_SPEC_VER),
    KELVO_FIELD(FLOW_ID, Cn).opt(KELVO_MIR_FLOW_ID),
    KELVO_FIELD(SETUP_ID, Cn).opt(KELVO_MIR_SETUP_ID),
    KELVO_FIELD(DSGN_REV, Cn).opt(KELVO_MIR_DSGN_REV),
    KELVO_FIELD(ENG_ID, Cn).opt(KELVO_MIR_ENG_ID),
    KELVO_FIELD(ROM_COD, Cn).opt(KELVO_MIR_ROM_COD),
    KELVO_FIELD(SERL_NUM, Cn).opt(KELVO_MIR_SERL_NUM),
    KELVO_FIELD(SUPR_NAM, Cn).opt(KELVO_MIR_SUPR_NAM),
});
}  // namespace mir

namespace mrr {
using S = kelvo_mrr_struct;
// A version-3 MRR carries the run's part counts between FINISH_T and DISP_COD.
constexpr auto kLayout = layout::record<S>("MRR", KELVO_MRR_TYP, KELVO_MRR_SUB, 8, {
    KELVO_FIELD(FINISH_T, U4),
    KELVO_FIELD(DISP_COD, C1).opt(KELVO_MRR_DISP_COD, ' '),
    KELVO_FIELD(USR_DESC, Cn).opt(KELVO_MRR_USR_DESC),
    KELVO_FIELD(EXC_DESC, Cn).opt(KELVO_MRR_EXC_DESC),
});
}  // namespace mrr

namespace pcr {
using S = kelvo_pcr_struct;
// PART_CNT always written, the other counts up to the last one given. A count is taken
// only when the record holds it whole; any other is missing (never a mix of file bytes
// and filler). Bytes past FUNC_CNT are not decoded.
constexpr auto kLayout = layout::record<S>("PCR", KELVO_PCR_TYP, KELVO_PCR_SUB, 6, {
    KELVO_FIELD(HEAD_NUM, U1),
    KELVO_FIELD(SITE_NUM, U1),
    KELVO_FIELD(PART_CNT, U4).missing_value(kMissingCount),
    KELVO_FIELD(RTST_CNT, U4).opt(KELVO_PCR_RTST_CNT, kMissingCount),
    KELVO_FIELD(ABRT_CNT, U4).opt(KELVO_PCR_ABRT_CNT, kMissingCount),
    KELVO_FIELD(GOOD_CNT, U4).opt(KELVO_PCR_GOOD_CNT, kMissingCount),
    KELVO_FIELD(FUNC_CNT, U4).opt(KELVO_PCR_FUNC_CNT, kMissingCount),
}, true);
}  // namespace pcr

}  // namespace kelvo::run
