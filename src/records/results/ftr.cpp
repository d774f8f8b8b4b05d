// FTR: functional test record. A version-3 handle's records are decoded and copied by
// the version-3 operations.
#include "codec/layout_codec.h"
#include "records/results/layout.h"
#include "v3/v3.h"

KELVO_SOURCE_ID("kelvo_ftrread")
KELVO_SOURCE_ID("kelvo_ftrbuf_read")
KELVO_SOURCE_ID("kelvo_ftrwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::results::ftr::kLayout;

namespace {

constexpr size_t kRtnIndx = layout::index_of(kLayout, "RTN_INDX");
constexpr size_t kRtnStat = layout::index_of(kLayout, "RTN_STAT");
constexpr size_t kPgmIndx = layout::index_of(kLayout, "PGM_INDX");

// Where the arrays go in the array buffer: RTN_INDX at its start, the unpacked
// RTN_STAT right behind it, PGM_INDX on the next 4-byte step, PGM_STAT behind that.
// The size covers odd counts (each unpacked state array rounds up to even).
struct Places {
    uint32_t rtn_stat, pgm_indx, pgm_stat, size;
};

Places places(uint32_t j, uint32_t k) {
    uint32_t rtn_stat = 2 * j;
    uint32_t pgm_indx = step4(rtn_stat + 2 * packed(j));
    uint32_t pgm_stat = pgm_indx + 2 * k;
    return {rtn_stat, pgm_indx, pgm_stat, pgm_stat + 2 * packed(k)};
}

// The version-4 decoder; false when the arrays that the record holds could not be had:
// they are then null and their counts 0.
bool decode(kelvo_ftr_struct *ftr, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    View v(image, attr);
    Status st(status);
    uint8_t *arrays = nullptr;
    Places at{};
    bool starved = false;
    layout::decode<kLayout>(ftr, v, st, [] {}, [&](auto field) {
        const uint32_t j = ftr->RTN_ICNT, k = ftr->PGM_ICNT;
        if constexpr (field == kRtnIndx) {
            // The storage of all four arrays, taken once the counts are known. Arrays the
            // record holds but the array buffer cannot take: the counts go with them.
            at = places(j, k);
            arrays = v.present() ? array_storage(at.size) : nullptr;
            starved = v.present() && !arrays && (j | k) != 0;
            return converted_array(v, arrays, 0, 2 * j, ftr->RTN_INDX,
                                   [&](uint16_t *d) { v.integers_to<uint16_t>(d, j, 0); });
        } else if constexpr (field == kRtnStat) {
            return converted_array(v, arrays, at.rtn_stat, packed(j), ftr->RTN_STAT,
                                   [&](uint8_t *d) { v.nibbles_to(d, j); });
        } else if constexpr (field == kPgmIndx) {
            return converted_array(v, arrays, at.pgm_indx, 2 * k, ftr->PGM_INDX,
                                   [&](uint16_t *d) { v.integers_to<uint16_t>(d, k, 0); });
        } else {
            return converted_array(v, arrays, at.pgm_stat, packed(k), ftr->PGM_STAT,
                                   [&](uint8_t *d) { v.nibbles_to(d, k); });
        }
    });
    if (starved) {
        ftr->RTN_ICNT = ftr->PGM_ICNT = 0;
        st.valid(KELVO_FTR_RTN_ICNT, false);
        st.valid(KELVO_FTR_PGM_ICNT, false);
    }
    return !starved;
}

// The read by the handle's version. A record whose arrays could not be had reads as 0.
ReadResult read(int handle, const kelvo_header *header, kelvo_ftr_struct *ftr, uint32_t *status) {
    const kelvo_attributes *a = handle_attributes(handle);
    if (!is_v3(a))
        return read_decode_checked(handle, header, ftr, status, decode);
    return read_decode_checked(handle, header, ftr,
                               [handle, status](kelvo_ftr_struct *s, const void *image, const kelvo_attributes *attr) {
                                   return v3::ftr_to_struct(handle, s, image, attr, status);
                               });
}

}  // namespace

extern "C" {

KELVO_API void kelvo_ftr_to_struct(kelvo_ftr_struct *ftr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    decode(ftr, image, attr, status);
}

KELVO_API int kelvo_ftrread(int handle, const kelvo_header *header, kelvo_ftr_struct *ftr, uint32_t *status) {
    return read(handle, header, ftr, status).result;
}

// The texts into the string buffer; the arrays stay in the array buffer, FAIL_PIN and
// SPIN_MAP in the read buffer.
KELVO_API int kelvo_ftr_buf(kelvo_ftr_struct *ftr) { return layout::copy_runs<kLayout>(ftr); }

KELVO_API int kelvo_ftrbuf_read(int handle, const kelvo_header *header, kelvo_ftr_struct *ftr,
                                uint32_t *status) {
    return copy_decoded(read(handle, header, ftr, status), [handle, ftr] {
        return !is_v3(handle) ? kelvo_ftr_buf(ftr) : kelvo_v3_ftr_buf(ftr);
    });
}

KELVO_LAYOUT_WRITERS(ftr, kLayout)

}  // extern "C"
