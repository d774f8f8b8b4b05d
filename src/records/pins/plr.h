// PLR: the decoder behind the reader, which reports storage it could not get.
#pragma once

#include "codec/codec.h"

namespace kelvo::plr {

// Status words per group: GRP_MODE, GRP_RADX, PGM_CHAR, RTN_CHAR, PGM_CHAL, RTN_CHAL.
constexpr uint32_t kWordsPerGroup = 6;

// The four strings of a group in wire order.
constexpr kelvo_cn kelvo_plr_group::*kTexts[4] = {
    &kelvo_plr_group::PGM_CHAR, &kelvo_plr_group::RTN_CHAR, &kelvo_plr_group::PGM_CHAL, &kelvo_plr_group::RTN_CHAL};

// Decodes as kelvo_plr_to_struct; false when the array buffer or the second array
// buffer cannot be had (GRP_CNT then 0 and GROUPS null, or the status pointer null).
bool decode(kelvo_plr_struct *plr, const void *image, const kelvo_attributes *attr, uint32_t **status);

}  // namespace kelvo::plr
