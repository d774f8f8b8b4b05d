// MIR: copy of the thirty strings into the string buffer.
#include "records/codec.h"
#include "records/mir.h"

KELVO_SOURCE_ID("kelvo_mirbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

// The strings come out one behind the other in wire order, each NUL-terminated, as a
// copy of the record's string tail with each length byte turned into the previous
// string's terminator; absent strings come last as empty strings. Each string is
// copied from its own characters, so nothing beyond them is read.
KELVO_API int kelvo_mir_buf(kelvo_mir_struct *mir) {
    uint32_t texts = 0;
    for (auto field : mir::kText) texts += uint32_t{(mir->*field).len} + 1;
    // The record's string tail and thirty terminators: REC_LEN + 15 bytes.
    uint32_t need = std::max(uint32_t{mir->REC_LEN} + 15, texts);
    StringCopy copy;
    if (!copy.reserve(need)) return 0;
    for (auto field : mir::kText) copy.text(mir->*field);
    return 1;
}

KELVO_API int kelvo_mirbuf_read(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status) {
    return copy_decoded(mir::read(handle, header, mir, status), [handle, mir] {
        return Kelvo_file_attributes[handle].kelvo_ver >= 4 ? kelvo_mir_buf(mir) : kelvo_v3_mir_buf(mir);
    });
}

}  // extern "C"
