// Version-3 PTR: decoded into the version-4 PTR structure.
#pragma once

#include "kelvo.h"

namespace kelvo::v3 {

void ptr_to_struct(int handle, kelvo_ptr_struct *ptr, const void *image, const kelvo_attributes *attr,
                   uint32_t *status);
// Copies the texts of a decoded version-3 PTR into the string buffer: 1, or 0 without storage.
int ptr_buf(kelvo_ptr_struct *ptr);

}  // namespace kelvo::v3
