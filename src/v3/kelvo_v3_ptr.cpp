// Version-3 PDR and PTR, both delivered as the version-4 PTR structure. A PDR describes
// a parametric test (units, scales, display digits, limits) and carries no result; a
// PTR carries one result. Both offer the test's names to the handle's name list, and
// both turn the digit counts of version 3 into version-4 format texts.
#include <cstdio>

#include "records/results/ptr.h"
#include "v3/names.h"
#include "v3/v3.h"

KELVO_SOURCE_ID("kelvo_v3_ptr")

using namespace kelvo;
using namespace kelvo::codec;
using namespace kelvo::ptr;

namespace {

constexpr uint32_t kUnitsLen = 7;  // UNITS: seven characters, no length byte
// A format text: "%512.255f" at most, with its NUL.
constexpr size_t kFormatArea = 16;

// The texts that one decoder composes; each decoder keeps its own, valid until its
// next decode.
struct Formats {
    char res[kFormatArea], llm[kFormatArea], hlm[kFormatArea];
};
Formats pdr_formats, ptr_formats;
char pdr_units[kUnitsLen + 1];

// The format of L digits left and R right of the point, written into `area`.
void format(kelvo_cn &out, char (&area)[kFormatArea], bool build, uint8_t left, uint8_t right) {
    if (!build) {
        set_empty(out);
        return;
    }
    int n = std::snprintf(area, sizeof area, "%%%d.%df", left + right + 2, right);
    out.len = static_cast<uint8_t>(n);
    out.str = area;
}

// The next fixed-width text of `n` characters at the cursor, cut to what the record holds.
void fixed_text(View &v, kelvo_cn &out, uint32_t n) {
    if (!v.present()) {
        set_empty(out);
        return;
    }
    out.len = static_cast<uint8_t>(std::min(n, v.left()));
    out.str = reinterpret_cast<char *>(const_cast<uint8_t *>(v.here()));
    v.skip(n);
}

// PDR option flags, as the decoder reads them.
constexpr uint8_t kPdrLoInvalid = 0x01, kPdrHiInvalid = 0x02, kPdrResFmtInvalid = 0x04;
// Version-3 PTR flag byte: C_RESFMT and UNITS not valid (the limit bits are those of
// version 4).
constexpr uint8_t kResFmtInvalid = 0x02, kUnitsInvalid = 0x08;
// Bits every converted OPT_FLAG carries: version 3 gives no LO_SPEC or HI_SPEC
// (0x04, 0x08); bit 1 has no meaning and is set.
constexpr uint8_t kV3OptBits = 0x0E;

}  // namespace

namespace kelvo::v3 {

bool pdr_to_struct(int handle, kelvo_ptr_struct *ptr, const void *image, const kelvo_attributes *attr,
                   uint32_t *status) {
    View v(image, attr);
    Status st(status);
    // What a PDR does not carry.
    ptr->HEAD_NUM = ptr->SITE_NUM = ptr->PARM_FLG = 0;
    ptr->TEST_FLG = 0x10;
    ptr->RESULT = 0.0f;
    set_empty(ptr->TEST_TXT);
    set_empty(ptr->ALARM_ID);
    ptr->LO_SPEC = ptr->HI_SPEC = missing_r4();

    // The first 14 body bytes are always taken; a record too short for them reads
    // zeros in their place, and UNITS is cut to what it holds.
    std::memcpy(ptr, image, 4);
    ptr->TEST_NUM = v.integer_at<uint32_t>(4);
    const uint8_t flag = v.load<uint8_t>(9);
    st.valid(kLlmScal, !(flag & kPdrLoInvalid));
    st.valid(kLoLimit, !(flag & kPdrLoInvalid));
    st.valid(kLlmFmt, !(flag & kPdrLoInvalid));
    st.valid(kHlmScal, !(flag & kPdrHiInvalid));
    st.valid(kHiLimit, !(flag & kPdrHiInvalid));
    st.valid(kHlmFmt, !(flag & kPdrHiInvalid));
    st.valid(kResFmt, !(flag & kPdrResFmtInvalid));
    ptr->RES_SCAL = v.load<int8_t>(10);
    v.seek(11);
    kelvo_cn units;
    fixed_text(v, units, kUnitsLen);
    std::memset(pdr_units, 0, sizeof pdr_units);
    std::memcpy(pdr_units, units.str, units.len);
    ptr->UNITS = {units.len, pdr_units};
    st.set(kOptFlag, 9 < v.end(), true);
    st.set(kResScal, 10 < v.end(), 10 < v.end());
    st.text(kUnits, 11 < v.end(), ptr->UNITS);
    for (int w : {kResult, kTestTxt, kAlarmId, LO_SPEC_WORD, HI_SPEC_WORD}) st.set(w, false, false);

    // From here on each field is present only when the record holds its first byte.
    uint8_t res_l, res_r, llm_l, llm_r, hlm_l, hlm_r;
    v.integer<uint8_t>(res_l, 0);
    v.integer<uint8_t>(res_r, 0);
    st.present(kLlmScal, v.integer<int8_t>(ptr->LLM_SCAL, 0));
    st.present(kHlmScal, v.integer<int8_t>(ptr->HLM_SCAL, 0));
    v.integer<uint8_t>(llm_l, 0);
    v.integer<uint8_t>(llm_r, 0);
    v.integer<uint8_t>(hlm_l, 0);
    v.integer<uint8_t>(hlm_r, 0);
    st.present(kLoLimit, v.r4(ptr->LO_LIMIT));
    st.present(kHiLimit, v.r4(ptr->HI_LIMIT));
    const bool kept = offer_names(v, handle, ptr->TEST_NUM);
    v.fix_header(ptr);

    format(ptr->C_RESFMT, pdr_formats.res, !(flag & kPdrResFmtInvalid), res_l, res_r);
    format(ptr->C_LLMFMT, pdr_formats.llm, !(flag & kPdrLoInvalid), llm_l, llm_r);
    format(ptr->C_HLMFMT, pdr_formats.hlm, !(flag & kPdrHiInvalid), hlm_l, hlm_r);
    st.present(kResFmt, ptr->C_RESFMT.len != 0);
    st.present(kLlmFmt, ptr->C_LLMFMT.len != 0);
    st.present(kHlmFmt, ptr->C_HLMFMT.len != 0);
    ptr->OPT_FLAG = static_cast<uint8_t>(kV3OptBits | (flag & kPdrLoInvalid ? kLoLimitInvalid : 0) |
                                         (flag & kPdrHiInvalid ? kHiLimitInvalid : 0));
    return kept;
}

bool ptr_to_struct(int handle, kelvo_ptr_struct *ptr, const void *image, const kelvo_attributes *attr,
                   uint32_t *status) {
    View v(image, attr);
    Status st(status);
    // Header, TEST_NUM, HEAD_NUM, SITE_NUM, TEST_FLG and PARM_FLG as on the wire.
    v.leading_block(ptr, kLeading);

    if (v.r4(ptr->RESULT)) st.set(kResult, true, !(ptr->TEST_FLG & kResultInvalid));
    else st.set(kResult, false, false);

    uint8_t flag = 0xFF;
    if (v.integer<uint8_t>(flag, 0xFF)) {
        ptr->OPT_FLAG = static_cast<uint8_t>(flag | kV3OptBits);
        st.set(kOptFlag, true, true);
        st.valid(kResScal, !(ptr->OPT_FLAG & kResScalInvalid));
        st.valid(kLlmScal, !(ptr->OPT_FLAG & kLoLimitInvalid));
        st.valid(kLoLimit, !(ptr->OPT_FLAG & kLoLimitInvalid));
        st.valid(kHlmScal, !(ptr->OPT_FLAG & kHiLimitInvalid));
        st.valid(kHiLimit, !(ptr->OPT_FLAG & kHiLimitInvalid));
    } else {
        ptr->OPT_FLAG = 0xFF;
        st.set(kOptFlag, false, true);
        for (int w : {kResScal, kLlmScal, kHlmScal, kLoLimit, kHiLimit}) st.valid(w, false);
    }
    st.set(LO_SPEC_WORD, false, false);
    st.set(HI_SPEC_WORD, false, false);

    uint8_t res_l, res_r, llm_l, llm_r, hlm_l, hlm_r, desc;
    st.present(kResScal, v.integer<int8_t>(ptr->RES_SCAL, 0));
    v.integer<uint8_t>(res_l, 0);
    st.present(kResFmt, v.integer<uint8_t>(res_r, 0));
    v.integer<uint8_t>(desc, 0);
    // UNITS, cut when the record ends inside its seven characters; present but empty
    // when the flag byte marks it not valid.
    const bool units = v.present();
    fixed_text(v, ptr->UNITS, kUnitsLen);
    if (flag & kUnitsInvalid) set_empty(ptr->UNITS);
    st.text(kUnits, units, ptr->UNITS);
    st.present(kLlmScal, v.integer<int8_t>(ptr->LLM_SCAL, 0));
    st.present(kHlmScal, v.integer<int8_t>(ptr->HLM_SCAL, 0));
    v.integer<uint8_t>(llm_l, 0);
    st.present(kLlmFmt, v.integer<uint8_t>(llm_r, 0));
    v.integer<uint8_t>(hlm_l, 0);
    st.present(kHlmFmt, v.integer<uint8_t>(hlm_r, 0));
    st.present(kLoLimit, v.r4(ptr->LO_LIMIT));
    st.present(kHiLimit, v.r4(ptr->HI_LIMIT));

    fix(v, ptr->TEST_NUM);
    const bool kept = offer_names(v, handle, ptr->TEST_NUM);
    st.text(kTestTxt, v.cn(ptr->TEST_TXT), ptr->TEST_TXT);
    set_empty(ptr->ALARM_ID);
    st.set(kAlarmId, false, false);
    v.fix_header(ptr);

    format(ptr->C_RESFMT, ptr_formats.res, !(flag & kResFmtInvalid), res_l, res_r);
    format(ptr->C_LLMFMT, ptr_formats.llm, !(flag & kLoLimitInvalid), llm_l, llm_r);
    format(ptr->C_HLMFMT, ptr_formats.hlm, !(flag & kHiLimitInvalid), hlm_l, hlm_r);
    st.valid(kResFmt, ptr->C_RESFMT.len != 0);
    st.valid(kLlmFmt, ptr->C_LLMFMT.len != 0);
    st.valid(kHlmFmt, ptr->C_HLMFMT.len != 0);
    ptr->LO_SPEC = ptr->HI_SPEC = missing_r4();
    return kept;
}

}  // namespace kelvo::v3

extern "C" {

KELVO_API void kelvo_v3_pdr_to_ptr_struct(int handle, kelvo_ptr_struct *ptr, const void *image,
                                          const kelvo_attributes *attr, uint32_t *status) {
    v3::pdr_to_struct(handle, ptr, image, attr, status);
}

KELVO_API void kelvo_v3_ptr_to_struct(int handle, kelvo_ptr_struct *ptr, const void *image,
                                      const kelvo_attributes *attr, uint32_t *status) {
    v3::ptr_to_struct(handle, ptr, image, attr, status);
}

// UNITS and TEST_TXT, each NUL-terminated, one behind the other; the formats stay in
// the decoder's static areas and ALARM_ID at the static empty string.
KELVO_API int kelvo_v3_ptr_buf(kelvo_ptr_struct *ptr) { return copy_texts(ptr, &kelvo_ptr_struct::UNITS,
                                                                          &kelvo_ptr_struct::TEST_TXT); }

KELVO_API int kelvo_v3_pdrread(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr, uint32_t *status) {
    if (!ptr) return 0;
    return read_decode_checked(handle, header, ptr,
                               [handle, status](kelvo_ptr_struct *s, const void *img, const kelvo_attributes *a) {
                                   return v3::pdr_to_struct(handle, s, img, a, status);
                               }).result;
}

// Every text of a structure made from a PDR lies in a static area: nothing to copy.
KELVO_API int kelvo_v3_pdrbuf_read(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr,
                                   uint32_t *status) {
    return kelvo_v3_pdrread(handle, header, ptr, status);
}

}  // extern "C"
