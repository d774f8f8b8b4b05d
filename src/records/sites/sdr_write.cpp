// SDR writing: trailing empty strings are left off; the site numbers never are.
#include "records/sites/sdr.h"

KELVO_SOURCE_ID("kelvo_sdrwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_sdr_size(kelvo_sdr_struct *sdr) {
    Tail t;
    for (int i = 15; i >= 0; --i) t.text(sdr->*sdr::kTexts[i]);
    return finish_size(sdr, t.bytes() + sdr->SITE_CNT + 3);
}

KELVO_API void kelvo_sdr_to_memory(const kelvo_sdr_struct *sdr, void *out) {
    Encoder e(out, sdr->REC_LEN);
    e.leading_block(sdr, 7);
    // A null site list is written as site numbers 0.
    e.array<uint8_t>(sdr->SITE_NUM, sdr->SITE_CNT, 0);
    for (auto field : sdr::kTexts) e.cn(sdr->*field);
}

KELVO_API int kelvo_sdrwrite(int handle, kelvo_sdr_struct *sdr) {
    return write_record(handle, sdr, KELVO_SDR_TYP, KELVO_SDR_SUB, kelvo_sdr_size, kelvo_sdr_to_memory);
}

}  // extern "C"
