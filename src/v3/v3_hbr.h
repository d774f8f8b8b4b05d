// Version-3 HBR and SBR decoders, called by the version-4 readers on a handle of
// version 3 or below.
#pragma once

#include "kelvo.h"

namespace kelvo::v3 {

void hbr_to_struct(kelvo_hbr_struct *hbr, const void *image, const kelvo_attributes *attr, uint32_t *status);
void sbr_to_struct(kelvo_sbr_struct *sbr, const void *image, const kelvo_attributes *attr, uint32_t *status);

}  // namespace kelvo::v3
