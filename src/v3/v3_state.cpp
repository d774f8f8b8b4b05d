#include "v3/v3_state.h"

#include "file/internal.h"

KELVO_SOURCE_ID("kelvo_v3_state")

namespace kelvo::v3 {

// Version-3 records carry no per-handle state yet: nothing to empty.
void reset_handle(int) {}

}  // namespace kelvo::v3
