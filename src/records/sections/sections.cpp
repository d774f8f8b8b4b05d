// BPS, EPS and DTR: the begin and end of a program section, and datalog text.
#include "codec/layout_codec.h"
#include "records/sections/layout.h"

KELVO_SOURCE_ID("kelvo_bpsread")
KELVO_SOURCE_ID("kelvo_bpsbuf_read")
KELVO_SOURCE_ID("kelvo_bpswrite")
KELVO_SOURCE_ID("kelvo_epsread")
KELVO_SOURCE_ID("kelvo_epsbuf_read")
KELVO_SOURCE_ID("kelvo_epswrite")
KELVO_SOURCE_ID("kelvo_dtrread")
KELVO_SOURCE_ID("kelvo_dtrbuf_read")
KELVO_SOURCE_ID("kelvo_dtrwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::sections::bps::kLayout;

static_assert(sizeof(kelvo_eps_struct) == 4);

extern "C" {

// A BPS of REC_LEN 0 has no name at all.
KELVO_LAYOUT_READER(bps, kLayout, nullptr)

// Only the stated characters are copied, so that a structure whose REC_LEN does not
// match its text never makes the copy read beyond it; room for REC_LEN + 1 bytes at least.
KELVO_API int kelvo_bps_buf(kelvo_bps_struct *bps) { return layout::copy<kLayout>(bps, bps->REC_LEN + 1u); }

KELVO_API int kelvo_bpsbuf_read(int handle, const kelvo_header *header, kelvo_bps_struct *bps, uint32_t *status) {
    return buf_read_record(handle, header, bps, status, kelvo_bps_to_struct, kelvo_bps_buf);
}

KELVO_LAYOUT_WRITERS(bps, kLayout)

KELVO_API void kelvo_eps_to_struct(kelvo_eps_struct *eps, const void *image, const kelvo_attributes *attr) {
    layout::decode<sections::eps::kLayout>(eps, image, attr, nullptr);
}

KELVO_API int kelvo_epsread(int handle, const kelvo_header *header, kelvo_eps_struct *eps) {
    return read_record(handle, header, eps, kelvo_eps_to_struct);
}

// Nothing to copy: buf_read is the read.
KELVO_API int kelvo_epsbuf_read(int handle, const kelvo_header *header, kelvo_eps_struct *eps) {
    return kelvo_epsread(handle, header, eps);
}

KELVO_LAYOUT_WRITERS(eps, sections::eps::kLayout)

// The length byte is taken whenever the record holds it; a DTR of REC_LEN 0 (which no
// writer produces) reads as an empty text.
KELVO_API void kelvo_dtr_to_struct(kelvo_dtr_struct *dtr, const void *image, const kelvo_attributes *attr) {
    layout::decode<sections::dtr::kLayout>(dtr, image, attr, nullptr);
}

KELVO_API int kelvo_dtrread(int handle, const kelvo_header *header, kelvo_dtr_struct *dtr) {
    return read_record(handle, header, dtr, kelvo_dtr_to_struct);
}

KELVO_API int kelvo_dtr_buf(kelvo_dtr_struct *dtr) {
    return layout::copy<sections::dtr::kLayout>(dtr, dtr->REC_LEN + 1u);
}

KELVO_API int kelvo_dtrbuf_read(int handle, const kelvo_header *header, kelvo_dtr_struct *dtr) {
    return buf_read_record(handle, header, dtr, kelvo_dtr_to_struct, kelvo_dtr_buf);
}

KELVO_LAYOUT_WRITERS(dtr, sections::dtr::kLayout)

}  // extern "C"
