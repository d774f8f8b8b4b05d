// SBR: copy of the bin name into the string buffer (whatever the file's version).
#include "records/kelvo_bins.h"

KELVO_SOURCE_ID("kelvo_sbrbuf_read")

using namespace kelvo;

extern "C" {

KELVO_API int kelvo_sbr_buf(kelvo_sbr_struct *sbr) { return bins::copy(sbr); }

KELVO_API int kelvo_sbrbuf_read(int handle, const kelvo_header *header, kelvo_sbr_struct *sbr, uint32_t *status) {
    return codec::copy_decoded(bins::read(handle, header, sbr, status, kelvo_v3_sbr_to_struct),
                               [sbr] { return kelvo_sbr_buf(sbr); });
}

}  // extern "C"
