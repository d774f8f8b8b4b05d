// DTR: datalog text.
#include "records/sections/text_record.h"

KELVO_SOURCE_ID("kelvo_dtrread")

using namespace kelvo;
using namespace kelvo::codec;

// DTR shares the copy and the encoder of BPS: the layouts must stay one.
static_assert(sizeof(kelvo_dtr_struct) == sizeof(kelvo_bps_struct));
static_assert(alignof(kelvo_dtr_struct) == alignof(kelvo_bps_struct));
static_assert(offsetof(kelvo_dtr_struct, REC_TYP) == offsetof(kelvo_bps_struct, REC_TYP));
static_assert(offsetof(kelvo_dtr_struct, REC_SUB) == offsetof(kelvo_bps_struct, REC_SUB));
static_assert(offsetof(kelvo_dtr_struct, TEXT_DAT) == offsetof(kelvo_bps_struct, SEQ_NAME));

extern "C" {

KELVO_API void kelvo_dtr_to_struct(kelvo_dtr_struct *dtr, const void *image, const kelvo_attributes *attr) {
    // The length byte is taken whenever the record holds it; a DTR of REC_LEN 0
    // (which no writer produces) reads as an empty text.
    text_record::decode(dtr, dtr->TEXT_DAT, image, attr);
}

KELVO_API int kelvo_dtrread(int handle, const kelvo_header *header, kelvo_dtr_struct *dtr) {
    return read_record(handle, header, dtr, kelvo_dtr_to_struct);
}

}  // extern "C"
