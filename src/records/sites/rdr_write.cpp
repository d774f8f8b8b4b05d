// RDR writing: the whole list is always written.
#include "records/sites/rdr.h"

KELVO_SOURCE_ID("kelvo_rdrwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_rdr_size(kelvo_rdr_struct *rdr) {
    // More than 32766 bins do not fit a record: the writer then writes nothing.
    return finish_size(rdr, 2 * (uint32_t{rdr->NUM_BINS} + 1));
}

KELVO_API void kelvo_rdr_to_memory(const kelvo_rdr_struct *rdr, void *out) {
    Encoder e(out, rdr->REC_LEN);
    e.leading_block(rdr, 6);
    e.array<uint16_t>(rdr->RTST_BIN, rdr->NUM_BINS, rdr::kMissingBin);
}

KELVO_API int kelvo_rdrwrite(int handle, kelvo_rdr_struct *rdr) {
    return write_record(handle, rdr, KELVO_RDR_TYP, KELVO_RDR_SUB, kelvo_rdr_size, kelvo_rdr_to_memory);
}

}  // extern "C"
