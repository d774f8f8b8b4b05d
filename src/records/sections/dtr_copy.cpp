// DTR: copy of the text into the string buffer (the copy of BPS).
#include "records/sections/text_record.h"

KELVO_SOURCE_ID("kelvo_dtrbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_dtr_buf(kelvo_dtr_struct *dtr) { return text_record::copy(dtr->REC_LEN, dtr->TEXT_DAT); }

KELVO_API int kelvo_dtrbuf_read(int handle, const kelvo_header *header, kelvo_dtr_struct *dtr) {
    return buf_read_record(handle, header, dtr, kelvo_dtr_to_struct, kelvo_dtr_buf);
}

}  // extern "C"
