// Version-3 PRR decoder, called by the version-4 reader on a handle of version 3
// or below; it receives the handle for the part state of the PIR before it.
#pragma once

#include "kelvo.h"

namespace kelvo::v3 {

void prr_to_struct(kelvo_prr_struct *prr, const void *image, const kelvo_attributes *attr, uint32_t *status,
                   int handle);

}  // namespace kelvo::v3
