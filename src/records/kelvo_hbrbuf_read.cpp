// HBR: copy of the bin name into the string buffer (whatever the file's version).
#include "records/kelvo_bins.h"

KELVO_SOURCE_ID("kelvo_hbrbuf_read")

using namespace kelvo;

extern "C" {

KELVO_API int kelvo_hbr_buf(kelvo_hbr_struct *hbr) { return bins::copy(hbr); }

KELVO_API int kelvo_hbrbuf_read(int handle, const kelvo_header *header, kelvo_hbr_struct *hbr, uint32_t *status) {
    return codec::copy_decoded(bins::read(handle, header, hbr, status, kelvo_v3_hbr_to_struct),
                               [hbr] { return kelvo_hbr_buf(hbr); });
}

}  // extern "C"
