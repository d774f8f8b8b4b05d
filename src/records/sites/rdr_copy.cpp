// RDR: nothing to copy (RTST_BIN stays in the array buffer); buf_read is the read.
#include "records/sites/rdr.h"

KELVO_SOURCE_ID("kelvo_rdrbuf_read")

extern "C" {

KELVO_API int kelvo_rdrbuf_read(int handle, const kelvo_header *header, kelvo_rdr_struct *rdr, uint32_t *status) {
    return kelvo_rdrread(handle, header, rdr, status);
}

}  // extern "C"
