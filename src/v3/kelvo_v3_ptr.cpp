// Version-3 PDR and PTR: not decoded yet. A PTR gets the record's defaults, as if
// every field after the header were absent; a PDR likewise.
#include "records/ptr.h"

KELVO_SOURCE_ID("kelvo_v3_ptr")

using namespace kelvo;

extern "C" {

KELVO_API void kelvo_v3_ptr_to_struct(int, kelvo_ptr_struct *ptr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status) {
    codec::decode_header_only(ptr, static_cast<const kelvo_header *>(image), attr,
                              [status](kelvo_ptr_struct *s, const void *img, const kelvo_attributes *a) {
                                  ptr::decode(s, img, a, status);
                              });
}

KELVO_API int kelvo_v3_ptr_buf(kelvo_ptr_struct *) { return 1; }

KELVO_API void kelvo_v3_pdr_to_ptr_struct(int handle, kelvo_ptr_struct *ptr, const void *image,
                                          const kelvo_attributes *attr, uint32_t *status) {
    kelvo_v3_ptr_to_struct(handle, ptr, image, attr, status);
}

KELVO_API int kelvo_v3_pdrread(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr, uint32_t *status) {
    return codec::read_record(handle, header, ptr,
                              [handle, status](kelvo_ptr_struct *s, const void *img, const kelvo_attributes *a) {
                                  kelvo_v3_pdr_to_ptr_struct(handle, s, img, a, status);
                              });
}

KELVO_API int kelvo_v3_pdrbuf_read(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr,
                                   uint32_t *status) {
    return kelvo_v3_pdrread(handle, header, ptr, status);
}

}  // extern "C"
