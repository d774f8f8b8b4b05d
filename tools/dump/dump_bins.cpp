// kelvo-dump: HBR and SBR.
#include "dump/print_layout.h"
#include "records/bins/layout.h"

namespace {

using dump::print_layout;
constexpr auto print_hbr = print_layout<kelvo::bins::kHbr>;
constexpr auto print_sbr = print_layout<kelvo::bins::kSbr>;

const dump::Registration registration{
    dump::make_kind<kelvo_hbr_struct>("HBR", 1, 40,
                                      {kelvo_hbrbuf_read, kelvo_hbr_to_struct, kelvo_hbr_buf, kelvo_hbr_size,
                                       kelvo_hbr_to_memory, kelvo_hbrwrite, print_hbr,
                                       [](int, kelvo_hbr_struct *s, const void *img, const kelvo_attributes *a,
                                          uint32_t *st) { kelvo_v3_hbr_to_struct(s, img, a, st); }}),
    dump::make_kind<kelvo_sbr_struct>("SBR", 1, 50,
                                      {kelvo_sbrbuf_read, kelvo_sbr_to_struct, kelvo_sbr_buf, kelvo_sbr_size,
                                       kelvo_sbr_to_memory, kelvo_sbrwrite, print_sbr,
                                       [](int, kelvo_sbr_struct *s, const void *img, const kelvo_attributes *a,
                                          uint32_t *st) { kelvo_v3_sbr_to_struct(s, img, a, st); }}),
    // Version 3: site bin summaries, as HBR and SBR.
    dump::make_kind<kelvo_hbr_struct, 1>("SHB", 25, 10,
                                         {kelvo_v3_shbbuf_read, kelvo_shb_to_struct, kelvo_shb_buf, kelvo_hbr_size,
                                          kelvo_hbr_to_memory, kelvo_hbrwrite, print_hbr}),
    dump::make_kind<kelvo_sbr_struct, 1>("SSB", 25, 20,
                                         {kelvo_v3_ssbbuf_read, kelvo_ssb_to_struct, kelvo_ssb_buf, kelvo_sbr_size,
                                          kelvo_sbr_to_memory, kelvo_sbrwrite, print_sbr}),
};

}  // namespace
