// PRR: copy of PART_ID and PART_TXT into the string buffer; PART_FIX stays where it is.
#include "records/kelvo_part.h"

KELVO_SOURCE_ID("kelvo_prrbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

// Room is reserved for both texts and both terminators, whatever REC_LEN says.
KELVO_API int kelvo_prr_buf(kelvo_prr_struct *prr) {
    return copy_texts(prr, &kelvo_prr_struct::PART_ID, &kelvo_prr_struct::PART_TXT);
}

KELVO_API int kelvo_prrbuf_read(int handle, const kelvo_header *header, kelvo_prr_struct *prr, uint32_t *status) {
    return copy_decoded(part::read_prr(handle, header, prr, status), [prr] { return kelvo_prr_buf(prr); });
}

}  // extern "C"
