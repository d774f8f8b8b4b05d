// Version-3 PMR: a channel count, a name flag, the channel list and, when flagged, a
// physical name. The first channel becomes PMR_INDX and, as text, CHAN_NAM; the
// members version 3 lacks get fixed values. Nothing is read outside the record.
#include <cstdio>

#include "codec/codec.h"

KELVO_SOURCE_ID("kelvo_v3_pmr")

using namespace kelvo;
using namespace kelvo::codec;

namespace {

enum Word { kChanTyp, kChanNam, kPhyNam, kLogNam, kHead, kSite };
constexpr uint32_t kCount = 4, kFlag = 6, kChannels = 8;

// CHAN_NAM of the last version-3 PMR decoded: "%u" of a U2 is at most 5 characters.
char g_chan_nam[8];

}  // namespace

extern "C" {

KELVO_API void kelvo_v3_pmr_to_struct(kelvo_pmr_struct *pmr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(pmr, 4);
    v.fix_header(pmr);
    uint32_t channels = v.integer_at<uint16_t>(kCount);
    bool named = v.load<uint16_t>(kFlag) != 0;

    pmr->CHAN_TYP = 0;
    set_empty(pmr->LOG_NAM);
    pmr->HEAD_NUM = 1;
    pmr->SITE_NUM = 1;
    for (int word : {kChanTyp, kLogNam, kHead, kSite}) st.set(word, false, false);

    // An empty channel list names no channel: 0. A list longer than the record gives
    // what the record holds of its first entry.
    pmr->PMR_INDX = channels ? v.integer_at<uint16_t>(kChannels) : 0;
    int n = std::snprintf(g_chan_nam, sizeof g_chan_nam, "%u", unsigned{pmr->PMR_INDX});
    pmr->CHAN_NAM.len = static_cast<uint8_t>(n);
    pmr->CHAN_NAM.str = g_chan_nam;
    st.set(kChanNam, true, true);

    // The name only when flagged and beginning inside the record; cut to it.
    v.seek(kChannels + 2 * channels);
    if (named) {
        st.text(kPhyNam, v.cn(pmr->PHY_NAM), pmr->PHY_NAM);
    } else {
        set_empty(pmr->PHY_NAM);
        st.set(kPhyNam, false, false);
    }
}

// PHY_NAM alone moves: CHAN_NAM stays in its static area, LOG_NAM at "".
KELVO_API int kelvo_v3_pmr_buf(kelvo_pmr_struct *pmr) { return copy_texts(pmr, &kelvo_pmr_struct::PHY_NAM); }

}  // extern "C"
