// What the version-3 STS and TSR share from EXEC_CNT to TST_SQRS: three counts, the
// option flag, a pad byte and six statistics of which the TSR structure keeps four.
#pragma once

#include "codec/codec.h"

namespace kelvo::v3 {

// TSR status words.
enum SummaryWord { kTestTyp, kExecCnt, kFailCnt, kAlrmCnt, kTestNam, kSeqName, kTestLbl, kOptFlag, kTestTim, kStats };

// Decodes EXEC_CNT to TST_SQRS at the cursor. OPT_FLAG gets bits 2, 3, 6 and 7 set
// (TEST_TIM, which version 3 lacks, is never valid); an absent one is 255.
inline void decode_summary(codec::View &v, kelvo_tsr_struct *tsr, const codec::Status &st) {
    constexpr uint32_t kMissingCount = 0xFFFFFFFFu;
    // OPT_FLAG bits that mark TEST_MIN, TEST_MAX, TST_SUMS, TST_SQRS not valid.
    constexpr uint8_t kStatBits[4] = {0x01, 0x02, 0x10, 0x20};
    uint32_t *counts[3] = {&tsr->EXEC_CNT, &tsr->FAIL_CNT, &tsr->ALRM_CNT};
    for (int i = 0; i < 3; ++i) {
        bool present = v.integer(*counts[i], kMissingCount);
        st.set(kExecCnt + i, present, present && *counts[i] != kMissingCount);
    }
    bool flag = v.integer<uint8_t>(tsr->OPT_FLAG, 255);
    if (flag) tsr->OPT_FLAG |= 0xCC;
    st.set(kOptFlag, flag, true);
    for (int i = 0; i < 4; ++i) st.valid(kStats + i, flag && !(tsr->OPT_FLAG & kStatBits[i]));
    v.skip(1);  // PAD_BYTE; once past the end, every later field is absent all the same
    st.present(kStats + 0, v.r4(tsr->TEST_MIN));
    st.present(kStats + 1, v.r4(tsr->TEST_MAX));
    v.skip(8);  // TST_MEAN, TST_SDEV
    st.present(kStats + 2, v.r4(tsr->TST_SUMS));
    st.present(kStats + 3, v.r4(tsr->TST_SQRS));
    tsr->TEST_TIM = missing_r4();
    st.set(kTestTim, false, false);
}

}  // namespace kelvo::v3
