// PGR: copy of the group name into the string buffer; PMR_INDX stays in the array buffer.
#include "records/pins/pgr.h"

KELVO_SOURCE_ID("kelvo_pgrbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_pgr_buf(kelvo_pgr_struct *pgr) { return copy_texts(pgr, &kelvo_pgr_struct::GRP_NAM); }

KELVO_API int kelvo_pgrbuf_read(int handle, const kelvo_header *header, kelvo_pgr_struct *pgr, uint32_t *status) {
    return copy_decoded(pgr_read(handle, header, pgr, status), [pgr] { return kelvo_pgr_buf(pgr); });
}

}  // extern "C"
