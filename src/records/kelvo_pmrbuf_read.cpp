// PMR: copy of the three names into the string buffer.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_pmrbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

// Each name is copied from where it points, so a structure whose names do not lie
// one after another in a record image is copied as safely as a decoded one.
KELVO_API int kelvo_pmr_buf(kelvo_pmr_struct *pmr) {
    return copy_texts(pmr, &kelvo_pmr_struct::CHAN_NAM, &kelvo_pmr_struct::PHY_NAM, &kelvo_pmr_struct::LOG_NAM);
}

KELVO_API int kelvo_pmrbuf_read(int handle, const kelvo_header *header, kelvo_pmr_struct *pmr, uint32_t *status) {
    const kelvo_attributes *attr = handle_attributes(handle);
    bool v4 = attr && attr->kelvo_ver >= 4;
    return buf_read_record(
        handle, header, pmr,
        [v4, status](kelvo_pmr_struct *s, const void *img, const kelvo_attributes *a) {
            if (v4) kelvo_pmr_to_struct(s, img, a, status);
            else kelvo_v3_pmr_to_struct(s, img, a, status);
        },
        [v4](kelvo_pmr_struct *s) { return v4 ? kelvo_pmr_buf(s) : kelvo_v3_pmr_buf(s); });
}

}  // extern "C"
