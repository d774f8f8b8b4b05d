// SDR: site description.
#include "codec/layout_codec.h"
#include "records/sites/layout.h"

KELVO_SOURCE_ID("kelvo_sdrread")
KELVO_SOURCE_ID("kelvo_sdrbuf_read")
KELVO_SOURCE_ID("kelvo_sdrwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::sites::sdr::kLayout;

static_assert(offsetof(kelvo_sdr_struct, HEAD_NUM) == 4);
static_assert(offsetof(kelvo_sdr_struct, SITE_GRP) == 5);
static_assert(offsetof(kelvo_sdr_struct, SITE_CNT) == 6);

extern "C" {

KELVO_API void kelvo_sdr_to_struct(kelvo_sdr_struct *sdr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    View v(image, attr);
    layout::decode<kLayout>(sdr, v, Status(status), [&] {
        // SITE_NUM stays in the image; SITE_CNT is cut to the site numbers the record
        // holds (0 when it ends before them), so that SITE_NUM always covers it.
        if (!v.bytes_in_place(sdr->SITE_NUM, sdr->SITE_CNT)) sdr->SITE_CNT = 0;
    });
}

KELVO_API int kelvo_sdrread(int handle, const kelvo_header *header, kelvo_sdr_struct *sdr, uint32_t *status) {
    return read_record(handle, header, sdr, status, kelvo_sdr_to_struct);
}

// The sixteen strings one after another, each NUL-terminated; SITE_NUM stays in the read
// buffer.
KELVO_API int kelvo_sdr_buf(kelvo_sdr_struct *sdr) {
    // The bytes behind the site numbers; a record without any strings copies nothing
    // (its strings are the static empty string).
    int32_t n = int32_t{sdr->REC_LEN} - sdr->SITE_CNT - 3;
    if (n < 1) return 1;
    // Room for the strings as the record holds them plus a NUL for each of the
    // sixteen, or for the stated lengths when the structure was changed since.
    return layout::copy<kLayout>(sdr, static_cast<uint32_t>(n) + 16);
}

KELVO_API int kelvo_sdrbuf_read(int handle, const kelvo_header *header, kelvo_sdr_struct *sdr, uint32_t *status) {
    return buf_read_record(handle, header, sdr, status, kelvo_sdr_to_struct, kelvo_sdr_buf);
}

// Trailing empty strings are left off; the site numbers never are.
KELVO_API int kelvo_sdr_size(kelvo_sdr_struct *sdr) { return layout::size<kLayout>(sdr, sdr->SITE_CNT); }

// A null site list is written as site numbers 0.
KELVO_API void kelvo_sdr_to_memory(const kelvo_sdr_struct *sdr, void *out) {
    layout::encode<kLayout>(sdr, out, [sdr](Encoder &e) { e.array<uint8_t>(sdr->SITE_NUM, sdr->SITE_CNT, 0); });
}

KELVO_API int kelvo_sdrwrite(int handle, kelvo_sdr_struct *sdr) {
    return write_record(handle, sdr, kLayout.typ, kLayout.sub, kelvo_sdr_size, kelvo_sdr_to_memory);
}

}  // extern "C"
