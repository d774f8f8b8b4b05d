// Version-3 PIR decoder, called by the version-4 reader on a handle of version 3
// or below; it receives the handle for the part state it keeps.
#pragma once

#include "kelvo.h"

namespace kelvo::v3 {

void pir_to_struct(kelvo_pir_struct *pir, const void *image, const kelvo_attributes *attr, int handle);

}  // namespace kelvo::v3
