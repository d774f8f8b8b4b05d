// PGR: pin group record. PMR_INDX is converted into the array buffer.
#include "codec/layout_codec.h"
#include "records/pins/layout.h"

KELVO_SOURCE_ID("kelvo_pgrread")
KELVO_SOURCE_ID("kelvo_pgrbuf_read")
KELVO_SOURCE_ID("kelvo_pgrwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::pins::pgr::kLayout;

namespace {

// Decodes a PGR; false when the array buffer cannot hold PMR_INDX (INDX_CNT is then 0
// and PMR_INDX null).
bool decode(kelvo_pgr_struct *pgr, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    View v(image, attr);
    bool kept = true;
    layout::decode<kLayout>(pgr, v, Status(status), [] {}, [&](auto) {
        pgr->PMR_INDX = nullptr;
        // No INDX_CNT (the record ends before it, or before GRP_NAM): no list.
        if (v.end() <= 6 || v.end() <= 7u + pgr->GRP_NAM.len) return false;
        Buffer &array = array_buffer();
        if (!array.reserve(uint32_t{pgr->INDX_CNT} * 2)) {
            // Nothing to point at: an empty list, and the reader reports the failure.
            pgr->INDX_CNT = 0;
            kept = false;
            return true;
        }
        // Indexes the record does not hold are 0.
        pgr->PMR_INDX = reinterpret_cast<uint16_t *>(array.data);
        v.integers_to<uint16_t>(pgr->PMR_INDX, pgr->INDX_CNT, 0);
        return true;
    });
    return kept;
}

// The read of both the reader and buf_read: 0 and not copied when the array buffer
// cannot be had, as when the read buffer cannot.
ReadResult read(int handle, const kelvo_header *header, kelvo_pgr_struct *pgr, uint32_t *status) {
    return read_decode_checked(handle, header, pgr, status, decode);
}

}  // namespace

extern "C" {

KELVO_API void kelvo_pgr_to_struct(kelvo_pgr_struct *pgr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    decode(pgr, image, attr, status);
}

KELVO_API int kelvo_pgrread(int handle, const kelvo_header *header, kelvo_pgr_struct *pgr, uint32_t *status) {
    return read(handle, header, pgr, status).result;
}

// The group name into the string buffer; PMR_INDX stays in the array buffer.
KELVO_API int kelvo_pgr_buf(kelvo_pgr_struct *pgr) { return layout::copy<kLayout>(pgr); }

KELVO_API int kelvo_pgrbuf_read(int handle, const kelvo_header *header, kelvo_pgr_struct *pgr, uint32_t *status) {
    return copy_decoded(read(handle, header, pgr, status), [pgr] { return kelvo_pgr_buf(pgr); });
}

// Every field always; a list too long for one record is not written.
KELVO_LAYOUT_WRITERS(pgr, kLayout)

}  // extern "C"
