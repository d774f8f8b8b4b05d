// PCR writing: PART_CNT always, the other counts up to the last one given.
#include "records/codec.h"
#include "records/pcr.h"

KELVO_SOURCE_ID("kelvo_pcrwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_pcr_size(kelvo_pcr_struct *pcr) {
    Tail t;
    for (int k = 4; k >= 1; --k) t.field(pcr->*pcr::kCount[k] != pcr::kMissing, 4);
    return finish_size(pcr, 6 + t.bytes());  // HEAD_NUM, SITE_NUM, PART_CNT, then the tail
}

KELVO_API void kelvo_pcr_to_memory(const kelvo_pcr_struct *pcr, void *out) {
    Encoder e(out, pcr->REC_LEN);
    e.leading_block(pcr, pcr::kLeadingBlock);
    for (auto count : pcr::kCount) e.put<uint32_t>(pcr->*count);
}

KELVO_API int kelvo_pcrwrite(int handle, kelvo_pcr_struct *pcr) {
    return write_record(handle, pcr, 1, 30, kelvo_pcr_size, kelvo_pcr_to_memory);
}

}  // extern "C"
