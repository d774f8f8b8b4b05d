// Record kinds: HBR and SBR.
#include "kinds/print_layout.h"
#include "records/bins/layout.h"

namespace {

using kinds::print_layout;
constexpr auto print_hbr = print_layout<kelvo::bins::kHbr>;
constexpr auto print_sbr = print_layout<kelvo::bins::kSbr>;

}  // namespace

namespace kinds {

std::vector<RecordKind> bins_kinds() {
    return {
        make_kind<kelvo_hbr_struct>("HBR", KELVO_HBR_TYP, KELVO_HBR_SUB,
                                    {kelvo_hbrbuf_read, kelvo_hbr_to_struct, kelvo_hbr_buf, kelvo_hbr_size,
                                     kelvo_hbr_to_memory, kelvo_hbrwrite, print_hbr,
                                     [](int, kelvo_hbr_struct *s, const void *img, const kelvo_attributes *a,
                                        uint32_t *st) { kelvo_v3_hbr_to_struct(s, img, a, st); }}),
        make_kind<kelvo_sbr_struct>("SBR", KELVO_SBR_TYP, KELVO_SBR_SUB,
                                    {kelvo_sbrbuf_read, kelvo_sbr_to_struct, kelvo_sbr_buf, kelvo_sbr_size,
                                     kelvo_sbr_to_memory, kelvo_sbrwrite, print_sbr,
                                     [](int, kelvo_sbr_struct *s, const void *img, const kelvo_attributes *a,
                                        uint32_t *st) { kelvo_v3_sbr_to_struct(s, img, a, st); }}),
        // Version 3: site bin summaries, as HBR and SBR.
        make_kind<kelvo_hbr_struct, 1>("SHB", KELVO_SHB_TYP, KELVO_SHB_SUB,
                                       {kelvo_v3_shbbuf_read, kelvo_shb_to_struct, kelvo_shb_buf, kelvo_hbr_size,
                                        kelvo_hbr_to_memory, kelvo_hbrwrite, print_hbr}),
        make_kind<kelvo_sbr_struct, 1>("SSB", KELVO_SSB_TYP, KELVO_SSB_SUB,
                                       {kelvo_v3_ssbbuf_read, kelvo_ssb_to_struct, kelvo_ssb_buf, kelvo_sbr_size,
                                        kelvo_sbr_to_memory, kelvo_sbrwrite, print_sbr}),
    };
}

}  // namespace kinds
