// WRR writing: the fixed fields always, the texts up to the last one that is not empty.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_wrrwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_wrr_size(kelvo_wrr_struct *wrr) {
    Tail t;
    t.text(wrr->EXC_DESC);
    t.text(wrr->USR_DESC);
    t.text(wrr->MASK_ID);
    t.text(wrr->FRAME_ID);
    t.text(wrr->FABWF_ID);
    t.text(wrr->WAFER_ID);
    return finish_size(wrr, 26 + t.bytes());
}

KELVO_API void kelvo_wrr_to_memory(const kelvo_wrr_struct *wrr, void *out) {
    Encoder e(out, wrr->REC_LEN);
    e.leading_block(wrr, 6);
    e.put(wrr->FINISH_T);
    e.put(wrr->PART_CNT);
    e.put(wrr->RTST_CNT);
    e.put(wrr->ABRT_CNT);
    e.put(wrr->GOOD_CNT);
    e.put(wrr->FUNC_CNT);
    e.cn(wrr->WAFER_ID);
    e.cn(wrr->FABWF_ID);
    e.cn(wrr->FRAME_ID);
    e.cn(wrr->MASK_ID);
    e.cn(wrr->USR_DESC);
    e.cn(wrr->EXC_DESC);
}

KELVO_API int kelvo_wrrwrite(int handle, kelvo_wrr_struct *wrr) {
    return write_record(handle, wrr, 2, 20, kelvo_wrr_size, kelvo_wrr_to_memory);
}

}  // extern "C"
