// RDR: the decoder behind the reader, which reports a list it could not store.
#pragma once

#include "codec/codec.h"

namespace kelvo::rdr {

constexpr uint16_t kMissingBin = 65535;

// Decodes as kelvo_rdr_to_struct; false when the array buffer cannot hold the list
// (NUM_BINS then 0, RTST_BIN null).
bool decode(kelvo_rdr_struct *rdr, const void *image, const kelvo_attributes *attr, uint32_t *status);

}  // namespace kelvo::rdr
