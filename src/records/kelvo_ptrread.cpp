// PTR: parametric test record. Every field after PARM_FLG is optional; OPT_FLAG and
// TEST_FLG say which numbers hold usable values.
#include "records/ptr.h"
#include "v3/v3_ptr.h"

KELVO_SOURCE_ID("kelvo_ptrread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_ptr_struct, TEST_NUM) == 4);
static_assert(offsetof(kelvo_ptr_struct, HEAD_NUM) == 8);
static_assert(offsetof(kelvo_ptr_struct, SITE_NUM) == 9);
static_assert(offsetof(kelvo_ptr_struct, TEST_FLG) == 10);
static_assert(offsetof(kelvo_ptr_struct, PARM_FLG) == 11);
static_assert(offsetof(kelvo_ptr_struct, RESULT) == ptr::kLeading);

namespace kelvo::ptr {

void decode(kelvo_ptr_struct *p, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(p, kLeading);

    bool present = v.r4(p->RESULT);
    st.set(kResult, present, present && !(p->TEST_FLG & kResultInvalid));
    st.text(kTestTxt, v.cn(p->TEST_TXT), p->TEST_TXT);
    st.text(kAlarmId, v.cn(p->ALARM_ID), p->ALARM_ID);

    // An absent OPT_FLAG reads as 255: every number after it is then not valid.
    // The valid bits come from the flag even where the record ends before the field.
    present = v.integer<uint8_t>(p->OPT_FLAG, 255);
    st.set(kOptFlag, present, true);
    const uint8_t opt = p->OPT_FLAG;
    st.valid(kResScal, !(opt & kResScalInvalid));
    st.valid(kLlmScal, !(opt & kLoLimitInvalid));
    st.valid(kHlmScal, !(opt & kHiLimitInvalid));
    st.valid(kLoLimit, !(opt & kLoLimitInvalid));
    st.valid(kHiLimit, !(opt & kHiLimitInvalid));
    st.valid(kLoSpec, !(opt & kLoSpecInvalid));
    st.valid(kHiSpec, !(opt & kHiSpecInvalid));

    st.present(kResScal, v.integer<int8_t>(p->RES_SCAL, 0));
    st.present(kLlmScal, v.integer<int8_t>(p->LLM_SCAL, 0));
    st.present(kHlmScal, v.integer<int8_t>(p->HLM_SCAL, 0));
    st.present(kLoLimit, v.r4(p->LO_LIMIT));
    st.present(kHiLimit, v.r4(p->HI_LIMIT));
    st.text(kUnits, v.cn(p->UNITS), p->UNITS);
    st.text(kResFmt, v.cn(p->C_RESFMT), p->C_RESFMT);
    st.text(kLlmFmt, v.cn(p->C_LLMFMT), p->C_LLMFMT);
    st.text(kHlmFmt, v.cn(p->C_HLMFMT), p->C_HLMFMT);
    st.present(kLoSpec, v.r4(p->LO_SPEC));
    st.present(kHiSpec, v.r4(p->HI_SPEC));

    v.fix_header(p);
    fix(v, p->TEST_NUM);
}

void decode_by_version(int handle, kelvo_ptr_struct *p, const void *image, const kelvo_attributes *attr,
                       uint32_t *status) {
    if (attr_ver(attr) >= 4) decode(p, image, attr, status);
    else v3::ptr_to_struct(handle, p, image, attr, status);
}

}  // namespace kelvo::ptr

extern "C" {

KELVO_API void kelvo_ptr_to_struct(kelvo_ptr_struct *ptr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    ptr::decode(ptr, image, attr, status);
}

KELVO_API int kelvo_ptrread(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr, uint32_t *status) {
    return read_record(handle, header, ptr,
                       [handle, status](kelvo_ptr_struct *s, const uint8_t *image, const kelvo_attributes *attr) {
                           ptr::decode_by_version(handle, s, image, attr, status);
                       });
}

}  // extern "C"
