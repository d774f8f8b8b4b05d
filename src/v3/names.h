// Offering names to a handle's name list, for the version-3 decoders that carry them.
#pragma once

#include "codec/codec.h"

namespace kelvo::v3 {

// Offers a test or sequence name to the handle's name list (kelvo_names.cpp); false when
// the storage for it could not be had. A handle outside 0-31 is ignored.
bool offer_name(int handle, uint32_t test_num, uint8_t len, const char *chars, bool sequence);

// Offers TEST_NAM and then SEQ_NAME at the cursor, each when the record holds it.
inline bool offer_names(codec::View &v, int handle, uint32_t test_num) {
    bool kept = true;
    kelvo_cn name;
    if (v.cn(name)) kept &= offer_name(handle, test_num, name.len, name.str, false);
    if (v.cn(name)) kept &= offer_name(handle, test_num, name.len, name.str, true);
    return kept;
}

}  // namespace kelvo::v3
