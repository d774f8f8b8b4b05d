// MIR writing: the five required strings always, the optional ones up to the last
// that is not empty.
#include "records/codec.h"
#include "records/mir.h"

KELVO_SOURCE_ID("kelvo_mirwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_mir_size(kelvo_mir_struct *mir) {
    uint32_t body = 15 + mir::kRequired;  // fixed fields and the required length bytes
    for (int i = 0; i < mir::kRequired; ++i) {
        kelvo_cn &s = mir->*mir::kText[i];
        s.len = text_length(s.str);
        body += s.len;
    }
    Tail t;
    for (int i = mir::kTexts - 1; i >= mir::kRequired; --i) t.text(mir->*mir::kText[i]);
    return finish_size(mir, body + t.bytes());
}

KELVO_API void kelvo_mir_to_memory(const kelvo_mir_struct *mir, void *out) {
    Encoder e(out, mir->REC_LEN);
    e.leading_block(mir, mir::kLeadingBlock);
    for (auto field : mir::kText) e.cn(mir->*field);
}

KELVO_API int kelvo_mirwrite(int handle, kelvo_mir_struct *mir) {
    return write_record(handle, mir, 1, 10, kelvo_mir_size, kelvo_mir_to_memory);
}

}  // extern "C"
