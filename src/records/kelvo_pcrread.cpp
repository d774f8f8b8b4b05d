// PCR: part counts of one head and site.
#include "records/codec.h"
#include "records/pcr.h"

KELVO_SOURCE_ID("kelvo_pcrread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_pcr_struct, HEAD_NUM) == 4);
static_assert(offsetof(kelvo_pcr_struct, SITE_NUM) == pcr::kLeadingBlock - 1);
static_assert(offsetof(kelvo_pcr_struct, PART_CNT) == 8);
static_assert(offsetof(kelvo_pcr_struct, FUNC_CNT) == offsetof(kelvo_pcr_struct, PART_CNT) + 16,
              "the five counts are contiguous");

extern "C" {

// Present bits follow the counts the record holds whole, also in a record longer than
// the five counts (its extra bytes are not decoded).
KELVO_API void kelvo_pcr_to_struct(kelvo_pcr_struct *pcr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    View v(image, attr);
    v.leading_block(pcr, pcr::kLeadingBlock);
    pcr::decode_counts(v, *pcr, Status(status), 0);
    v.fix_header(pcr);
}

KELVO_API int kelvo_pcrread(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr, uint32_t *status) {
    return read_record(handle, header, pcr,
                       [status](kelvo_pcr_struct *s, const void *image, const kelvo_attributes *a) {
                           kelvo_pcr_to_struct(s, image, a, status);
                       });
}

// A PCR has no strings: buf_read is the read.
KELVO_API int kelvo_pcrbuf_read(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr, uint32_t *status) {
    return kelvo_pcrread(handle, header, pcr, status);
}

}  // extern "C"
