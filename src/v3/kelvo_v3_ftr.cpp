// Version-3 FDR and FTR. Until their layouts are decoded, an FDR offers nothing and an
// FTR reads as a record that holds none of its optional fields.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_v3_ftr")

using namespace kelvo;

extern "C" {

KELVO_API void kelvo_v3_ftr_to_struct(int, kelvo_ftr_struct *ftr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status) {
    codec::decode_header_only(ftr, static_cast<const kelvo_header *>(image), attr,
                              [status](kelvo_ftr_struct *s, const void *img, const kelvo_attributes *a) {
                                  kelvo_ftr_to_struct(s, img, a, status);
                              });
}

KELVO_API int kelvo_v3_ftr_buf(kelvo_ftr_struct *) { return 1; }

KELVO_API void kelvo_v3_fdr_to_struct(int, const void *, const kelvo_attributes *) {}

KELVO_API int kelvo_v3_fdrread(int handle, const kelvo_header *header) {
    kelvo_header unused;
    return codec::read_record(handle, header, &unused, [handle](kelvo_header *, const void *image,
                                                                const kelvo_attributes *attr) {
        kelvo_v3_fdr_to_struct(handle, image, attr);
    });
}

KELVO_API int kelvo_v3_fdrbuf_read(int handle, const kelvo_header *header) { return kelvo_v3_fdrread(handle, header); }

}  // extern "C"
