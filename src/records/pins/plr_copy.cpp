// PLR: copy of every group's four strings into the string buffer; the numbers
// stay in the group entries.
#include "records/pins/plr.h"

KELVO_SOURCE_ID("kelvo_plrbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_plr_buf(kelvo_plr_struct *plr) {
    if (plr->GRP_CNT == 0 || !plr->GROUPS) return 1;
    kelvo_plr_group *grp = plr->GROUPS;
    uint32_t need = 0;
    for (uint32_t g = 0; g < plr->GRP_CNT; ++g)
        for (auto field : plr::kTexts) need += uint32_t{(grp[g].*field).len} + 1;
    StringCopy copy;
    if (!copy.reserve(need)) return 0;
    // Missing strings (null characters) become empty strings too.
    for (uint32_t g = 0; g < plr->GRP_CNT; ++g)
        for (auto field : plr::kTexts) copy.text(grp[g].*field);
    return 1;
}

KELVO_API int kelvo_plrbuf_read(int handle, const kelvo_header *header, kelvo_plr_struct *plr, uint32_t **status) {
    ReadResult r = read_decode_checked(
        handle, header, plr,
        [status](kelvo_plr_struct *s, const void *img, const kelvo_attributes *a) { return plr::decode(s, img, a, status); });
    return copy_decoded(r, [plr] { return kelvo_plr_buf(plr); });
}

}  // extern "C"
