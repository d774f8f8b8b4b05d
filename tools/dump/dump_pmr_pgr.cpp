// kelvo-dump: PMR and PGR.
#include "dump/print_layout.h"
#include "records/pins/layout.h"

namespace {

constexpr auto print_pmr = dump::print_layout<kelvo::pins::pmr::kLayout>;

void print_pgr(dump::Printer &p, const kelvo_pgr_struct &s, const uint32_t *st) {
    p.u("GRP_INDX", s.GRP_INDX);
    p.text("GRP_NAM", s.GRP_NAM, st[0]);
    p.u("INDX_CNT", s.INDX_CNT, st[1] & KELVO_PRESENT ? KELVO_VALID : 0);
    p.list("PMR_INDX", s.PMR_INDX, s.INDX_CNT, st[1] & KELVO_PRESENT ? KELVO_VALID : 0);
}

const dump::Registration registration{
    dump::make_kind<kelvo_pmr_struct>("PMR", 1, 60,
                                      {kelvo_pmrbuf_read, kelvo_pmr_to_struct, kelvo_pmr_buf, kelvo_pmr_size,
                                       kelvo_pmr_to_memory, kelvo_pmrwrite, print_pmr,
                                       [](int, kelvo_pmr_struct *s, const void *img, const kelvo_attributes *a,
                                          uint32_t *st) { kelvo_v3_pmr_to_struct(s, img, a, st); },
                                       kelvo_v3_pmr_buf}),
    dump::make_kind<kelvo_pgr_struct>("PGR", 1, 62,
                                      {kelvo_pgrbuf_read, kelvo_pgr_to_struct, kelvo_pgr_buf, kelvo_pgr_size,
                                       kelvo_pgr_to_memory, kelvo_pgrwrite, print_pgr}),
};

}  // namespace
