// STR writing. The caller sets the whole header; the fields are encoded from the
// structure's length and count members as they stand.
#include "codec/codec.h"
#include "records/generic/str.h"

KELVO_SOURCE_ID("kelvo_strwrite")

using namespace kelvo;
using namespace kelvo::codec;
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
