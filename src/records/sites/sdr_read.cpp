// SDR: site description.
#include "records/sites/sdr.h"

KELVO_SOURCE_ID("kelvo_sdrread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_sdr_struct, HEAD_NUM) == 4);
static_assert(offsetof(kelvo_sdr_struct, SITE_GRP) == 5);
static_assert(offsetof(kelvo_sdr_struct, SITE_CNT) == 6);

extern "C" {

KELVO_API void kelvo_sdr_to_struct(kelvo_sdr_struct *sdr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(sdr, 7);
    v.fix_header(sdr);
    // SITE_NUM stays in the image; SITE_CNT is cut to the site numbers the record
    // holds (0 when it ends before them), so that SITE_NUM always covers it.
    if (!v.bytes_in_place(sdr->SITE_NUM, sdr->SITE_CNT)) sdr->SITE_CNT = 0;
    for (int i = 0; i < 16; ++i) {
        kelvo_cn &s = sdr->*sdr::kTexts[i];
        bool present = v.cn(s);
        st.text(i, present, s);
    }
}

KELVO_API int kelvo_sdrread(int handle, const kelvo_header *header, kelvo_sdr_struct *sdr, uint32_t *status) {
    return read_record(handle, header, sdr, status, kelvo_sdr_to_struct);
}

}  // extern "C"
