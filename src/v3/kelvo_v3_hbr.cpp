// Version-3 HBR and SBR: placeholders until the version-3 layouts are decoded. Every
// field is given its missing value; HEAD_NUM and SITE_NUM, which version 3 lacks, 255.
#include "v3/v3_hbr.h"

#include "records/kelvo_bins.h"

KELVO_SOURCE_ID("kelvo_v3_hbr")

namespace kelvo::v3 {

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

void hbr_to_struct(kelvo_hbr_struct *hbr, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    header_only(hbr, image, attr, status);
}

void sbr_to_struct(kelvo_sbr_struct *sbr, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    header_only(sbr, image, attr, status);
}

}  // namespace kelvo::v3
