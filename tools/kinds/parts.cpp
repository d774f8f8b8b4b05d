// Record kinds: PIR and PRR.
#include "kinds/print_layout.h"
#include "records/parts/layout.h"

namespace {

constexpr auto print_pir = kinds::print_layout<kelvo::parts::pir::kLayout>;
constexpr auto print_prr = kinds::print_layout<kelvo::parts::prr::kLayout>;

}  // namespace

namespace kinds {

std::vector<RecordKind> parts_kinds() {
    return {
        make_kind<kelvo_pir_struct>(
            "PIR", KELVO_PIR_TYP, KELVO_PIR_SUB,
            {[](int h, const kelvo_header *hd, kelvo_pir_struct *s, uint32_t *) { return kelvo_pirbuf_read(h, hd, s); },
             [](kelvo_pir_struct *s, const void *img, const kelvo_attributes *a, uint32_t *) {
                 kelvo_pir_to_struct(s, img, a);
             },
             kelvo_pir_buf, kelvo_pir_size, kelvo_pir_to_memory, kelvo_pirwrite, print_pir,
             [](int h, kelvo_pir_struct *s, const void *img, const kelvo_attributes *a, uint32_t *) {
                 kelvo_v3_pir_to_struct(s, img, a, h);
             }}),
        make_kind<kelvo_prr_struct>("PRR", KELVO_PRR_TYP, KELVO_PRR_SUB,
                                    {kelvo_prrbuf_read, kelvo_prr_to_struct, kelvo_prr_buf, kelvo_prr_size,
                                     kelvo_prr_to_memory, kelvo_prrwrite, print_prr,
                                     [](int h, kelvo_prr_struct *s, const void *img, const kelvo_attributes *a,
                                        uint32_t *st) { kelvo_v3_prr_to_struct(s, img, a, st, h); }}),
    };
}

}  // namespace kinds
