// Version-3 PIR and PRR: placeholders until the version-3 layouts are decoded. Only
// the header is taken; every other field gets its missing value.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_v3_pir")

using namespace kelvo;

extern "C" {

KELVO_API void kelvo_v3_pir_to_struct(kelvo_pir_struct *pir, const void *image, const kelvo_attributes *attr, int) {
    kelvo_header header;
    std::memcpy(&header, image, sizeof header);
    codec::decode_header_only(pir, &header, attr, kelvo_pir_to_struct);
}

KELVO_API void kelvo_v3_prr_to_struct(kelvo_prr_struct *prr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status, int) {
    kelvo_header header;
    std::memcpy(&header, image, sizeof header);
    codec::decode_header_only(prr, &header, attr,
                              [status](kelvo_prr_struct *s, const void *img, const kelvo_attributes *a) {
                                  kelvo_prr_to_struct(s, img, a, status);
                              });
}

}  // extern "C"
