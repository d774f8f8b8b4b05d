// RDR: retest bins, converted into the array buffer.
#include "records/sites/rdr.h"

KELVO_SOURCE_ID("kelvo_rdrread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_rdr_struct, NUM_BINS) == 4);

namespace kelvo::rdr {

bool decode(kelvo_rdr_struct *rdr, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    View v(image, attr);
    Status st(status);
    // NUM_BINS is always taken; bytes the record does not hold count as zero.
    v.leading_block(rdr, 6);
    fix(v, rdr->NUM_BINS);
    bool present = v.present();
    if (present || rdr->NUM_BINS != 0) {
        // Bins the record does not hold (a list cut short, or none at all behind a
        // non-zero count) read as the missing bin 65535, so that RTST_BIN always
        // covers NUM_BINS elements.
        Buffer &bins = array_buffer();
        if (!bins.reserve(uint32_t{rdr->NUM_BINS} * 2)) {
            rdr->NUM_BINS = 0;
            rdr->RTST_BIN = nullptr;
            st.set(0, false, false);
            v.fix_header(rdr);
            return false;
        }
        rdr->RTST_BIN = reinterpret_cast<uint16_t *>(bins.data);
        v.integers_to<uint16_t>(rdr->RTST_BIN, rdr->NUM_BINS, kMissingBin);
    } else {
        rdr->RTST_BIN = nullptr;
    }
    // An empty list is wholly held even by a record that ends after NUM_BINS.
    st.set(0, present || rdr->NUM_BINS == 0, present && rdr->NUM_BINS != 0);
    v.fix_header(rdr);
    return true;
}

}  // namespace kelvo::rdr

extern "C" {

KELVO_API void kelvo_rdr_to_struct(kelvo_rdr_struct *rdr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    rdr::decode(rdr, image, attr, status);
}

KELVO_API int kelvo_rdrread(int handle, const kelvo_header *header, kelvo_rdr_struct *rdr, uint32_t *status) {
    return read_decode_checked(handle, header, rdr, [status](kelvo_rdr_struct *s, const void *img,
                                                             const kelvo_attributes *a) {
               return rdr::decode(s, img, a, status);
           }).result;
}

}  // extern "C"
