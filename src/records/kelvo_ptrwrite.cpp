// PTR writing: the record ends after its last field that holds something (a number
// that the flags call valid, or a non-empty text).
#include "records/ptr.h"

KELVO_SOURCE_ID("kelvo_ptrwrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_ptr_size(kelvo_ptr_struct *ptr) {
    using namespace kelvo::ptr;
    const uint8_t opt = ptr->OPT_FLAG;
    Tail t;
    if (!(opt & HI_SPEC_INVALID)) t.always(8);       // LO_SPEC and HI_SPEC
    else if (!(opt & LO_SPEC_INVALID)) t.always(4);  // LO_SPEC alone
    t.text(ptr->C_HLMFMT);
    t.text(ptr->C_LLMFMT);
    t.text(ptr->C_RESFMT);
    t.text(ptr->UNITS);
    t.field(!(opt & kHiLimitInvalid), 4);  // HI_LIMIT
    t.field(!(opt & kLoLimitInvalid), 4);  // LO_LIMIT
    t.field(!(opt & kHiLimitInvalid), 1);  // HLM_SCAL
    t.field(!(opt & kLoLimitInvalid), 1);  // LLM_SCAL
    // OPT_FLAG is never written without RES_SCAL.
    t.field(!(opt & kResScalInvalid), 2);
    t.text(ptr->ALARM_ID);
    t.text(ptr->TEST_TXT);
    t.field(!(ptr->TEST_FLG & kResultInvalid), 4);  // RESULT
    return finish_size(ptr, 8 + t.bytes());
}

KELVO_API void kelvo_ptr_to_memory(const kelvo_ptr_struct *ptr, void *out) {
    Encoder e(out, ptr->REC_LEN);
    e.leading_block(ptr, kelvo::ptr::kLeading);
    e.put(ptr->RESULT);
    e.cn(ptr->TEST_TXT);
    e.cn(ptr->ALARM_ID);
    e.put(ptr->OPT_FLAG);
    e.put(ptr->RES_SCAL);
    e.put(ptr->LLM_SCAL);
    e.put(ptr->HLM_SCAL);
    e.put(ptr->LO_LIMIT);
    e.put(ptr->HI_LIMIT);
    e.cn(ptr->UNITS);
    e.cn(ptr->C_RESFMT);
    e.cn(ptr->C_LLMFMT);
    e.cn(ptr->C_HLMFMT);
    e.put(ptr->LO_SPEC);
    e.put(ptr->HI_SPEC);
}

KELVO_API int kelvo_ptrwrite(int handle, kelvo_ptr_struct *ptr) {
    return write_record(handle, ptr, kelvo::ptr::kTyp, kelvo::ptr::kSub, kelvo_ptr_size, kelvo_ptr_to_memory);
}

}  // extern "C"
