// Record kinds: PMR and PGR.
#include "kinds/print_layout.h"
#include "records/pins/layout.h"

namespace {

constexpr auto print_pmr = kinds::print_layout<kelvo::pins::pmr::kLayout>;

constexpr auto print_pgr = kinds::print_layout<kelvo::pins::pgr::kLayout>;

}  // namespace

namespace kinds {

std::vector<RecordKind> pins_kinds() {
    return {
        make_kind<kelvo_pmr_struct>("PMR", KELVO_PMR_TYP, KELVO_PMR_SUB,
                                    {kelvo_pmrbuf_read, kelvo_pmr_to_struct, kelvo_pmr_buf, kelvo_pmr_size,
                                     kelvo_pmr_to_memory, kelvo_pmrwrite, print_pmr,
                                     [](int, kelvo_pmr_struct *s, const void *img, const kelvo_attributes *a,
                                        uint32_t *st) { kelvo_v3_pmr_to_struct(s, img, a, st); },
                                     kelvo_v3_pmr_buf}),
        make_kind<kelvo_pgr_struct>("PGR", KELVO_PGR_TYP, KELVO_PGR_SUB,
                                    {kelvo_pgrbuf_read, kelvo_pgr_to_struct, kelvo_pgr_buf, kelvo_pgr_size,
                                     kelvo_pgr_to_memory, kelvo_pgrwrite, print_pgr}),
    };
}

}  // namespace kinds
