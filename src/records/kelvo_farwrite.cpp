// FAR writing: always CPU type 2, version 4.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_farwrite")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(sizeof(kelvo_far_struct) == 6);

extern "C" {

KELVO_API void kelvo_far_to_memory(const kelvo_far_struct *far, void *out) {
    Encoder e(out, far->REC_LEN);
    e.leading_block(far, sizeof(kelvo_far_struct));
}

KELVO_API int kelvo_farwrite(int handle, kelvo_far_struct *far) {
    if (handle == -1) return -1;
    *far = {2, 0, 10, 2, 4};
    uint8_t *out = write_buffer(handle, 6);
    if (!out) return 0;
    kelvo_far_to_memory(far, out);
    return static_cast<int>(kelvo_write(handle, out, 6));
}

}  // extern "C"
