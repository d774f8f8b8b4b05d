// SBR: reading and decoding (the decoder is shared with the other bin record).
#include "records/kelvo_bins.h"

KELVO_SOURCE_ID("kelvo_sbrread")

using namespace kelvo;

extern "C" {

KELVO_API void kelvo_sbr_to_struct(kelvo_sbr_struct *sbr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    bins::to_struct(sbr, image, attr, status);
}

KELVO_API int kelvo_sbrread(int handle, const kelvo_header *header, kelvo_sbr_struct *sbr, uint32_t *status) {
    return bins::read(handle, header, sbr, status, kelvo_v3_sbr_to_struct).result;
}

}  // extern "C"
