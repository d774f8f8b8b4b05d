// PMR: pin map record. A version-3 handle's records are decoded and copied by the
// version-3 operations.
#include "codec/layout_codec.h"
#include "records/pins/layout.h"

KELVO_SOURCE_ID("kelvo_pmrread")
KELVO_SOURCE_ID("kelvo_pmrbuf_read")
KELVO_SOURCE_ID("kelvo_pmrwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::pins::pmr::kLayout;

extern "C" {

KELVO_LAYOUT_READER(pmr, kLayout, kelvo_v3_pmr_to_struct)

// Each name is copied from where it points, so a structure whose names do not lie
// one after another in a record image is copied as safely as a decoded one.
KELVO_API int kelvo_pmr_buf(kelvo_pmr_struct *pmr) { return layout::copy<kLayout>(pmr); }

KELVO_API int kelvo_pmrbuf_read(int handle, const kelvo_header *header, kelvo_pmr_struct *pmr, uint32_t *status) {
    return buf_read_record(handle, header, pmr, status, kelvo_pmr_to_struct, kelvo_pmr_buf, kelvo_v3_pmr_to_struct,
                           kelvo_v3_pmr_buf);
}


KELVO_LAYOUT_WRITERS(pmr, kLayout)

}  // extern "C"
