// ATR writing.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_atrwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_atr_size(kelvo_atr_struct *atr) {
    Tail t;
    t.text(atr->CMD_LINE);
    return finish_size(atr, 4 + t.bytes());
}

KELVO_API void kelvo_atr_to_memory(const kelvo_atr_struct *atr, void *out) {
    Encoder e(out, atr->REC_LEN);
    e.leading_block(atr, 8);
    e.cn(atr->CMD_LINE);
}

KELVO_API int kelvo_atrwrite(int handle, kelvo_atr_struct *atr) {
    return write_record(handle, atr, 0, 20, kelvo_atr_size, kelvo_atr_to_memory);
}

}  // extern "C"
