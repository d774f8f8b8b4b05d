// WIR writing: an empty WAFER_ID is left off together with its length byte.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_wirwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_wir_size(kelvo_wir_struct *wir) {
    Tail t;
    t.text(wir->WAFER_ID);
    return finish_size(wir, 6 + t.bytes());
}

KELVO_API void kelvo_wir_to_memory(const kelvo_wir_struct *wir, void *out) {
    Encoder e(out, wir->REC_LEN);
    e.leading_block(wir, 6);
    e.put(wir->START_T);
    e.cn(wir->WAFER_ID);
}

KELVO_API int kelvo_wirwrite(int handle, kelvo_wir_struct *wir) {
    return write_record(handle, wir, 2, 10, kelvo_wir_size, kelvo_wir_to_memory);
}

}  // extern "C"
