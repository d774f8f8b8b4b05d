// Record kinds: BPS, EPS and DTR.
#include "kinds/print_layout.h"
#include "records/sections/layout.h"

namespace {

constexpr auto print_bps = kinds::print_layout<kelvo::sections::bps::kLayout>;
constexpr auto print_eps = kinds::print_layout<kelvo::sections::eps::kLayout>;
constexpr auto print_dtr = kinds::print_layout<kelvo::sections::dtr::kLayout>;

}  // namespace

namespace kinds {

std::vector<RecordKind> sections_kinds() {
    return {
        make_kind<kelvo_bps_struct>("BPS", KELVO_BPS_TYP, KELVO_BPS_SUB,
                                    {kelvo_bpsbuf_read, kelvo_bps_to_struct, kelvo_bps_buf, kelvo_bps_size,
                                     kelvo_bps_to_memory, kelvo_bpswrite, print_bps}),
        make_kind<kelvo_eps_struct>(
            "EPS", KELVO_EPS_TYP, KELVO_EPS_SUB,
            {[](int h, const kelvo_header *hd, kelvo_eps_struct *s, uint32_t *) { return kelvo_epsbuf_read(h, hd, s); },
             [](kelvo_eps_struct *s, const void *img, const kelvo_attributes *a, uint32_t *) {
                 kelvo_eps_to_struct(s, img, a);
             },
             nullptr, kelvo_eps_size, kelvo_eps_to_memory, kelvo_epswrite, print_eps}),
        make_kind<kelvo_dtr_struct>(
            "DTR", KELVO_DTR_TYP, KELVO_DTR_SUB,
            {[](int h, const kelvo_header *hd, kelvo_dtr_struct *s, uint32_t *) { return kelvo_dtrbuf_read(h, hd, s); },
             [](kelvo_dtr_struct *s, const void *img, const kelvo_attributes *a, uint32_t *) {
                 kelvo_dtr_to_struct(s, img, a);
             },
             kelvo_dtr_buf, kelvo_dtr_size, kelvo_dtr_to_memory, kelvo_dtrwrite, print_dtr}),
    };
}

}  // namespace kinds
