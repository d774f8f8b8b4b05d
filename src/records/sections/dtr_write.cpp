// DTR writing (the encoder of BPS).
#include "records/sections/text_record.h"

KELVO_SOURCE_ID("kelvo_dtrwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_dtr_size(kelvo_dtr_struct *dtr) {
    // A DTR always carries its length byte, even for an empty text.
    dtr->TEXT_DAT.len = text_length(dtr->TEXT_DAT.str);
    return finish_size(dtr, dtr->TEXT_DAT.len + 1u);
}

KELVO_API void kelvo_dtr_to_memory(const kelvo_dtr_struct *dtr, void *out) {
    text_record::encode(dtr, dtr->REC_LEN, dtr->TEXT_DAT, out);
}

KELVO_API int kelvo_dtrwrite(int handle, kelvo_dtr_struct *dtr) {
    return write_record(handle, dtr, KELVO_DTR_TYP, KELVO_DTR_SUB, kelvo_dtr_size, kelvo_dtr_to_memory);
}

}  // extern "C"
