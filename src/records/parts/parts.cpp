// PIR and PRR: the start and the results of one part. A version-3 handle's records are
// decoded by the version-3 decoders, which keep the part's state between the two.
#include "codec/layout_codec.h"
#include "records/parts/layout.h"
#include "v3/v3.h"

KELVO_SOURCE_ID("kelvo_pirread")
KELVO_SOURCE_ID("kelvo_pirbuf_read")
KELVO_SOURCE_ID("kelvo_pirwrite")
KELVO_SOURCE_ID("kelvo_prrread")
KELVO_SOURCE_ID("kelvo_prrbuf_read")
KELVO_SOURCE_ID("kelvo_prrwrite")

using namespace kelvo;
using namespace kelvo::codec;

namespace {

ReadResult read_pir(int handle, const kelvo_header *header, kelvo_pir_struct *pir) {
    return read_decode_checked(handle, header, pir,
                               [handle](kelvo_pir_struct *s, const void *image, const kelvo_attributes *attr) {
                                   if (is_v3(attr)) return v3::pir_to_struct(s, image, attr, handle);
                                   kelvo_pir_to_struct(s, image, attr);
                                   return true;
                               });
}

ReadResult read_prr(int handle, const kelvo_header *header, kelvo_prr_struct *prr, uint32_t *status) {
    return read_decode(handle, header, prr,
                       [handle, status](kelvo_prr_struct *s, const void *image, const kelvo_attributes *attr) {
                           if (is_v3(attr)) kelvo_v3_prr_to_struct(s, image, attr, status, handle);
                           else kelvo_prr_to_struct(s, image, attr, status);
                       });
}

}  // namespace

extern "C" {

KELVO_API void kelvo_pir_to_struct(kelvo_pir_struct *pir, const void *image, const kelvo_attributes *attr) {
    layout::decode<parts::pir::kLayout>(pir, image, attr, nullptr);
}

KELVO_API int kelvo_pirread(int handle, const kelvo_header *header, kelvo_pir_struct *pir) {
    return read_pir(handle, header, pir).result;
}

// The copy reserves string-buffer room for a version-3 record and copies nothing.
KELVO_API int kelvo_pir_buf(kelvo_pir_struct *pir) {
    int32_t need = int32_t{pir->REC_LEN} - 6;
    if (need <= 0) return 1;
    return string_buffer().reserve_slack(static_cast<uint32_t>(need), 255) ? 1 : 0;
}

KELVO_API int kelvo_pirbuf_read(int handle, const kelvo_header *header, kelvo_pir_struct *pir) {
    return copy_decoded(read_pir(handle, header, pir), [handle, pir] {
        return !is_v3(handle) || kelvo_pir_buf(pir);
    });
}

KELVO_LAYOUT_WRITERS(pir, parts::pir::kLayout)

KELVO_API void kelvo_prr_to_struct(kelvo_prr_struct *prr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    layout::decode<parts::prr::kLayout>(prr, image, attr, status);
}

KELVO_API int kelvo_prrread(int handle, const kelvo_header *header, kelvo_prr_struct *prr, uint32_t *status) {
    return read_prr(handle, header, prr, status).result;
}

// PART_ID and PART_TXT copied; PART_FIX stays where it is. Room is reserved for both
// texts and both terminators, whatever REC_LEN says.
KELVO_API int kelvo_prr_buf(kelvo_prr_struct *prr) { return layout::copy<parts::prr::kLayout>(prr); }

KELVO_API int kelvo_prrbuf_read(int handle, const kelvo_header *header, kelvo_prr_struct *prr, uint32_t *status) {
    return copy_decoded(read_prr(handle, header, prr, status), [prr] { return kelvo_prr_buf(prr); });
}

KELVO_LAYOUT_WRITERS(prr, parts::prr::kLayout)

}  // extern "C"
