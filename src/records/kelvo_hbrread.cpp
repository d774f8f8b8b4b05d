// HBR: reading and decoding (the decoder is shared with the other bin record).
#include "records/kelvo_bins.h"

KELVO_SOURCE_ID("kelvo_hbrread")

using namespace kelvo;

extern "C" {

KELVO_API void kelvo_hbr_to_struct(kelvo_hbr_struct *hbr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    bins::to_struct(hbr, image, attr, status);
}

KELVO_API int kelvo_hbrread(int handle, const kelvo_header *header, kelvo_hbr_struct *hbr, uint32_t *status) {
    return bins::read(handle, header, hbr, status, kelvo_v3_hbr_to_struct).result;
}

}  // extern "C"
