// Version-3 input as the rest of the library sees it: the decoders whose work needs
// storage (the array buffer, name-list entries, part states), which the version-4 readers
// call for a version-3 handle, and the handle's state, which the file layer resets and
// releases. Each decoder decodes the whole record whatever happens and returns false when
// something the record holds could not be kept, so that its reader reports failure
// instead of success after losing data. (The exported version-3 operations are declared
// in kelvo.h.)
#pragma once

#include "kelvo.h"

namespace kelvo::v3 {

bool ptr_to_struct(int handle, kelvo_ptr_struct *ptr, const void *image, const kelvo_attributes *attr,
                   uint32_t *status);
bool pdr_to_struct(int handle, kelvo_ptr_struct *ptr, const void *image, const kelvo_attributes *attr,
                   uint32_t *status);
bool ftr_to_struct(int handle, kelvo_ftr_struct *ftr, const void *image, const kelvo_attributes *attr,
                   uint32_t *status);
bool fdr_to_struct(int handle, const void *image, const kelvo_attributes *attr);
bool pir_to_struct(kelvo_pir_struct *pir, const void *image, const kelvo_attributes *attr, int handle);

// The handle's version-3 state (name lists, part states), for the file layer: emptied
// when a slot is taken; released for every closed handle by kelvo_free.
void reset_handle(int handle);
void release_closed_handles();

}  // namespace kelvo::v3
