// kelvo-dump: WIR, WRR and WCR.
#include "dump/print_layout.h"
#include "records/wafer/layout.h"

namespace {

using dump::print_layout;

void print_wcr(dump::Printer &p, const kelvo_wcr_struct &s, const uint32_t *st) {
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

const dump::Registration registration{
    dump::make_kind<kelvo_wir_struct>("WIR", 2, 10,
                                      {kelvo_wirbuf_read, kelvo_wir_to_struct, kelvo_wir_buf, kelvo_wir_size,
                                       kelvo_wir_to_memory, kelvo_wirwrite,
                                       print_layout<kelvo::wafer::wir::kLayout>}),
    dump::make_kind<kelvo_wrr_struct>("WRR", 2, 20,
                                      {kelvo_wrrbuf_read, kelvo_wrr_to_struct, kelvo_wrr_buf, kelvo_wrr_size,
                                       kelvo_wrr_to_memory, kelvo_wrrwrite,
                                       print_layout<kelvo::wafer::wrr::kLayout>,
                                       [](int, kelvo_wrr_struct *s, const void *img, const kelvo_attributes *a,
                                          uint32_t *st) { kelvo_v3_wrr_to_struct(s, img, a, st); },
                                       kelvo_v3_wrr_buf}),
    dump::make_kind<kelvo_wcr_struct>("WCR", 2, 30,
                                      {kelvo_wcrbuf_read, kelvo_wcr_to_struct, nullptr, kelvo_wcr_size,
                                       kelvo_wcr_to_memory, kelvo_wcrwrite, print_wcr}),
};

}  // namespace
