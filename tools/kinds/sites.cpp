// Record kinds: RDR and SDR.
#include "kinds/print_layout.h"
#include "records/sites/layout.h"

namespace {

constexpr auto print_rdr = kinds::print_layout<kelvo::sites::rdr::kLayout>;

void print_sdr(kinds::Printer &p, const kelvo_sdr_struct &s, const uint32_t *status) {
    using kelvo::sites::sdr::kLayout, kelvo::sites::sdr::kSiteNumAt;
    kinds::print_fields<kLayout>(p, s, status, 0, nullptr, kSiteNumAt);
    p.list("SITE_NUM", s.SITE_NUM, s.SITE_CNT, s.SITE_NUM ? KELVO_VALID : 0u);
    kinds::print_fields<kLayout>(p, s, status, kSiteNumAt);
}

}  // namespace

namespace kinds {

std::vector<RecordKind> sites_kinds() {
    return {
        make_kind<kelvo_rdr_struct>("RDR", KELVO_RDR_TYP, KELVO_RDR_SUB,
                                    {kelvo_rdrbuf_read, kelvo_rdr_to_struct, nullptr, kelvo_rdr_size,
                                     kelvo_rdr_to_memory, kelvo_rdrwrite, print_rdr}),
        make_kind<kelvo_sdr_struct>("SDR", KELVO_SDR_TYP, KELVO_SDR_SUB,
                                    {kelvo_sdrbuf_read, kelvo_sdr_to_struct, kelvo_sdr_buf, kelvo_sdr_size,
                                     kelvo_sdr_to_memory, kelvo_sdrwrite, print_sdr}),
    };
}

}  // namespace kinds
