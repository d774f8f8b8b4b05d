// MPR: multiple-result parametric record.
#include "codec/layout_codec.h"
#include "records/results/layout.h"

KELVO_SOURCE_ID("kelvo_mprread")
KELVO_SOURCE_ID("kelvo_mprbuf_read")
KELVO_SOURCE_ID("kelvo_mprwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::results::mpr::kLayout;

namespace {

constexpr size_t kRtnStat = layout::index_of(kLayout, "RTN_STAT");
constexpr size_t kRtnRslt = layout::index_of(kLayout, "RTN_RSLT");

// Where the arrays go in the array buffer: the unpacked states at its start, the
// results on the next 4-byte step after them, the indexes on the step after those.
struct Places {
    uint32_t results, indexes, size;
};

Places places(uint32_t j, uint32_t r) {
    uint32_t results = step4(2 * packed(j));
    uint32_t indexes = step4(results + 4 * r);
    return {results, indexes, indexes + 2 * j};
}

// The version-4 decoder; false when the arrays that the record holds could not be had:
// they are then null and their counts 0.
bool decode(kelvo_mpr_struct *mpr, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    View v(image, attr);
    Status st(status);
    uint8_t *arrays = nullptr;
    Places at{};
    bool starved = false;
    layout::decode<kLayout>(mpr, v, st, [] {}, [&](auto field) {
        const uint32_t j = mpr->RTN_ICNT, r = mpr->RSLT_CNT;
        if constexpr (field == kRtnStat) {
            // The storage of all three arrays, taken once the counts are known. Arrays the
            // record holds but the array buffer cannot take: the counts go with them.
            at = places(j, r);
            arrays = v.present() ? array_storage(at.size) : nullptr;
            starved = v.present() && !arrays && (j | r) != 0;
            return converted_array(v, arrays, 0, packed(j), mpr->RTN_STAT, [&](uint8_t *d) { v.nibbles_to(d, j); });
        } else if constexpr (field == kRtnRslt) {
            return converted_array(v, arrays, at.results, 4 * r, mpr->RTN_RSLT, [&](float *d) { v.r4s_to(d, r); });
        } else {
            return converted_array(v, arrays, at.indexes, 2 * j, mpr->RTN_INDX,
                                   [&](uint16_t *d) { v.integers_to<uint16_t>(d, j, 0); });
        }
    });
    if (starved) {
        mpr->RTN_ICNT = mpr->RSLT_CNT = 0;
        st.valid(KELVO_MPR_RTN_ICNT, false);
        st.valid(KELVO_MPR_RSLT_CNT, false);
    }
    return !starved;
}

// The read of both the reader and buf_read: 0 and not copied when the arrays cannot be had.
ReadResult read(int handle, const kelvo_header *header, kelvo_mpr_struct *mpr, uint32_t *status) {
    return read_decode_checked(handle, header, mpr, status, decode);
}

}  // namespace

extern "C" {

KELVO_API void kelvo_mpr_to_struct(kelvo_mpr_struct *mpr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    decode(mpr, image, attr, status);
}

KELVO_API int kelvo_mprread(int handle, const kelvo_header *header, kelvo_mpr_struct *mpr, uint32_t *status) {
    return read(handle, header, mpr, status).result;
}

// The texts into the string buffer; the arrays stay in the array buffer.
KELVO_API int kelvo_mpr_buf(kelvo_mpr_struct *mpr) { return layout::copy_runs<kLayout>(mpr); }

KELVO_API int kelvo_mprbuf_read(int handle, const kelvo_header *header, kelvo_mpr_struct *mpr,
                                uint32_t *status) {
    return copy_decoded(read(handle, header, mpr, status), [mpr] { return kelvo_mpr_buf(mpr); });
}

KELVO_LAYOUT_WRITERS(mpr, kLayout)

}  // extern "C"
