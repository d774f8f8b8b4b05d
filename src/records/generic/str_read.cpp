// STR: scan test record. Every number is converted by the file's CPU type; the arrays
// whose elements the record sizes itself, and the condition and user text lists, are
// built in storage of their own, in the form that the encoder reads.
#include "codec/codec.h"
#include "records/generic/str.h"

KELVO_SOURCE_ID("kelvo_strread")

using namespace kelvo;
using namespace kelvo::codec;
using S = kelvo_str_struct;

static_assert(offsetof(kelvo_str_struct, CONT_FLG) == 4);

namespace {


constexpr uint32_t kNone = UINT32_MAX;

// Places arrays one after another in the pool. Offsets, not pointers, are handed out
// while decoding, since the pool may move when it grows.
class Pool {
public:
    // Offset of n bytes at a multiple of 8; kNone for n = 0 or when storage cannot be had.
    uint32_t take(uint32_t n) {
        if (n == 0 || failed_) return kNone;
        uint32_t at = (used_ + 7) & ~7u;
        uint64_t need = uint64_t{at} + n;
        if (need > pool_buffer().capacity) {
            uint64_t size = std::max<uint64_t>(need, uint64_t{pool_buffer().capacity} * 2);
            if (size > UINT32_MAX || !pool_buffer().grow(static_cast<uint32_t>(size))) {
                failed_ = true;
                return kNone;
            }
        }
        used_ = at + n;
        return at;
    }
    template <class T>
    T *at(uint32_t offset) const {
        return offset == kNone || failed_ ? nullptr : reinterpret_cast<T *>(pool_buffer().data + offset);
    }
    bool failed() const { return failed_; }

private:
    uint32_t used_ = 0;
    bool failed_ = false;
};

// A list of counted strings: lengths and pointers to the characters in the image.
// Elements past the end of the record are empty.
struct TextList {
    uint32_t lengths = kNone, pointers = kNone;

    void decode(View &v, Pool &pool, uint16_t count) {
        lengths = pool.take(count);
        pointers = pool.take(count * uint32_t{sizeof(char *)});
        auto *len = pool.at<uint8_t>(lengths);
        auto *ptr = pool.at<char *>(pointers);
        for (uint32_t i = 0; i < count; ++i) {
            kelvo_cn s;
            v.cn(s);
            if (len) len[i] = s.len;
            if (ptr) ptr[i] = s.str;
        }
    }
    void store(const Pool &pool, uint8_t *&len, char **&ptr) const {
        len = pool.at<uint8_t>(lengths);
        ptr = pool.at<char *>(pointers);
    }
};

// One element of `width` bytes at `at`, in the file's byte order; bytes beyond the
// eighth are dropped. An element the record does not hold whole is 0.
uint64_t element(const View &v, uint32_t at, uint32_t width) {
    if (uint64_t{at} + width > v.end()) return 0;
    const uint8_t *b = v.image() + at;
    uint64_t value = 0;
    for (uint32_t k = 0; k < std::min<uint32_t>(width, 8); ++k)
        value |= uint64_t{v.swaps() ? b[width - 1 - k] : b[k]} << (8 * k);
    return value;
}

struct SizedArray {
    uint32_t lo = kNone, hi = kNone;

    void decode(View &v, Pool &pool, S *s, const str::Sized &a) {
        uint16_t &count = s->*a.count;
        v.integer<uint16_t>(count, 0);
        uint32_t width = s->*a.width;
        lo = pool.take(count * 4u);
        hi = width > 4 ? pool.take(count * 4u) : kNone;
        auto *low = pool.at<uint32_t>(lo);
        auto *high = pool.at<uint32_t>(hi);
        for (uint32_t i = 0; i < count; ++i, v.skip(width)) {
            uint64_t e = element(v, v.pos(), width);
            if (low) low[i] = static_cast<uint32_t>(e);
            if (high) high[i] = static_cast<uint32_t>(e >> 32);
        }
    }
    void store(const Pool &pool, S *s, const str::Sized &a) const {
        s->*a.lo = pool.at<uint32_t>(lo);
        s->*a.hi = pool.at<uint32_t>(hi);
        if (pool.failed()) s->*a.count = 0;
    }
};

// A bit map under its FMU_FLG bit: byte count and Dn, cut to the bytes the record holds.
void bit_map(View &v, const Status &st, bool follows, uint16_t &bytes, kelvo_dn &map, int word) {
    bool present = follows && v.dn(map);
    if (!present) map = kelvo_dn{0, nullptr};
    bytes = static_cast<uint16_t>((uint32_t{map.bits} + 7) / 8);
    st.set(word, present, present && map.bits != 0);
}

void byte_array(View &v, uint16_t &count, uint8_t *&data) {
    v.integer<uint16_t>(count, 0);
    if (count == 0 || !v.bytes_in_place(data, count)) {
        count = 0;
        data = nullptr;
    }
}

constexpr kelvo_cn S::*kTexts[] = {&S::LOG_TYP, &S::TEST_TXT, &S::ALARM_ID, &S::PROG_TXT, &S::RSLT_TXT};
constexpr uint8_t S::*kWidths[] = {&S::CYC_SIZE, &S::PMR_SIZE, &S::CHN_SIZE, &S::PAT_SIZE, &S::BIT_SIZE,
                                   &S::U1_SIZE,  &S::U2_SIZE,  &S::U3_SIZE,  &S::UTX_SIZE};

}  // namespace

namespace kelvo::str {

bool decode(S *s, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    View v(image, attr);
    Status st(status);
    Pool pool;
    v.leading_block(s, 5);
    v.integer<uint32_t>(s->TEST_NUM, 0);
    v.integer<uint8_t>(s->HEAD_NUM, 0);
    v.integer<uint8_t>(s->SITE_NUM, 0);
    v.integer<uint16_t>(s->PSR_REF, 0);
    v.integer<uint8_t>(s->TEST_FLG, 0);
    for (int i = 0; i < 5; ++i) {
        bool present = v.cn(s->*kTexts[i]);
        st.text(2 + i, present, s->*kTexts[i]);
    }
    v.integer<uint8_t>(s->Z_VAL, 0);
    v.integer<uint8_t>(s->FMU_FLG, 0);
    bit_map(v, st, s->FMU_FLG & kMaskMap, s->MASK_LEN, s->MASK_MAP, 9);
    bit_map(v, st, s->FMU_FLG & kFalMap, s->FAL_LEN, s->FAL_MAP, 10);
    for (uint32_t &word : s->CNT_BLOCK) v.integer<uint32_t>(word, 0);
    v.integer<uint32_t>(s->BIT_BASE, 0);
    v.integer<uint16_t>(s->COND_CNT, 0);
    v.integer<uint16_t>(s->LIM_CNT, 0);
    for (auto width : kWidths) v.integer<uint8_t>(s->*width, 0);
    v.integer<uint16_t>(s->CAP_BGN, 0);

    TextList conditions, texts;
    SizedArray before[3], after[5];
    conditions.decode(v, pool, s->COND_CNT);
    for (int k = 0; k < 3; ++k) before[k].decode(v, pool, s, kSizedBefore[k]);
    for (const Bytes &b : kBytes) byte_array(v, s->*b.count, s->*b.data);
    for (int k = 0; k < 5; ++k) after[k].decode(v, pool, s, kSizedAfter[k]);
    v.integer<uint16_t>(s->TXT_CNT, 0);
    texts.decode(v, pool, s->TXT_CNT);
    v.fix_header(s);

    // Pointers into the pool only now that it no longer moves.
    if (pool.failed()) s->COND_CNT = s->TXT_CNT = 0;
    conditions.store(pool, s->COND_LEN, s->COND_LST);
    texts.store(pool, s->USER_TXT_LEN, s->USER_TXT);
    for (int k = 0; k < 3; ++k) before[k].store(pool, s, kSizedBefore[k]);
    for (int k = 0; k < 5; ++k) after[k].store(pool, s, kSizedAfter[k]);
    st.set(17, s->COND_CNT != 0, s->COND_CNT != 0);
    return !pool.failed();
}

ReadResult read(int handle, const kelvo_header *header, S *s, uint32_t *status) {
    bool stored = true;
    ReadResult r = read_decode(handle, header, s, [&](S *x, const uint8_t *image, const kelvo_attributes *a) {
        stored = decode(x, image, a, status);
    });
    return stored ? r : ReadResult{0, false};
}

}  // namespace kelvo::str

extern "C" {

KELVO_API void kelvo_str_to_struct(S *str, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    str::decode(str, image, attr, status);
}

KELVO_API int kelvo_strread(int handle, const kelvo_header *header, S *str, uint32_t *status) {
    return str::read(handle, header, str, status).result;
}

}  // extern "C"
