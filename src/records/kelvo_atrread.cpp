// ATR: audit trail record.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_atrread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_atr_struct, MOD_TIM) == 4);

extern "C" {

KELVO_API void kelvo_atr_to_struct(kelvo_atr_struct *atr, const void *image, const kelvo_attributes *attr) {
    View v(image, attr);
    v.leading_block(atr, 8);
    v.cn(atr->CMD_LINE);
    v.fix_header(atr);
    fix(v, atr->MOD_TIM);
}

KELVO_API int kelvo_atrread(int handle, const kelvo_header *header, kelvo_atr_struct *atr) {
    return read_record(handle, header, atr, kelvo_atr_to_struct);
}

}  // extern "C"
