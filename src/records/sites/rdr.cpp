// RDR: retest bins, converted into the array buffer.
#include "codec/layout_codec.h"
#include "records/sites/layout.h"

KELVO_SOURCE_ID("kelvo_rdrread")
KELVO_SOURCE_ID("kelvo_rdrbuf_read")
KELVO_SOURCE_ID("kelvo_rdrwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::sites::rdr::kLayout;

namespace {

// Decodes as kelvo_rdr_to_struct; false when the array buffer cannot hold the list
// (NUM_BINS then 0, RTST_BIN null).
bool decode(kelvo_rdr_struct *rdr, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    View v(image, attr);
    Status st(status);
    bool kept = true, present = false;
    layout::decode<kLayout>(rdr, v, st, [] {}, [&](auto) {
        present = v.present();
        rdr->RTST_BIN = nullptr;
        if (!present && rdr->NUM_BINS == 0) return false;
        // Bins the record does not hold (a list cut short, or none at all behind a
        // non-zero count) read as the missing bin, so that RTST_BIN always covers
        // NUM_BINS elements.
        Buffer &bins = array_buffer();
        if (!bins.reserve(uint32_t{rdr->NUM_BINS} * 2)) {
            rdr->NUM_BINS = 0;
            kept = false;
            return false;
        }
        rdr->RTST_BIN = reinterpret_cast<uint16_t *>(bins.data);
        v.integers_to<uint16_t>(rdr->RTST_BIN, rdr->NUM_BINS, sites::rdr::kMissingBin);
        return true;
    });
    // An empty list is wholly held even by a record that ends after NUM_BINS.
    if (kept) st.set(KELVO_RDR_RTST_BIN, present || rdr->NUM_BINS == 0, present && rdr->NUM_BINS != 0);
    return kept;
}

}  // namespace

extern "C" {

KELVO_API void kelvo_rdr_to_struct(kelvo_rdr_struct *rdr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    decode(rdr, image, attr, status);
}

KELVO_API int kelvo_rdrread(int handle, const kelvo_header *header, kelvo_rdr_struct *rdr, uint32_t *status) {
    return read_decode_checked(handle, header, rdr, status, decode).result;
}

// Nothing to copy (RTST_BIN stays in the array buffer): buf_read is the read.
KELVO_API int kelvo_rdrbuf_read(int handle, const kelvo_header *header, kelvo_rdr_struct *rdr, uint32_t *status) {
    return kelvo_rdrread(handle, header, rdr, status);
}

// The whole list is always written; more than 32766 bins do not fit a record, and the
// writer then writes nothing.
KELVO_LAYOUT_WRITERS(rdr, kLayout)

}  // extern "C"
