// ATR: copy of the command line into the string buffer.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_atrbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_atr_buf(kelvo_atr_struct *atr) {
    // An empty command line becomes the static empty string: the decoder's pointer
    // may lie at the record's end, where no terminator follows.
    if (atr->CMD_LINE.len < 1) {
        set_empty(atr->CMD_LINE);
        return 1;
    }
    return copy_texts(atr, &kelvo_atr_struct::CMD_LINE);
}

KELVO_API int kelvo_atrbuf_read(int handle, const kelvo_header *header, kelvo_atr_struct *atr) {
    return buf_read_record(handle, header, atr, kelvo_atr_to_struct, kelvo_atr_buf);
}

}  // extern "C"
