// WCR: wafer configuration record. The structure is the record's image, so the
// record is moved as one block and its numbers converted in place.
#include "codec/codec.h"

KELVO_SOURCE_ID("kelvo_wcrread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_wcr_struct, WAFR_SIZ) == 4);
static_assert(offsetof(kelvo_wcr_struct, DIE_HT) == 8);
static_assert(offsetof(kelvo_wcr_struct, DIE_WID) == 12);
static_assert(offsetof(kelvo_wcr_struct, WF_UNITS) == 16);
static_assert(offsetof(kelvo_wcr_struct, WF_FLAT) == 17);
static_assert(offsetof(kelvo_wcr_struct, CENTER_X) == 18);
static_assert(offsetof(kelvo_wcr_struct, CENTER_Y) == 20);
static_assert(offsetof(kelvo_wcr_struct, POS_X) == 22);
static_assert(offsetof(kelvo_wcr_struct, POS_Y) == 23);
static_assert(sizeof(kelvo_wcr_struct) == 24);

namespace {

// Where each field ends, counted from the start of the record: a field is taken
// only when the record holds it whole.
constexpr uint32_t kFieldEnd[9] = {8, 12, 16, 17, 18, 20, 22, 23, 24};

}  // namespace

extern "C" {

KELVO_API void kelvo_wcr_to_struct(kelvo_wcr_struct *wcr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    View v(image, attr);
    Status st(status);
    kelvo_wcr_struct d{};
    d.WAFR_SIZ = d.DIE_HT = d.DIE_WID = 0.0f;
    d.WF_UNITS = 0;
    d.WF_FLAT = d.POS_X = d.POS_Y = ' ';
    d.CENTER_X = d.CENTER_Y = -32768;
    // The header and every field the record holds whole; a field cut by the end of
    // the record keeps its default rather than a mix of record and default bytes.
    uint32_t whole = 4;
    for (uint32_t end : kFieldEnd)
        if (end <= v.end()) whole = end;
    std::memcpy(&d, v.image(), 4);
    std::memcpy(reinterpret_cast<uint8_t *>(&d) + 4, v.image() + 4, whole - 4);

    bool held[9];
    for (int i = 0; i < 9; ++i) held[i] = kFieldEnd[i] <= v.end();
    if (held[0]) d.WAFR_SIZ = v.r4_at(4);
    if (held[1]) d.DIE_HT = v.r4_at(8);
    if (held[2]) d.DIE_WID = v.r4_at(12);
    if (held[5]) fix(v, d.CENTER_X);
    if (held[6]) fix(v, d.CENTER_Y);
    v.fix_header(&d);
    *wcr = d;

    if (!st) return;
    // R4 sizes count as valid unless they equal 0.0, so a NaN is valid.
    bool valid[9] = {d.WAFR_SIZ != 0.0f, d.DIE_HT != 0.0f,     d.DIE_WID != 0.0f,
                     d.WF_UNITS != 0,    d.WF_FLAT != ' ',     d.CENTER_X != -32768,
                     d.CENTER_Y != -32768, d.POS_X != ' ', d.POS_Y != ' '};
    for (int i = 0; i < 9; ++i) st.set(i, held[i], valid[i]);
}

KELVO_API int kelvo_wcrread(int handle, const kelvo_header *header, kelvo_wcr_struct *wcr, uint32_t *status) {
    return read_record(handle, header, wcr, [status](kelvo_wcr_struct *s, const void *img, const kelvo_attributes *a) {
        kelvo_wcr_to_struct(s, img, a, status);
    });
}

// WCR holds no text: there is nothing to copy.
KELVO_API int kelvo_wcrbuf_read(int handle, const kelvo_header *header, kelvo_wcr_struct *wcr, uint32_t *status) {
    return kelvo_wcrread(handle, header, wcr, status);
}

}  // extern "C"
