// Version-3 TSR decoder, called by kelvo_tsrread on a handle below version 4.
#pragma once

#include "kelvo.h"

namespace kelvo::v3 {

void tsr_to_struct(int handle, kelvo_tsr_struct *tsr, const void *image, const kelvo_attributes *attr,
                   uint32_t *status);

}  // namespace kelvo::v3
