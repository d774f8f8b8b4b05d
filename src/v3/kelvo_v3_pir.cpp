// Version-3 PIR and PRR. Version 3 gives a part's coordinates and PART_ID in its PIR,
// version 4 in its PRR: the PIR leaves them in the part state of its head and site,
// and the PRR that closes the part takes from there what its own record lacks.
#include <cstdlib>
#include <tuple>

#include "codec/codec.h"
#include "v3/v3.h"
#include "v3/v3_state.h"

KELVO_SOURCE_ID("kelvo_v3_pir")

using namespace kelvo;
using namespace kelvo::codec;

namespace {

enum Word { kSoftBin, kX, kY, kTestT, kPartId, kPartTxt, kPartFix };
constexpr int16_t kNoCoord = -32768;

// PIR body: HEAD_NUM, SITE_NUM, X_COORD, Y_COORD, PART_ID; PRR body: HEAD_NUM, SITE_NUM,
// NUM_TEST, HARD_BIN, SOFT_BIN, PART_FLG, PAD_BYTE, X_COORD, Y_COORD, PART_ID, PART_TXT,
// PART_FIX. Offsets count from the first header byte.
constexpr uint32_t kPirX = 6;
constexpr uint32_t kPrrNumTest = 6, kPrrHardBin = 8, kPrrSoftBin = 10, kPrrFlag = 12, kPrrPad = 13;

}  // namespace

namespace kelvo::v3 {

// False when the part state or its name storage could not be had: what the PIR gives its
// PRR is then lost.
bool pir_to_struct(kelvo_pir_struct *pir, const void *image, const kelvo_attributes *attr, int handle) {
    View v(image, attr);
    v.leading_block(pir, 6);
    v.fix_header(pir);
    v3::PartState **ref = v3::part_state(handle, pir->HEAD_NUM, pir->SITE_NUM);
    if (!ref) return true;

    v.seek(kPirX);
    int16_t x, y;
    kelvo_cn id;
    bool has_x = v.integer<int16_t>(x, kNoCoord);
    v.integer<int16_t>(y, kNoCoord);
    bool has_id = v.cn(id);

    v3::PartState *&state = *ref;
    if (has_x && !state) state = static_cast<v3::PartState *>(std::calloc(1, sizeof(v3::PartState)));
    if (!state) return !has_x;  // nothing to keep, or no storage for it
    if (has_id && state->name_capacity <= id.len) {
        state->name = static_cast<char *>(kelvo_mem_alloc(state->name, &state->name_capacity, id.len + 1u));
        if (!state->name) {
            // The old name went with the failed growth; nothing of this PIR is kept,
            // and nothing of an earlier one may reach the next PRR.
            state->pending = 0;
            return false;
        }
    }
    // A PIR without X_COORD leaves nothing pending; its own X_COORD would be kept.
    state->pending = has_x ? 1 : 0;
    if (has_x) state->X_COORD = x;
    state->Y_COORD = y;
    if (state->name) {
        std::memcpy(state->name, id.str, id.len);
        state->name[id.len] = '\0';
    }
    return true;
}

}  // namespace kelvo::v3

extern "C" {

KELVO_API void kelvo_v3_pir_to_struct(kelvo_pir_struct *pir, const void *image, const kelvo_attributes *attr,
                                      int handle) {
    v3::pir_to_struct(pir, image, attr, handle);
}

KELVO_API void kelvo_v3_prr_to_struct(kelvo_prr_struct *prr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status, int handle) {
    View v(image, attr);
    Status st(status);
    v.leading_block(prr, 6);
    // The fixed fields are taken whatever REC_LEN says; bytes the record lacks are 0.
    prr->NUM_TEST = v.integer_at<uint16_t>(kPrrNumTest);
    prr->HARD_BIN = v.integer_at<uint16_t>(kPrrHardBin);
    prr->SOFT_BIN = v.integer_at<uint16_t>(kPrrSoftBin);
    st.set(kSoftBin, true, prr->SOFT_BIN != 65535);
    prr->PART_FLG = v.load<uint8_t>(kPrrFlag);
    prr->TEST_T = 0;  // version 3 has no test time
    st.set(kTestT, false, false);

    v.seek(kPrrPad);
    if (v.present()) v.skip(1);
    bool p = v.integer<int16_t>(prr->X_COORD, kNoCoord);
    st.set(kX, p, p && prr->X_COORD != kNoCoord);
    p = v.integer<int16_t>(prr->Y_COORD, kNoCoord);
    st.set(kY, p, p && prr->Y_COORD != kNoCoord);
    st.text(kPartId, v.cn(prr->PART_ID), prr->PART_ID);
    st.text(kPartTxt, v.cn(prr->PART_TXT), prr->PART_TXT);
    p = v.bn(prr->PART_FIX);
    st.set(kPartFix, p, p && prr->PART_FIX.len != 0);
    v.fix_header(prr);

    // What the part's PIR left, for the fields this record lacks; once only.
    v3::PartState **ref = v3::part_state(handle, prr->HEAD_NUM, prr->SITE_NUM);
    v3::PartState *state = ref ? *ref : nullptr;
    if (!state || !state->pending) return;
    // Coordinates taken from the PIR are the part's own: marked usable, as PART_ID is.
    for (auto [coord, from, word] : {std::tuple{&prr->X_COORD, state->X_COORD, kX}, {&prr->Y_COORD, state->Y_COORD, kY}}) {
        if (*coord != kNoCoord || from == kNoCoord) continue;
        *coord = from;
        st.set(word, true, true);
    }
    if (prr->PART_ID.len == 0 && state->name) {
        // Valid until the next PIR of this head and site changes the name.
        prr->PART_ID.str = state->name;
        prr->PART_ID.len = static_cast<uint8_t>(strnlen(state->name, 255));
        if (prr->PART_ID.len != 0) st.set(kPartId, true, true);
    }
    state->pending = 0;
}

}  // extern "C"
