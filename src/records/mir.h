// MIR: the thirty counted strings in wire order, shared by its decoder, copy and encoder.
#pragma once

#include "records/codec.h"

namespace kelvo::mir {

using Text = kelvo_cn kelvo_mir_struct::*;

constexpr int kRequired = 5;  // LOT_ID..JOB_NAM: written always
constexpr int kTexts = 30;
constexpr uint32_t kLeadingBlock = 19;  // header to CMOD_COD

// Status words: 0-4 the one-byte codes and BURN_TIM, 5 + i the i-th string, 35 the
// version-3 marker, 36 HAND_ID, 37 PRB_CARD.
constexpr int kTextWord = 5;
constexpr int kVersion3Word = 35;

constexpr Text kText[kTexts] = {
    &kelvo_mir_struct::LOT_ID,   &kelvo_mir_struct::PART_TYP, &kelvo_mir_struct::NODE_NAM,
    &kelvo_mir_struct::TSTR_TYP, &kelvo_mir_struct::JOB_NAM,  &kelvo_mir_struct::JOB_REV,
    &kelvo_mir_struct::SBLOT_ID, &kelvo_mir_struct::OPER_NAM, &kelvo_mir_struct::EXEC_TYP,
    &kelvo_mir_struct::EXEC_VER, &kelvo_mir_struct::TEST_COD, &kelvo_mir_struct::TST_TEMP,
    &kelvo_mir_struct::USER_TXT, &kelvo_mir_struct::AUX_FILE, &kelvo_mir_struct::PKG_TYP,
    &kelvo_mir_struct::FAMLY_ID, &kelvo_mir_struct::DATE_COD, &kelvo_mir_struct::FACIL_ID,
    &kelvo_mir_struct::FLOOR_ID, &kelvo_mir_struct::PROC_ID,  &kelvo_mir_struct::OPER_FRQ,
    &kelvo_mir_struct::SPEC_NAM, &kelvo_mir_struct::SPEC_VER, &kelvo_mir_struct::FLOW_ID,
    &kelvo_mir_struct::SETUP_ID, &kelvo_mir_struct::DSGN_REV, &kelvo_mir_struct::ENG_ID,
    &kelvo_mir_struct::ROM_COD,  &kelvo_mir_struct::SERL_NUM, &kelvo_mir_struct::SUPR_NAM,
};

// The reader's steps: the version-4 read, or the recognition of a version-3 file.
// `decoded` tells kelvo_mirbuf_read whether there is anything to copy.
codec::ReadResult read(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status);

}  // namespace kelvo::mir
