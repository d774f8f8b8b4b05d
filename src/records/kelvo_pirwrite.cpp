// PIR: writing; always 6 bytes.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_pirwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_pir_size(kelvo_pir_struct *pir) { return finish_size(pir, 2); }

KELVO_API void kelvo_pir_to_memory(const kelvo_pir_struct *pir, void *out) {
    Encoder e(out, pir->REC_LEN);
    e.leading_block(pir, 6);
}

KELVO_API int kelvo_pirwrite(int handle, kelvo_pir_struct *pir) {
    return write_record(handle, pir, 5, 10, kelvo_pir_size, kelvo_pir_to_memory);
}

}  // extern "C"
