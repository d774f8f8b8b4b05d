// TSR: test synopsis record. A version-3 handle's records carry the summary in another
// form and are decoded by the version-3 decoder; the copy serves both.
#include "codec/layout_codec.h"
#include "records/summary/layout.h"

KELVO_SOURCE_ID("kelvo_tsrread")
KELVO_SOURCE_ID("kelvo_tsrbuf_read")
KELVO_SOURCE_ID("kelvo_tsrwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::summary::tsr::kLayout;

namespace {

ReadResult read_tsr(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status) {
    return read_decode(handle, header, tsr,
                       [handle, status](kelvo_tsr_struct *s, const void *img, const kelvo_attributes *a) {
                           if (!is_v3(a)) kelvo_tsr_to_struct(s, img, a, status);
                           else kelvo_v3_tsr_to_struct(handle, s, img, a, status);
                       });
}

}  // namespace

extern "C" {

KELVO_API void kelvo_tsr_to_struct(kelvo_tsr_struct *tsr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    layout::decode<kLayout>(tsr, image, attr, status);
}

KELVO_API int kelvo_tsrread(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status) {
    return read_tsr(handle, header, tsr, status).result;
}

// The names copied, whether from the record or (version 3) from the name lists.
KELVO_API int kelvo_tsr_buf(kelvo_tsr_struct *tsr) { return layout::copy<kLayout>(tsr); }

KELVO_API int kelvo_tsrbuf_read(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status) {
    return copy_decoded(read_tsr(handle, header, tsr, status), [tsr] { return kelvo_tsr_buf(tsr); });
}

KELVO_LAYOUT_WRITERS(tsr, kLayout)

}  // extern "C"
