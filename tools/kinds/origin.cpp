// Record kinds: ATR.
#include "kinds/print_layout.h"
#include "records/origin/layout.h"

namespace {

constexpr auto print_atr = kinds::print_layout<kelvo::origin::atr::kLayout>;

}  // namespace

namespace kinds {

std::vector<RecordKind> origin_kinds() {
    return {
        make_kind<kelvo_atr_struct>(
            "ATR", KELVO_ATR_TYP, KELVO_ATR_SUB,
            {[](int h, const kelvo_header *hd, kelvo_atr_struct *s, uint32_t *) { return kelvo_atrbuf_read(h, hd, s); },
             [](kelvo_atr_struct *s, const void *img, const kelvo_attributes *a, uint32_t *) {
                 kelvo_atr_to_struct(s, img, a);
             },
             kelvo_atr_buf, kelvo_atr_size, kelvo_atr_to_memory, kelvo_atrwrite, print_atr}),
    };
}

}  // namespace kinds
