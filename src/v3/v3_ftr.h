// Version-3 FTR: decoded into the version-4 structure.
#pragma once

#include <cstdint>

#include "kelvo.h"

namespace kelvo::v3 {

// Decodes a version-3 FTR image into the version-4 structure.
void ftr_to_struct(int handle, kelvo_ftr_struct *ftr, const void *image, const kelvo_attributes *attr,
                   uint32_t *status);
// Copies the texts of a structure that ftr_to_struct filled: 1, or 0 without memory.
int ftr_buf(kelvo_ftr_struct *ftr);

}  // namespace kelvo::v3
