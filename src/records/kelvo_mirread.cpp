// MIR: master information record. Its reader is also where a version-3 file, which
// has no FAR and opens with its MIR, is recognised.
#include "records/codec.h"
#include "records/mir.h"

KELVO_SOURCE_ID("kelvo_mirread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_mir_struct, SETUP_T) == 4);
static_assert(offsetof(kelvo_mir_struct, START_T) == 8);
static_assert(offsetof(kelvo_mir_struct, STAT_NUM) == 12);
static_assert(offsetof(kelvo_mir_struct, MODE_COD) == 13);
static_assert(offsetof(kelvo_mir_struct, RTST_COD) == 14);
static_assert(offsetof(kelvo_mir_struct, PROT_COD) == 15);
static_assert(offsetof(kelvo_mir_struct, BURN_TIM) == 16);
static_assert(offsetof(kelvo_mir_struct, CMOD_COD) == mir::kLeadingBlock - 1);

namespace kelvo::mir {

ReadResult read(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status) {
    Status(status).present(kVersion3Word, false);
    kelvo_attributes *attr = handle_attributes(handle);
    if (!attr || !header || !mir) return {0, false};
    if (attr->cpu_type != -1 && attr->kelvo_ver >= 4) {
        return read_decode(handle, header, mir,
                           [status](kelvo_mir_struct *s, const void *image, const kelvo_attributes *a) {
                               kelvo_mir_to_struct(s, image, a, status);
                           });
    }
    // No version-4 FAR: the body should open with a version-3 file's CPU type and
    // version bytes. Nothing is read past a record too short to hold them.
    if (header->REC_LEN == 0) return {-2, false};
    uint8_t cpu, version;
    if (kelvo_read(handle, &cpu, 1) != 1) return {-2, false};
    uint16_t len = header_length(header, cpu);
    if (len < 2 || kelvo_read(handle, &version, 1) != 1) return {-2, false};
    // Not a version-3 MIR: nothing decoded, the attributes unchanged.
    if (version != 3) return {-2, false};
    attr->cpu_type = cpu;
    attr->kelvo_ver = 3;
    // With the read buffer in hand the version-3 reader always decodes; without it the
    // rest of the body is passed over.
    if (!read_buffer().reserve(uint32_t{len} + 4)) {
        discard(open_slot(handle)->stream, len - 2u);
        return {0, false};
    }
    return {read_v3_mir(handle, header, mir, status), true};
}

}  // namespace kelvo::mir

extern "C" {

KELVO_API void kelvo_mir_to_struct(kelvo_mir_struct *mir, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(mir, mir::kLeadingBlock);
    v.fix_header(mir);
    fix(v, mir->SETUP_T);
    fix(v, mir->START_T);
    fix(v, mir->BURN_TIM);

    // The fixed fields are always there in a sound record; one too short for them has
    // zeros in their place, not marked present.
    auto code = [&](int word, uint32_t offset, char c) {
        bool present = offset < v.end();
        st.set(word, present, present && c != ' ');
    };
    code(0, 13, mir->MODE_COD);
    code(1, 14, mir->RTST_COD);
    code(2, 15, mir->PROT_COD);
    st.set(3, 16 < v.end(), 16 < v.end() && mir->BURN_TIM != 65535);
    code(4, 18, mir->CMOD_COD);

    // Strings in wire order; the first one the record does not hold makes every
    // later one absent (length 0, the static empty string).
    for (int i = 0; i < mir::kTexts; ++i) {
        kelvo_cn &s = mir->*mir::kText[i];
        st.text(mir::kTextWord + i, v.cn(s), s);
    }
}

KELVO_API int kelvo_mirread(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status) {
    return mir::read(handle, header, mir, status).result;
}

}  // extern "C"
