// PGR: copy of the group name into the string buffer; PMR_INDX stays in the array buffer.
#include "records/kelvo_pgr.h"

KELVO_SOURCE_ID("kelvo_pgrbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_pgr_buf(kelvo_pgr_struct *pgr) { return copy_texts(pgr, &kelvo_pgr_struct::GRP_NAM); }

KELVO_API int kelvo_pgrbuf_read(int handle, const kelvo_header *header, kelvo_pgr_struct *pgr, uint32_t *status) {
    bool ok = true;
    ReadResult r = read_decode(handle, header, pgr,
                               [&ok, status](kelvo_pgr_struct *s, const void *img, const kelvo_attributes *a) {
                                   ok = pgr_decode(s, img, a, status);
                               });
    if (!r.decoded || !ok) return ok ? r.result : 0;
    return kelvo_pgr_buf(pgr) ? r.result : -3;
}

}  // extern "C"
