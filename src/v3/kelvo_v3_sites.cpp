// Version-3 site records SCR, SHB, SSB and STS: not decoded yet. Each reads as its
// version-4 counterpart with every field absent.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_v3_sites")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API void kelvo_scr_to_struct(kelvo_pcr_struct *pcr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    decode_header_only(pcr, static_cast<const kelvo_header *>(image), attr,
                       [status](kelvo_pcr_struct *s, const void *img, const kelvo_attributes *a) {
                           kelvo_pcr_to_struct(s, img, a, status);
                       });
}
KELVO_API void kelvo_shb_to_struct(kelvo_hbr_struct *hbr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    kelvo_v3_hbr_to_struct(hbr, image, attr, status);
}
KELVO_API void kelvo_ssb_to_struct(kelvo_sbr_struct *sbr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    kelvo_v3_sbr_to_struct(sbr, image, attr, status);
}
KELVO_API void kelvo_sts_to_struct(kelvo_tsr_struct *tsr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    kelvo_v3_tsr_to_struct(0, tsr, image, attr, status);
}
KELVO_API int kelvo_shb_buf(kelvo_hbr_struct *hbr) { return kelvo_hbr_buf(hbr); }
KELVO_API int kelvo_ssb_buf(kelvo_sbr_struct *sbr) { return kelvo_sbr_buf(sbr); }
KELVO_API int kelvo_sts_buf(kelvo_tsr_struct *tsr) { return kelvo_tsr_buf(tsr); }

KELVO_API int kelvo_v3_scrread(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr, uint32_t *status) {
    return read_record(handle, header, pcr, [status](kelvo_pcr_struct *s, const void *img, const kelvo_attributes *a) {
        kelvo_scr_to_struct(s, img, a, status);
    });
}
KELVO_API int kelvo_v3_scrbuf_read(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr, uint32_t *status) {
    return kelvo_v3_scrread(handle, header, pcr, status);
}
KELVO_API int kelvo_v3_shbread(int handle, const kelvo_header *header, kelvo_hbr_struct *hbr, uint32_t *status) {
    return read_record(handle, header, hbr, [status](kelvo_hbr_struct *s, const void *img, const kelvo_attributes *a) {
        kelvo_shb_to_struct(s, img, a, status);
    });
}
KELVO_API int kelvo_v3_shbbuf_read(int handle, const kelvo_header *header, kelvo_hbr_struct *hbr, uint32_t *status) {
    return buf_read_record(
        handle, header, hbr,
        [status](kelvo_hbr_struct *s, const void *img, const kelvo_attributes *a) { kelvo_shb_to_struct(s, img, a, status); },
        kelvo_shb_buf);
}
KELVO_API int kelvo_v3_ssbread(int handle, const kelvo_header *header, kelvo_sbr_struct *sbr, uint32_t *status) {
    return read_record(handle, header, sbr, [status](kelvo_sbr_struct *s, const void *img, const kelvo_attributes *a) {
        kelvo_ssb_to_struct(s, img, a, status);
    });
}
KELVO_API int kelvo_v3_ssbbuf_read(int handle, const kelvo_header *header, kelvo_sbr_struct *sbr, uint32_t *status) {
    return buf_read_record(
        handle, header, sbr,
        [status](kelvo_sbr_struct *s, const void *img, const kelvo_attributes *a) { kelvo_ssb_to_struct(s, img, a, status); },
        kelvo_ssb_buf);
}
KELVO_API int kelvo_v3_stsread(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status) {
    return read_record(handle, header, tsr, [status](kelvo_tsr_struct *s, const void *img, const kelvo_attributes *a) {
        kelvo_sts_to_struct(s, img, a, status);
    });
}
KELVO_API int kelvo_v3_stsbuf_read(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status) {
    return buf_read_record(
        handle, header, tsr,
        [status](kelvo_tsr_struct *s, const void *img, const kelvo_attributes *a) { kelvo_sts_to_struct(s, img, a, status); },
        kelvo_sts_buf);
}

}  // extern "C"
