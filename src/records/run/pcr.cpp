// PCR: part counts of one head and site.
#include "codec/layout_codec.h"
#include "records/run/layout.h"

KELVO_SOURCE_ID("kelvo_pcrread")
KELVO_SOURCE_ID("kelvo_pcrwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::run::pcr::kLayout;

extern "C" {

// Present bits follow the counts the record holds whole, also in a record longer than
// the five counts (its extra bytes are not decoded).
KELVO_LAYOUT_READER(pcr, kLayout, nullptr)

// A PCR has no strings: buf_read is the read.
KELVO_API int kelvo_pcrbuf_read(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr, uint32_t *status) {
    return kelvo_pcrread(handle, header, pcr, status);
}

KELVO_LAYOUT_WRITERS(pcr, kLayout)

}  // extern "C"
