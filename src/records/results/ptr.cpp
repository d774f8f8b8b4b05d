// PTR: parametric test record. Every field after PARM_FLG is optional; OPT_FLAG and
// TEST_FLG say which numbers hold usable values. Its decoder and copy are the library's
// hottest code and are written by hand; its size and encoder come from its layout.
#include <array>

#include "codec/layout_codec.h"
#include "records/results/ptr.h"

KELVO_SOURCE_ID("kelvo_ptrread")
KELVO_SOURCE_ID("kelvo_ptrbuf_read")
KELVO_SOURCE_ID("kelvo_ptrwrite")

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
        t[opt] = static_cast<uint16_t>(bit(kResScal, KELVO_PTR_OPT_NO_RES_SCAL) | bit(kLlmScal, KELVO_PTR_OPT_NO_LO_LIMIT) |
                                       bit(kHlmScal, KELVO_PTR_OPT_NO_HI_LIMIT) | bit(kLoLimit, KELVO_PTR_OPT_NO_LO_LIMIT) |
                                       bit(kHiLimit, KELVO_PTR_OPT_NO_HI_LIMIT) | bit(LO_SPEC_WORD, KELVO_PTR_OPT_NO_LO_SPEC) |
                                       bit(HI_SPEC_WORD, KELVO_PTR_OPT_NO_HI_SPEC));
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
    if (n > kResult && !(p->TEST_FLG & KELVO_TEST_FLG_RESULT_INVALID)) valid |= 1u << kResult;
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

// The six texts moved into the string buffer.
//
// The texts are laid out as in the record from TEST_TXT's first character on, each
// NUL written over the first byte of the field behind it; a structure fresh from the
// read buffer gets this with one block copy of the record's tail.
namespace {

// The texts of the record, in the read buffer behind their length bytes, when the
// structure was decoded from the read buffer as it stands; else null.
const uint8_t *tail_in_read_buffer(const kelvo_ptr_struct *p) {
    const Buffer &rb = read_buffer();
    if (rb.capacity == 0 || uint32_t{p->REC_LEN} + 4 > rb.capacity) return nullptr;
    const uint8_t *tail = rb.data + 4 + 13;
    return reinterpret_cast<const uint8_t *>(p->TEST_TXT.str) == tail ? tail : nullptr;
}

// The six texts in wire order.
inline std::array<kelvo_cn *, 6> texts(kelvo_ptr_struct *p) {
    return {&p->TEST_TXT, &p->ALARM_ID, &p->UNITS, &p->C_RESFMT, &p->C_LLMFMT, &p->C_HLMFMT};
}

// The texts of a structure from elsewhere, each put at its place in the string
// buffer. They are gathered first, as they may lie in the string buffer itself.
[[gnu::noinline]] void place_texts(kelvo_ptr_struct *p, const uint32_t at[6], uint8_t *base) {
    const auto text = texts(p);
    char gathered[6 * 255];
    uint32_t n = 0;
    for (const kelvo_cn *t : text) {
        if (t->str) std::memcpy(gathered + n, t->str, t->len);
        else std::memset(gathered + n, 0, t->len);
        n += t->len;
    }
    n = 0;
    for (int i = 0; i < 6; ++i) {
        std::memcpy(base + at[i], gathered + n, text[i]->len);
        n += text[i]->len;
    }
}

// Room for the record's tail from TEST_TXT's characters on (REC_LEN - 13 bytes) and
// for every NUL of the walk, also when the record ends before its last texts.
uint32_t need(const kelvo_ptr_struct *p, uint32_t walk_end) {
    return std::max(p->REC_LEN > 6 ? p->REC_LEN - 6u : 0u, walk_end);
}

// The copy of a structure with characters to move.
[[gnu::noinline]] int copy_walk(kelvo_ptr_struct *p) {
    const auto text = texts(p);
    // Where the walk puts each text: one after the other, each followed by its NUL;
    // ALARM_ID's NUL lies on the copy of OPT_FLAG, and UNITS follows 13 bytes later
    // (OPT_FLAG, three scales, two limits, UNITS' length byte).
    uint32_t at[6], end = 0;
    for (int i = 0; i < 6; ++i) {
        if (i == 2) end += 12;
        at[i] = end;
        end += uint32_t{text[i]->len} + 1;
    }
    StringCopy out;
    if (!out.reserve(need(p, end))) return 0;
    uint8_t *base = out.base();
    if (const uint8_t *tail = tail_in_read_buffer(p)) std::memcpy(base, tail, p->REC_LEN > 13 ? p->REC_LEN - 13u : 0u);
    else place_texts(p, at, base);
    for (int i = 0; i < 6; ++i) {
        text[i]->str = reinterpret_cast<char *>(base + at[i]);
        base[at[i] + text[i]->len] = '\0';
    }
    return 1;
}

}  // namespace

namespace kelvo::ptr {

int copy(kelvo_ptr_struct *p) {
    if (p->TEST_TXT.len | p->ALARM_ID.len | p->UNITS.len | p->C_RESFMT.len | p->C_LLMFMT.len | p->C_HLMFMT.len)
        return copy_walk(p);
    // No characters (the usual PTR after a test's first): six NULs at their places.
    constexpr uint32_t kAt[6] = {0, 1, 14, 15, 16, 17};
    StringCopy out;
    if (!out.reserve(need(p, kAt[5] + 1))) return 0;
    const auto text = texts(p);
    for (int i = 0; i < 6; ++i) {
        text[i]->str = reinterpret_cast<char *>(out.base() + kAt[i]);
        *text[i]->str = '\0';
    }
    return 1;
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
KELVO_API int kelvo_ptr_buf(kelvo_ptr_struct *ptr) { return ptr::copy(ptr); }

KELVO_API int kelvo_ptrbuf_read(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr, uint32_t *status) {
    // The copy follows the decoder that the handle's version chose.
    const bool v4 = !is_v3(handle);
    return copy_decoded(read_decode_checked(handle, header, ptr,
                                            [handle, status](kelvo_ptr_struct *s, const uint8_t *image,
                                                             const kelvo_attributes *attr) {
                                                return ptr::decode_by_version(handle, s, image, attr, status);
                                            }),
                        [v4, ptr] { return v4 ? ptr::copy(ptr) : kelvo_v3_ptr_buf(ptr); });
}

KELVO_LAYOUT_WRITERS(ptr, results::ptr::kLayout)

}  // extern "C"
