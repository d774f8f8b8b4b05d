// PLR writing: trailing elements that hold their defaults are left off, element by
// element across the arrays; GRP_CNT and every GRP_INDX are always written.
#include "records/pins/plr.h"

KELVO_SOURCE_ID("kelvo_plrwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_plr_size(kelvo_plr_struct *plr) {
    uint32_t count = plr->GRP_CNT;
    kelvo_plr_group *grp = plr->GROUPS;
    Tail t;
    // A null group array stands for groups that hold only defaults.
    if (grp) {
        for (int k = 3; k >= 0; --k)
            for (uint32_t g = count; g-- > 0;) t.text(grp[g].*plr::kTexts[k]);
        for (uint32_t g = count; g-- > 0;) t.field(grp[g].GRP_RADX != 0, 1);
        for (uint32_t g = count; g-- > 0;) t.field(grp[g].GRP_MODE != 0, 2);
    }
    return finish_size(plr, 2 * (count + 1) + t.bytes());
}

KELVO_API void kelvo_plr_to_memory(const kelvo_plr_struct *plr, void *out) {
    Encoder e(out, plr->REC_LEN);
    e.leading_block(plr, 6);
    uint32_t count = plr->GRP_CNT;
    const kelvo_plr_group *grp = plr->GROUPS;
    if (!grp) {
        // Every element at its default: indexes, modes and radixes 0, empty strings.
        for (uint32_t g = 0; g < count; ++g) e.put<uint16_t>(0);
        for (uint32_t g = 0; g < count; ++g) e.put<uint16_t>(0);
        for (uint32_t g = 0; g < count; ++g) e.put<uint8_t>(0);
        for (uint32_t g = 0; g < 4 * count; ++g) e.put<uint8_t>(0);
        return;
    }
    for (uint32_t g = 0; g < count; ++g) e.put<uint16_t>(grp[g].GRP_INDX);
    for (uint32_t g = 0; g < count; ++g) e.put<uint16_t>(grp[g].GRP_MODE);
    for (uint32_t g = 0; g < count; ++g) e.put<uint8_t>(grp[g].GRP_RADX);
    for (auto field : plr::kTexts)
        for (uint32_t g = 0; g < count; ++g) e.cn(grp[g].*field);
}

KELVO_API int kelvo_plrwrite(int handle, kelvo_plr_struct *plr) {
    return write_record(handle, plr, KELVO_PLR_TYP, KELVO_PLR_SUB, kelvo_plr_size, kelvo_plr_to_memory);
}

}  // extern "C"
