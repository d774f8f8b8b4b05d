// HBR and SBR: hardware and software bin records. A version-3 handle's records are
// decoded by the version-3 decoders; copies and writers serve both versions.
#include "codec/layout_codec.h"
#include "records/bins/layout.h"

KELVO_SOURCE_ID("kelvo_hbrread")
KELVO_SOURCE_ID("kelvo_hbrbuf_read")
KELVO_SOURCE_ID("kelvo_hbrwrite")
KELVO_SOURCE_ID("kelvo_sbrread")
KELVO_SOURCE_ID("kelvo_sbrbuf_read")
KELVO_SOURCE_ID("kelvo_sbrwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::bins::kHbr;
using kelvo::bins::kSbr;

extern "C" {

KELVO_LAYOUT_READER(hbr, kHbr, kelvo_v3_hbr_to_struct)
KELVO_LAYOUT_READER(sbr, kSbr, kelvo_v3_sbr_to_struct)

// The name copied into the string buffer, NUL-terminated (an empty one too).
KELVO_API int kelvo_hbr_buf(kelvo_hbr_struct *hbr) { return layout::copy<kHbr>(hbr); }

KELVO_API int kelvo_sbr_buf(kelvo_sbr_struct *sbr) { return layout::copy<kSbr>(sbr); }

KELVO_API int kelvo_hbrbuf_read(int handle, const kelvo_header *header, kelvo_hbr_struct *hbr, uint32_t *status) {
    return buf_read_record(handle, header, hbr, status, kelvo_hbr_to_struct, kelvo_hbr_buf, kelvo_v3_hbr_to_struct);
}

KELVO_API int kelvo_sbrbuf_read(int handle, const kelvo_header *header, kelvo_sbr_struct *sbr, uint32_t *status) {
    return buf_read_record(handle, header, sbr, status, kelvo_sbr_to_struct, kelvo_sbr_buf, kelvo_v3_sbr_to_struct);
}

KELVO_LAYOUT_WRITERS(hbr, kHbr)
KELVO_LAYOUT_WRITERS(sbr, kSbr)

}  // extern "C"
