// Record kinds: MIR, MRR and PCR.
#include "kinds/print_layout.h"
#include "records/run/layout.h"

namespace {

using kinds::print_layout;

void print_mir(kinds::Printer &p, const kelvo_mir_struct &s, const uint32_t *st) {
    print_layout<kelvo::run::mir::kLayout>(p, s, st);
    // Members that only a version-3 file gives.
    uint32_t v3 = (st[KELVO_MIR_VERSION3] & KELVO_PRESENT) ? KELVO_VALID : 0;
    p.u("CPU_TYPE", s.CPU_TYPE, v3);
    p.u("KELVO_VER", s.KELVO_VER, v3);
    p.text("HAND_ID", s.HAND_ID, st[KELVO_MIR_HAND_ID]);
    p.text("PRB_CARD", s.PRB_CARD, st[KELVO_MIR_PRB_CARD]);
}

constexpr auto print_pcr = print_layout<kelvo::run::pcr::kLayout>;

void print_mrr(kinds::Printer &p, const kelvo_mrr_struct &s, const uint32_t *st) {
    print_layout<kelvo::run::mrr::kLayout>(p, s, st);
    // The part counts of a version-3 MRR.
    if (st[KELVO_MRR_VERSION3] & KELVO_PRESENT)
        kinds::print_fields<kelvo::run::pcr::kLayout>(p, s.PCR, st + KELVO_MRR_RTST_CNT, 2, "PCR.");
}

}  // namespace

namespace kinds {

std::vector<RecordKind> run_kinds() {
    return {
        make_kind<kelvo_mir_struct>("MIR", KELVO_MIR_TYP, KELVO_MIR_SUB,
                                    {kelvo_mirbuf_read, kelvo_mir_to_struct, kelvo_mir_buf, kelvo_mir_size,
                                     kelvo_mir_to_memory, kelvo_mirwrite, print_mir,
                                     [](int, kelvo_mir_struct *s, const void *img, const kelvo_attributes *a,
                                        uint32_t *st) { kelvo_mir_v3_to_struct(s, img, a, st); },
                                     kelvo_v3_mir_buf}),
        make_kind<kelvo_mrr_struct>("MRR", KELVO_MRR_TYP, KELVO_MRR_SUB,
                                    {kelvo_mrrbuf_read, kelvo_mrr_to_struct, kelvo_mrr_buf, kelvo_mrr_size,
                                     kelvo_mrr_to_memory, kelvo_mrrwrite, print_mrr}),
        make_kind<kelvo_pcr_struct>("PCR", KELVO_PCR_TYP, KELVO_PCR_SUB,
                                    {kelvo_pcrbuf_read, kelvo_pcr_to_struct, nullptr, kelvo_pcr_size,
                                     kelvo_pcr_to_memory, kelvo_pcrwrite, print_pcr}),
        // Version 3: a site's part counts, as a PCR.
        make_kind<kelvo_pcr_struct, 1>("SCR", KELVO_SCR_TYP, KELVO_SCR_SUB,
                                       {kelvo_v3_scrbuf_read, kelvo_scr_to_struct, nullptr, kelvo_pcr_size,
                                        kelvo_pcr_to_memory, kelvo_pcrwrite, print_pcr}),
    };
}

}  // namespace kinds
