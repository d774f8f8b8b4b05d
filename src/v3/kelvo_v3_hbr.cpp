// Version-3 HBR and SBR: placeholders until the version-3 layouts are decoded. Every
// field is given its missing value; HEAD_NUM and SITE_NUM, which version 3 lacks, 255.
#include "records/kelvo_bins.h"

KELVO_SOURCE_ID("kelvo_v3_hbr")

using namespace kelvo;

namespace {
template <class S>
void header_only(S *s, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    kelvo_header header;
    std::memcpy(&header, image, sizeof header);
    codec::decode_header_only(s, &header, attr, [status](S *t, const void *img, const kelvo_attributes *a) {
        bins::to_struct(t, img, a, status);
    });
    s->HEAD_NUM = 255;
    s->SITE_NUM = 255;
}
}  // namespace

extern "C" {

KELVO_API void kelvo_v3_hbr_to_struct(kelvo_hbr_struct *hbr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status) {
    header_only(hbr, image, attr, status);
}

KELVO_API void kelvo_v3_sbr_to_struct(kelvo_sbr_struct *sbr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status) {
    header_only(sbr, image, attr, status);
}

}  // extern "C"
