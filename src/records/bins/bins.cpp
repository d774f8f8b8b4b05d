// HBR and SBR: hardware and software bin records. A version-3 handle's records are
// decoded by the version-3 decoders; copies and writers serve both versions.
#include "records/bins/layout.h"
#include "codec/layout_codec.h"

KELVO_SOURCE_ID("kelvo_hbrread")
KELVO_SOURCE_ID("kelvo_hbrbuf_read")
KELVO_SOURCE_ID("kelvo_hbrwrite")
KELVO_SOURCE_ID("kelvo_sbrread")
KELVO_SOURCE_ID("kelvo_sbrbuf_read")
KELVO_SOURCE_ID("kelvo_sbrwrite")

using namespace kelvo;
using kelvo::bins::kHbr;
using kelvo::bins::kSbr;

namespace {

template <class S>
using Decoder = void (*)(S *, const void *, const kelvo_attributes *, uint32_t *);

// The read: the version-3 decoder `v3` below version 4, else `v4`.
template <class S>
codec::ReadResult read(int handle, const kelvo_header *header, S *s, uint32_t *status, Decoder<S> v4,
                       Decoder<S> v3) {
    return codec::read_decode(handle, header, s, [=](S *t, const void *image, const kelvo_attributes *attr) {
        (is_v3(attr) ? v3 : v4)(t, image, attr, status);
    });
}

}  // namespace

extern "C" {

KELVO_API void kelvo_hbr_to_struct(kelvo_hbr_struct *hbr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    layout::decode<kHbr>(hbr, image, attr, status);
}

KELVO_API void kelvo_sbr_to_struct(kelvo_sbr_struct *sbr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    layout::decode<kSbr>(sbr, image, attr, status);
}

KELVO_API int kelvo_hbrread(int handle, const kelvo_header *header, kelvo_hbr_struct *hbr, uint32_t *status) {
    return read(handle, header, hbr, status, kelvo_hbr_to_struct, kelvo_v3_hbr_to_struct).result;
}

KELVO_API int kelvo_sbrread(int handle, const kelvo_header *header, kelvo_sbr_struct *sbr, uint32_t *status) {
    return read(handle, header, sbr, status, kelvo_sbr_to_struct, kelvo_v3_sbr_to_struct).result;
}

// The name copied into the string buffer, NUL-terminated (an empty one too).
KELVO_API int kelvo_hbr_buf(kelvo_hbr_struct *hbr) { return layout::copy<kHbr>(hbr); }

KELVO_API int kelvo_sbr_buf(kelvo_sbr_struct *sbr) { return layout::copy<kSbr>(sbr); }

KELVO_API int kelvo_hbrbuf_read(int handle, const kelvo_header *header, kelvo_hbr_struct *hbr, uint32_t *status) {
    return codec::copy_decoded(read(handle, header, hbr, status, kelvo_hbr_to_struct, kelvo_v3_hbr_to_struct),
                               [hbr] { return kelvo_hbr_buf(hbr); });
}

KELVO_API int kelvo_sbrbuf_read(int handle, const kelvo_header *header, kelvo_sbr_struct *sbr, uint32_t *status) {
    return codec::copy_decoded(read(handle, header, sbr, status, kelvo_sbr_to_struct, kelvo_v3_sbr_to_struct),
                               [sbr] { return kelvo_sbr_buf(sbr); });
}

KELVO_LAYOUT_WRITERS(hbr, kHbr)
KELVO_LAYOUT_WRITERS(sbr, kSbr)

}  // extern "C"
