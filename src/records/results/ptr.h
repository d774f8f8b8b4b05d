// PTR: the flag bits, status words and internal entry points that its reader,
// copy and writer share.
#pragma once

#include "codec/codec.h"
#include "records/results/layout.h"
#include "v3/v3.h"

namespace kelvo::ptr {

constexpr uint8_t kTyp = 15, kSub = 10;
// Header, TEST_NUM, HEAD_NUM, SITE_NUM, TEST_FLG, PARM_FLG: as on the wire.
constexpr uint32_t kLeading = 12;

// TEST_FLG: RESULT is not valid.
constexpr uint8_t kResultInvalid = 0x02;
// OPT_FLAG: the bits that make a field not valid.
constexpr uint8_t kResScalInvalid = 0x01;
constexpr uint8_t LO_SPEC_INVALID = 0x04;
constexpr uint8_t HI_SPEC_INVALID = 0x08;
constexpr uint8_t kLoLimitInvalid = 0x10 | 0x40;  // LLM_SCAL and LO_LIMIT
constexpr uint8_t kHiLimitInvalid = 0x20 | 0x80;  // HLM_SCAL and HI_LIMIT

// Field status words, in wire order.
enum Word {
    kResult, kTestTxt, kAlarmId, kOptFlag, kResScal, kLlmScal, kHlmScal, kLoLimit, kHiLimit,
    kUnits, kResFmt, kLlmFmt, kHlmFmt, LO_SPEC_WORD, HI_SPEC_WORD, kWords
};

// The version-4 decoder and copy (kelvo_ptr_to_struct, kelvo_ptr_buf): hand-written
// fast paths; a test holds the decoder to the one its layout table gives.
void decode(kelvo_ptr_struct *ptr, const void *image, const kelvo_attributes *attr, uint32_t *status);
int copy(kelvo_ptr_struct *ptr);
// The decoder that the handle's version calls for: version 4 and later here, else
// (version 3, or no FAR read: version 0) the version-3 decoder, which fails when the
// names it offers cannot be kept.
inline bool decode_by_version(int handle, kelvo_ptr_struct *ptr, const void *image, const kelvo_attributes *attr,
                              uint32_t *status) {
    if (!is_v3(attr)) {
        decode(ptr, image, attr, status);
        return true;
    }
    return v3::ptr_to_struct(handle, ptr, image, attr, status);
}

}  // namespace kelvo::ptr
