// Version-3 WRR decoder and copy, called by kelvo_wrrread and kelvo_wrrbuf_read on a
// handle below version 4.
#pragma once

#include "kelvo.h"

namespace kelvo::v3 {

void wrr_to_struct(kelvo_wrr_struct *wrr, const void *image, const kelvo_attributes *attr, uint32_t *status);
int wrr_buf(kelvo_wrr_struct *wrr);

}  // namespace kelvo::v3
