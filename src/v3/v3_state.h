// Per-handle state of the version-3 conversion (name lists, part states) and the
// version-3 decoders that the version-4 readers hand records to.
#pragma once

#include "kelvo.h"

namespace kelvo::v3 {

// Empties the handle's version-3 state; called when a slot is taken.
void reset_handle(int handle);

}  // namespace kelvo::v3
