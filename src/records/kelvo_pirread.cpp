// PIR: part information record (header, HEAD_NUM, SITE_NUM).
#include "records/kelvo_part.h"

KELVO_SOURCE_ID("kelvo_pirread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_pir_struct, HEAD_NUM) == 4 && offsetof(kelvo_pir_struct, SITE_NUM) == 5);
static_assert(sizeof(kelvo_pir_struct) == 6);

extern "C" {

// The six bytes whatever REC_LEN says; bytes a shorter record does not hold are 0.
KELVO_API void kelvo_pir_to_struct(kelvo_pir_struct *pir, const void *image, const kelvo_attributes *attr) {
    View v(image, attr);
    v.leading_block(pir, 6);
    v.fix_header(pir);
}

KELVO_API int kelvo_pirread(int handle, const kelvo_header *header, kelvo_pir_struct *pir) {
    return part::read_pir(handle, header, pir).result;
}

}  // extern "C"
