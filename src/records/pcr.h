// PCR counts, shared by the PCR decoder and the MRR decoder (whose version-3 layout
// carries the same five counts into its embedded PCR).
#pragma once

#include "records/codec.h"

namespace kelvo::pcr {

constexpr uint32_t kMissing = 0xFFFFFFFFu;  // a count not given: every bit set
constexpr uint32_t kLeadingBlock = 6;       // header, HEAD_NUM, SITE_NUM

using Count = uint32_t kelvo_pcr_struct::*;
constexpr Count kCount[5] = {&kelvo_pcr_struct::PART_CNT, &kelvo_pcr_struct::RTST_CNT,
                             &kelvo_pcr_struct::ABRT_CNT, &kelvo_pcr_struct::GOOD_CNT,
                             &kelvo_pcr_struct::FUNC_CNT};

// The five counts from the cursor on, PART_CNT first. A count the record holds whole
// is taken; any other (absent, or cut by the end of the record) is missing: all-ones,
// neither present nor valid, never a mix of file bytes and filler. Status word
// `first_word` + k - 1 describes the k-th count after PART_CNT, which has none. The
// cursor advances over each count that begins inside the record.
inline void decode_counts(codec::View &v, kelvo_pcr_struct &p, const codec::Status &st, int first_word) {
    for (int k = 0; k < 5; ++k) {
        bool whole = v.pos() + 4 <= v.end();
        uint32_t value = whole ? v.integer_at<uint32_t>(v.pos()) : kMissing;
        p.*kCount[k] = value;
        if (k > 0) st.set(first_word + k - 1, whole, value != kMissing);
        if (v.present()) v.skip(4);
    }
}

}  // namespace kelvo::pcr
