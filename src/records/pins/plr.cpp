// PLR: pin list. The seven parallel arrays of the record become GRP_CNT group
// entries in the array buffer; the status words are the library's own, in the
// second array buffer, handed back through the caller's pointer.
#include "records/pins/plr.h"

KELVO_SOURCE_ID("kelvo_plrread")
KELVO_SOURCE_ID("kelvo_plrbuf_read")
KELVO_SOURCE_ID("kelvo_plrwrite")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_plr_struct, GRP_CNT) == 4);

namespace kelvo::plr {

namespace {

// The second array buffer as `words` status words; storage it gains is zeroed, so
// that no word handed out is uninitialised.
uint32_t *status_words(uint32_t words) {
    Buffer &b = second_array_buffer();
    uint32_t old = b.capacity;
    if (!b.reserve(words * 4)) return nullptr;
    if (b.capacity > old) std::memset(b.data + old, 0, b.capacity - old);
    return reinterpret_cast<uint32_t *>(b.data);
}

}  // namespace

bool decode(kelvo_plr_struct *plr, const void *image, const kelvo_attributes *attr, uint32_t **status) {
    View v(image, attr);
    v.leading_block(plr, 6);
    v.fix_header(plr);
    fix(v, plr->GRP_CNT);
    // A record that ends after GRP_CNT 0 leaves both pointers alone. One that ends
    // after a non-zero GRP_CNT gets its groups anyway, every element missing.
    if (!v.present() && plr->GRP_CNT == 0) return true;

    bool ok = true;
    uint32_t count = plr->GRP_CNT;
    Buffer &groups = array_buffer();
    if (!groups.reserve(count * uint32_t{sizeof(kelvo_plr_group)})) {
        plr->GRP_CNT = 0;
        plr->GROUPS = nullptr;
        count = 0;
        ok = false;
    } else {
        plr->GROUPS = reinterpret_cast<kelvo_plr_group *>(groups.data);
    }
    uint32_t *words = nullptr;
    if (status) {
        words = status_words(std::max(count, 1u) * kWordsPerGroup);
        *status = words;
        if (!words) ok = false;
        if (words && count == 0)
            for (uint32_t k = 0; k < kWordsPerGroup; ++k) words[k] &= ~(KELVO_PRESENT | KELVO_VALID);
    }
    if (count == 0) return ok;

    auto word = [&](uint32_t g, uint32_t k, bool present, bool valid) {
        Status(words).set(static_cast<int>(g * kWordsPerGroup + k), present, valid);
    };
    kelvo_plr_group *grp = plr->GROUPS;
    // Each element is present when it begins inside the record; the first missing
    // one makes every later one missing, as the cursor no longer moves.
    for (uint32_t g = 0; g < count; ++g) v.integer<uint16_t>(grp[g].GRP_INDX, 0);
    for (uint32_t g = 0; g < count; ++g) {
        bool present = v.integer<uint16_t>(grp[g].GRP_MODE, 0);
        word(g, 0, present, present && grp[g].GRP_MODE != 0);
    }
    for (uint32_t g = 0; g < count; ++g) {
        bool present = v.integer<uint8_t>(grp[g].GRP_RADX, 0);
        word(g, 1, present, present && grp[g].GRP_RADX != 0);
    }
    for (uint32_t k = 0; k < 4; ++k) {
        for (uint32_t g = 0; g < count; ++g) {
            kelvo_cn &s = grp[g].*kTexts[k];
            bool present = v.cn(s);
            if (!present) s.str = nullptr;  // missing elements have no characters at all
            word(g, 2 + k, present, present && s.len != 0);
        }
    }
    return ok;
}

}  // namespace kelvo::plr

extern "C" {

KELVO_API void kelvo_plr_to_struct(kelvo_plr_struct *plr, const void *image, const kelvo_attributes *attr,
                                   uint32_t **status) {
    plr::decode(plr, image, attr, status);
}

KELVO_API int kelvo_plrread(int handle, const kelvo_header *header, kelvo_plr_struct *plr, uint32_t **status) {
    return read_decode_checked(handle, header, plr, [status](kelvo_plr_struct *s, const void *img,
                                                             const kelvo_attributes *a) {
               return plr::decode(s, img, a, status);
           }).result;
}

}  // extern "C"

// PLR: copy of every group's four strings into the string buffer; the numbers
// stay in the group entries.
extern "C" {

KELVO_API int kelvo_plr_buf(kelvo_plr_struct *plr) {
    if (plr->GRP_CNT == 0 || !plr->GROUPS) return 1;
    kelvo_plr_group *grp = plr->GROUPS;
    uint32_t need = 0;
    for (uint32_t g = 0; g < plr->GRP_CNT; ++g)
        for (auto field : plr::kTexts) need += uint32_t{(grp[g].*field).len} + 1;
    StringCopy copy;
    if (!copy.reserve(need)) return 0;
    // Missing strings (null characters) become empty strings too.
    for (uint32_t g = 0; g < plr->GRP_CNT; ++g)
        for (auto field : plr::kTexts) copy.text(grp[g].*field);
    return 1;
}

KELVO_API int kelvo_plrbuf_read(int handle, const kelvo_header *header, kelvo_plr_struct *plr, uint32_t **status) {
    ReadResult r = read_decode_checked(
        handle, header, plr,
        [status](kelvo_plr_struct *s, const void *img, const kelvo_attributes *a) { return plr::decode(s, img, a, status); });
    return copy_decoded(r, [plr] { return kelvo_plr_buf(plr); });
}

}  // extern "C"

// PLR writing: trailing elements that hold their defaults are left off, element by
// element across the arrays; GRP_CNT and every GRP_INDX are always written.
extern "C" {

KELVO_API int kelvo_plr_size(kelvo_plr_struct *plr) {
    uint32_t count = plr->GRP_CNT;
    kelvo_plr_group *grp = plr->GROUPS;
    Tail t;
    // A null group array stands for groups that hold only defaults.
    if (grp) {
        for (int k = 3; k >= 0; --k)
            for (uint32_t g = count; g-- > 0;) t.text(grp[g].*plr::kTexts[k]);
        for (uint32_t g = count; g-- > 0;) t.field(grp[g].GRP_RADX != 0, 1);
        for (uint32_t g = count; g-- > 0;) t.field(grp[g].GRP_MODE != 0, 2);
    }
    return finish_size(plr, 2 * (count + 1) + t.bytes());
}

KELVO_API void kelvo_plr_to_memory(const kelvo_plr_struct *plr, void *out) {
    Encoder e(out, plr->REC_LEN);
    e.leading_block(plr, 6);
    uint32_t count = plr->GRP_CNT;
    const kelvo_plr_group *grp = plr->GROUPS;
    if (!grp) {
        // Every element at its default: indexes, modes and radixes 0, empty strings.
        for (uint32_t g = 0; g < count; ++g) e.put<uint16_t>(0);
        for (uint32_t g = 0; g < count; ++g) e.put<uint16_t>(0);
        for (uint32_t g = 0; g < count; ++g) e.put<uint8_t>(0);
        for (uint32_t g = 0; g < 4 * count; ++g) e.put<uint8_t>(0);
        return;
    }
    for (uint32_t g = 0; g < count; ++g) e.put<uint16_t>(grp[g].GRP_INDX);
    for (uint32_t g = 0; g < count; ++g) e.put<uint16_t>(grp[g].GRP_MODE);
    for (uint32_t g = 0; g < count; ++g) e.put<uint8_t>(grp[g].GRP_RADX);
    for (auto field : plr::kTexts)
        for (uint32_t g = 0; g < count; ++g) e.cn(grp[g].*field);
}

KELVO_API int kelvo_plrwrite(int handle, kelvo_plr_struct *plr) {
    return write_record(handle, plr, KELVO_PLR_TYP, KELVO_PLR_SUB, kelvo_plr_size, kelvo_plr_to_memory);
}

}  // extern "C"
