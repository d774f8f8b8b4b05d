// STR: scan test record. Every number is converted by the file's CPU type; the arrays
// whose elements the record sizes itself, and the condition and user text lists, are
// built in storage of their own, in the form that the encoder reads.
#include "codec/codec.h"
#include "records/generic/str.h"

KELVO_SOURCE_ID("kelvo_strread")
KELVO_SOURCE_ID("kelvo_strbuf_read")
KELVO_SOURCE_ID("kelvo_strwrite")

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

// STR: copy of the texts into the string buffer.
using S = kelvo_str_struct;

namespace {

struct List {
    uint16_t S::*count;
    uint8_t *S::*lengths;
    char **S::*texts;
};
constexpr List kLists[] = {{&S::COND_CNT, &S::COND_LEN, &S::COND_LST}, {&S::TXT_CNT, &S::USER_TXT_LEN, &S::USER_TXT}};

uint32_t length(const S *s, const List &l, uint32_t i) { return s->*l.lengths ? (s->*l.lengths)[i] : 0; }

}  // namespace

extern "C" {

// Layout: the five texts, the texts of both lists, then (at a multiple of 8) both lists'
// pointer arrays and length arrays. A structure copied before is copied onto itself,
// every piece at the place it already has.
KELVO_API int kelvo_str_buf(S *str) {
    uint64_t need = 5 + 7;
    for (auto text : {&S::LOG_TYP, &S::TEST_TXT, &S::ALARM_ID, &S::PROG_TXT, &S::RSLT_TXT}) need += (str->*text).len;
    for (const List &l : kLists)
        for (uint32_t i = 0; i < str->*l.count; ++i) need += length(str, l, i) + 1 + 1 + sizeof(char *);
    StringCopy copy;
    if (need > UINT32_MAX - 255 || !copy.reserve(static_cast<uint32_t>(need))) return 0;

    for (auto text : {&S::LOG_TYP, &S::TEST_TXT, &S::ALARM_ID, &S::PROG_TXT, &S::RSLT_TXT}) copy.text(str->*text);
    uint32_t first[2];
    for (int k = 0; k < 2; ++k) {
        const List &l = kLists[k];
        first[k] = copy.pos();
        for (uint32_t i = 0; i < str->*l.count; ++i) {
            copy.bytes(str->*l.texts ? (str->*l.texts)[i] : nullptr, length(str, l, i));
            copy.bytes<char>(nullptr, 1);
        }
    }
    copy.seek((copy.pos() + 7) & ~7u);
    char **pointers[2];
    for (int k = 0; k < 2; ++k) {
        const List &l = kLists[k];
        uint32_t count = str->*l.count;
        pointers[k] = count ? reinterpret_cast<char **>(copy.base() + copy.pos()) : nullptr;
        for (uint32_t i = 0, at = first[k]; i < count; at += length(str, l, i) + 1, ++i)
            pointers[k][i] = reinterpret_cast<char *>(copy.base() + at);
        copy.seek(copy.pos() + count * uint32_t{sizeof(char *)});
    }
    for (int k = 0; k < 2; ++k) {
        const List &l = kLists[k];
        uint32_t count = str->*l.count;
        uint8_t *lengths = count ? copy.bytes(str->*l.lengths, count) : nullptr;
        str->*l.lengths = lengths;
        str->*l.texts = pointers[k];
    }
    return 1;
}

KELVO_API int kelvo_strbuf_read(int handle, const kelvo_header *header, S *str, uint32_t *status) {
    return copy_decoded(str::read(handle, header, str, status), [str] { return kelvo_str_buf(str); });
}

}  // extern "C"

// STR writing. The caller sets the whole header; the fields are encoded from the
// structure's length and count members as they stand.
using S = kelvo_str_struct;

namespace {

// Counts the bytes that an encoding would write.
class Counter {
public:
    void raw(const void *, uint32_t n) { bytes_ += n; }
    template <class T>
    void put(T) {
        bytes_ += sizeof(T);
    }
    void cn(const kelvo_cn &s) { bytes_ += 1 + uint64_t{s.len}; }
    uint64_t bytes() const { return bytes_; }

private:
    uint64_t bytes_ = 0;
};

// A bit map: its bit count and the bytes that hold the bits, as they stand.
template <class Out>
void bit_map(Out &out, const kelvo_dn &map) {
    out.template put<uint16_t>(map.bits);
    out.raw(map.data, (uint32_t{map.bits} + 7) / 8);
}

// A list of counted strings; null arrays give empty strings.
template <class Out>
void texts(Out &out, uint16_t count, const uint8_t *lengths, char *const *pointers) {
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t len = lengths ? lengths[i] : 0;
        out.template put<uint8_t>(len);
        out.raw(pointers ? pointers[i] : nullptr, len);
    }
}

// A sized array: each element as its record's width in bytes, little-endian, from its
// low word and (wider than 4 bytes) its high word; bytes beyond the eighth are zero.
template <class Out>
void sized(Out &out, const S &s, const str::Sized &a) {
    uint16_t count = s.*a.count;
    uint32_t width = s.*a.width;
    const uint32_t *lo = s.*a.lo, *hi = width > 4 ? s.*a.hi : nullptr;
    out.template put<uint16_t>(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t e = (lo ? lo[i] : 0) | (hi ? uint64_t{hi[i]} << 32 : 0);
        uint8_t bytes[8];
        std::memcpy(bytes, &e, 8);
        out.raw(bytes, std::min<uint32_t>(width, 8));
        if (width > 8) out.raw(nullptr, width - 8);
    }
}

// Every field in wire order, from the structure.
template <class Out>
void encode(Out &out, const S &s) {
    out.raw(&s, 5);  // header and CONT_FLG
    out.put(s.TEST_NUM);
    out.put(s.HEAD_NUM);
    out.put(s.SITE_NUM);
    out.put(s.PSR_REF);
    out.put(s.TEST_FLG);
    for (auto text : {&S::LOG_TYP, &S::TEST_TXT, &S::ALARM_ID, &S::PROG_TXT, &S::RSLT_TXT}) out.cn(s.*text);
    out.put(s.Z_VAL);
    out.put(s.FMU_FLG);
    if (s.FMU_FLG & str::kMaskMap) bit_map(out, s.MASK_MAP);
    if (s.FMU_FLG & str::kFalMap) bit_map(out, s.FAL_MAP);
    out.raw(s.CNT_BLOCK, sizeof s.CNT_BLOCK);
    out.put(s.BIT_BASE);
    out.put(s.COND_CNT);
    out.put(s.LIM_CNT);
    for (auto width : {&S::CYC_SIZE, &S::PMR_SIZE, &S::CHN_SIZE, &S::PAT_SIZE, &S::BIT_SIZE, &S::U1_SIZE,
                       &S::U2_SIZE, &S::U3_SIZE, &S::UTX_SIZE})
        out.put(s.*width);
    out.put(s.CAP_BGN);
    texts(out, s.COND_CNT, s.COND_LEN, s.COND_LST);
    for (const str::Sized &a : str::kSizedBefore) sized(out, s, a);
    for (const str::Bytes &b : str::kBytes) {
        out.put(s.*b.count);
        out.raw(s.*b.data, s.*b.count);
    }
    for (const str::Sized &a : str::kSizedAfter) sized(out, s, a);
    out.put(s.TXT_CNT);
    texts(out, s.TXT_CNT, s.USER_TXT_LEN, s.USER_TXT);
}

uint64_t body_bytes(const S &s) {
    Counter c;
    encode(c, s);
    return c.bytes() - 4;
}

}  // namespace

extern "C" {

KELVO_API int kelvo_str_size(S *str) {
    uint64_t body = body_bytes(*str);
    return finish_size(str, static_cast<uint32_t>(std::min<uint64_t>(body, INT32_MAX - 4)));
}

// Writes REC_LEN + 4 bytes: the fields, cut at the end of the record, then zeros.
KELVO_API void kelvo_str_to_memory(const S *str, void *out) {
    uint32_t total = uint32_t{str->REC_LEN} + 4;
    Encoder e(out, str->REC_LEN);
    encode(e, *str);
    if (e.pos() < total) std::memset(static_cast<uint8_t *>(out) + e.pos(), 0, total - e.pos());
}

KELVO_API int kelvo_strwrite(int handle, S *str) {
    if (handle == -1) return -1;
    if (!str || !open_slot(handle)) return 0;
    // A REC_LEN too short for the fields would cut the record: nothing is written.
    if (body_bytes(*str) > str->REC_LEN) return 0;
    uint32_t total = uint32_t{str->REC_LEN} + 4;
    uint8_t *out = write_buffer(handle, total);
    if (!out) return -2;
    kelvo_str_to_memory(str, out);
    return static_cast<int>(kelvo_write(handle, out, total));
}

}  // extern "C"
