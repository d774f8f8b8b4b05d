// PTR: parametric test record. Every field after PARM_FLG is optional; OPT_FLAG and
// TEST_FLG say which numbers hold usable values.
#include <array>

#include "records/ptr.h"

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

namespace {

constexpr uint8_t P = KELVO_PRESENT, V = KELVO_VALID;

// What a record that ends after PARM_FLG decodes to: every later field its default.
const kelvo_ptr_struct kDefaults = [] {
    kelvo_ptr_struct s{};
    s.RESULT = s.LO_LIMIT = s.HI_LIMIT = s.LO_SPEC = s.HI_SPEC = missing_r4();
    for (kelvo_cn *t : {&s.TEST_TXT, &s.ALARM_ID, &s.UNITS, &s.C_RESFMT, &s.C_LLMFMT, &s.C_HLMFMT}) set_empty(*t);
    s.OPT_FLAG = 255;
    return s;
}();

// Decodes the fields after PARM_FLG in wire order up to the first one that the
// record does not hold (every later one is absent too); returns how many it decoded.
uint32_t decode_fields(View &v, kelvo_ptr_struct *p) {
    if (!v.r4(p->RESULT)) return kResult;
    if (!v.cn(p->TEST_TXT)) return kTestTxt;
    if (!v.cn(p->ALARM_ID)) return kAlarmId;
    if (!v.integer<uint8_t>(p->OPT_FLAG, 255)) return kOptFlag;
    if (!v.integer<int8_t>(p->RES_SCAL, 0)) return kResScal;
    if (!v.integer<int8_t>(p->LLM_SCAL, 0)) return kLlmScal;
    if (!v.integer<int8_t>(p->HLM_SCAL, 0)) return kHlmScal;
    if (!v.r4(p->LO_LIMIT)) return kLoLimit;
    if (!v.r4(p->HI_LIMIT)) return kHiLimit;
    if (!v.cn(p->UNITS)) return kUnits;
    if (!v.cn(p->C_RESFMT)) return kResFmt;
    if (!v.cn(p->C_LLMFMT)) return kLlmFmt;
    if (!v.cn(p->C_HLMFMT)) return kHlmFmt;
    if (!v.r4(p->LO_SPEC)) return LO_SPEC_WORD;
    if (!v.r4(p->HI_SPEC)) return HI_SPEC_WORD;
    return kWords;
}

// Valid bits (bit i for word i) of the numbers behind OPT_FLAG, by the flag's value.
constexpr auto kOptValid = [] {
    std::array<uint16_t, 256> t{};
    for (unsigned opt = 0; opt < 256; ++opt) {
        auto bit = [&](int word, unsigned invalid) { return (opt & invalid) ? 0u : 1u << word; };
        t[opt] = static_cast<uint16_t>(bit(kResScal, kResScalInvalid) | bit(kLlmScal, kLoLimitInvalid) |
                                       bit(kHlmScal, kHiLimitInvalid) | bit(kLoLimit, kLoLimitInvalid) |
                                       bit(kHiLimit, kHiLimitInvalid) | bit(LO_SPEC_WORD, LO_SPEC_INVALID) |
                                       bit(HI_SPEC_WORD, HI_SPEC_INVALID));
    }
    return t;
}();

// Four status words at once: lane i holds bit i of a 4-bit mask.
typedef uint32_t Words __attribute__((vector_size(16)));
constexpr auto kLanes = [] {
    std::array<Words, 16> t{};
    for (uint32_t m = 0; m < 16; ++m) t[m] = Words{m & 1, m >> 1 & 1, m >> 2 & 1, m >> 3 & 1};
    return t;
}();

// The status words of a decoded structure whose first `n` fields after PARM_FLG were
// present. Texts are valid when not empty (an absent one is empty); the numbers
// behind OPT_FLAG are valid by the flag, even where the record ends before them (an
// absent OPT_FLAG reads 255: none is); an absent OPT_FLAG itself is valid.
void set_status(uint32_t *st, const kelvo_ptr_struct *p, uint32_t n) {
    const uint32_t present = (1u << n) - 1;
    uint32_t valid = kOptValid[p->OPT_FLAG] | 1u << kOptFlag;
    if (n > kResult && !(p->TEST_FLG & kResultInvalid)) valid |= 1u << kResult;
    if (n > kTestTxt) {
        valid |= (p->TEST_TXT.len ? 1u : 0u) << kTestTxt | (p->ALARM_ID.len ? 1u : 0u) << kAlarmId |
                 (p->UNITS.len ? 1u : 0u) << kUnits | (p->C_RESFMT.len ? 1u : 0u) << kResFmt |
                 (p->C_LLMFMT.len ? 1u : 0u) << kLlmFmt | (p->C_HLMFMT.len ? 1u : 0u) << kHlmFmt;
    }
    // Words 0-3, 4-7, 8-11 and 11-14 (word 11 twice, to the same value); all loaded
    // before any is stored.
    constexpr uint32_t first[4] = {0, 4, 8, 11};
    Words w[4];
    for (int g = 0; g < 4; ++g) std::memcpy(&w[g], st + first[g], sizeof(Words));
    for (int g = 0; g < 4; ++g) {
        w[g] = (w[g] & ~(P | V)) | kLanes[(present >> first[g]) & 15] | kLanes[(valid >> first[g]) & 15] << 1;
        std::memcpy(st + first[g], &w[g], sizeof(Words));
    }
}

}  // namespace

void decode(kelvo_ptr_struct *p, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    View v(image, attr);
    // Defaults first, then the leading block and every field the record holds.
    std::memcpy(reinterpret_cast<uint8_t *>(p) + kLeading, reinterpret_cast<const uint8_t *>(&kDefaults) + kLeading,
                sizeof *p - kLeading);
    if (v.end() >= kLeading) {
        // Header, TEST_NUM and the four one-byte fields as three 4-byte pieces: in the
        // read buffer the header and the body were stored apart, and a load across
        // both would wait for the stores to complete.
        const uint8_t *img = v.image();
        std::memcpy(p, img, 4);
        std::memcpy(&p->TEST_NUM, img + 4, 4);
        std::memcpy(&p->HEAD_NUM, img + 8, 4);
        v.seek(kLeading);
    } else {
        v.leading_block(p, kLeading);
    }
    const uint32_t n = decode_fields(v, p);
    if (status) set_status(status, p, n);
    v.fix_header(p);
    fix(v, p->TEST_NUM);
}

}  // namespace kelvo::ptr

extern "C" {

KELVO_API void kelvo_ptr_to_struct(kelvo_ptr_struct *ptr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    ptr::decode(ptr, image, attr, status);
}

KELVO_API int kelvo_ptrread(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr, uint32_t *status) {
    return read_decode_checked(handle, header, ptr,
                               [handle, status](kelvo_ptr_struct *s, const uint8_t *image,
                                                const kelvo_attributes *attr) {
                                   return ptr::decode_by_version(handle, s, image, attr, status);
                               })
        .result;
}

}  // extern "C"
