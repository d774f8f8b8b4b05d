// MIR: what its version-3 decoder shares with the version-4 one.
#pragma once

#include "codec/codec.h"

namespace kelvo::mir {

using Text = kelvo_cn kelvo_mir_struct::*;
constexpr int kVersion3Word = KELVO_MIR_VERSION3;

// The reader's steps: the version-4 read, or the recognition of a version-3 file.
// `decoded` tells kelvo_mirbuf_read whether there is anything to copy.
codec::ReadResult read(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status);

}  // namespace kelvo::mir
