// PGR: pin group record. PMR_INDX is converted into the array buffer.
#include "records/pins/pgr.h"

KELVO_SOURCE_ID("kelvo_pgrread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_pgr_struct, GRP_INDX) == 4);

namespace kelvo::codec {

bool pgr_decode(kelvo_pgr_struct *pgr, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(pgr, 6);
    fix(v, pgr->GRP_INDX);
    v.fix_header(pgr);
    st.text(0, v.cn(pgr->GRP_NAM), pgr->GRP_NAM);
    if (!v.integer<uint16_t>(pgr->INDX_CNT, 0)) {
        pgr->PMR_INDX = nullptr;
        st.set(1, false, false);
        return true;
    }
    Buffer &array = array_buffer();
    if (!array.reserve(uint32_t{pgr->INDX_CNT} * 2)) {
        // Nothing to point at: an empty list, and the reader reports the failure.
        pgr->INDX_CNT = 0;
        pgr->PMR_INDX = nullptr;
        st.set(1, true, false);
        return false;
    }
    // Indexes the record does not hold are 0.
    pgr->PMR_INDX = reinterpret_cast<uint16_t *>(array.data);
    v.integers_to<uint16_t>(pgr->PMR_INDX, pgr->INDX_CNT, 0);
    st.set(1, true, pgr->INDX_CNT != 0);
    return true;
}

}  // namespace kelvo::codec

extern "C" {

KELVO_API void kelvo_pgr_to_struct(kelvo_pgr_struct *pgr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    pgr_decode(pgr, image, attr, status);
}

// 0 when the array buffer cannot be had, as when the read buffer cannot.
KELVO_API int kelvo_pgrread(int handle, const kelvo_header *header, kelvo_pgr_struct *pgr, uint32_t *status) {
    return pgr_read(handle, header, pgr, status).result;
}

}  // extern "C"
