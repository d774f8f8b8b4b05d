// Record kinds: WIR, WRR and WCR.
#include "kinds/print_layout.h"
#include "records/wafer/layout.h"

namespace {

using kinds::print_layout;

void print_wcr(kinds::Printer &p, const kelvo_wcr_struct &s, const uint32_t *st) {
    p.r("WAFR_SIZ", s.WAFR_SIZ, st[0]);
    p.r("DIE_HT", s.DIE_HT, st[1]);
    p.r("DIE_WID", s.DIE_WID, st[2]);
    p.u("WF_UNITS", s.WF_UNITS, st[3]);
    p.ch("WF_FLAT", s.WF_FLAT, st[4]);
    p.i("CENTER_X", s.CENTER_X, st[5]);
    p.i("CENTER_Y", s.CENTER_Y, st[6]);
    p.ch("POS_X", s.POS_X, st[7]);
    p.ch("POS_Y", s.POS_Y, st[8]);
}

}  // namespace

namespace kinds {

std::vector<RecordKind> wafer_kinds() {
    return {
        make_kind<kelvo_wir_struct>("WIR", KELVO_WIR_TYP, KELVO_WIR_SUB,
                                    {kelvo_wirbuf_read, kelvo_wir_to_struct, kelvo_wir_buf, kelvo_wir_size,
                                     kelvo_wir_to_memory, kelvo_wirwrite,
                                     print_layout<kelvo::wafer::wir::kLayout>}),
        make_kind<kelvo_wrr_struct>("WRR", KELVO_WRR_TYP, KELVO_WRR_SUB,
                                    {kelvo_wrrbuf_read, kelvo_wrr_to_struct, kelvo_wrr_buf, kelvo_wrr_size,
                                     kelvo_wrr_to_memory, kelvo_wrrwrite,
                                     print_layout<kelvo::wafer::wrr::kLayout>,
                                     [](int, kelvo_wrr_struct *s, const void *img, const kelvo_attributes *a,
                                        uint32_t *st) { kelvo_v3_wrr_to_struct(s, img, a, st); },
                                     kelvo_v3_wrr_buf}),
        make_kind<kelvo_wcr_struct>("WCR", KELVO_WCR_TYP, KELVO_WCR_SUB,
                                    {kelvo_wcrbuf_read, kelvo_wcr_to_struct, nullptr, kelvo_wcr_size,
                                     kelvo_wcr_to_memory, kelvo_wcrwrite, print_wcr}),
    };
}

}  // namespace kinds
