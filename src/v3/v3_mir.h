// Version-3 MIR: the reader that kelvo_mirread hands a version-3 file to, and its copy.
#pragma once

#include "kelvo.h"

namespace kelvo::v3 {

// Reads the rest of a version-3 MIR whose CPU type and version bytes kelvo_mirread has
// consumed (REC_LEN is at least 2, the read buffer holds REC_LEN + 4 bytes) and decodes
// it; returns REC_LEN, or 0 when the body was cut short.
int read_v3_mir(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status);

// Copies the strings of a MIR decoded by read_v3_mir into the string buffer; 1, or 0
// when the string buffer cannot be had.
int kelvo_v3_mir_buf(kelvo_mir_struct *mir);

}  // namespace kelvo::v3
