// Version-3 PMR decoder and copy, called by kelvo_pmrread and kelvo_pmrbuf_read on a
// handle below version 4.
#pragma once

#include "kelvo.h"

namespace kelvo::v3 {

void pmr_to_struct(kelvo_pmr_struct *pmr, const void *image, const kelvo_attributes *attr, uint32_t *status);
int pmr_buf(kelvo_pmr_struct *pmr);

}  // namespace kelvo::v3
