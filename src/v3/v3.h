// Version-3 input as the version-4 readers see it: the decoders whose work needs storage
// (the array buffer, name-list entries, part states). Each decodes the whole record
// whatever happens and returns false when something the record holds could not be kept,
// so that its reader reports failure instead of success after losing data.
#pragma once

#include "records/codec.h"

namespace kelvo::v3 {

bool ptr_to_struct(int handle, kelvo_ptr_struct *ptr, const void *image, const kelvo_attributes *attr,
                   uint32_t *status);
bool pdr_to_struct(int handle, kelvo_ptr_struct *ptr, const void *image, const kelvo_attributes *attr,
                   uint32_t *status);
bool ftr_to_struct(int handle, kelvo_ftr_struct *ftr, const void *image, const kelvo_attributes *attr,
                   uint32_t *status);
bool fdr_to_struct(int handle, const void *image, const kelvo_attributes *attr);
bool pir_to_struct(kelvo_pir_struct *pir, const void *image, const kelvo_attributes *attr, int handle);

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
