// kelvo-dump: WIR, WRR and WCR.
#include "dump/dump.h"

namespace {

void print_wir(dump::Printer &p, const kelvo_wir_struct &s, const uint32_t *st) {
    p.u("HEAD_NUM", s.HEAD_NUM);
    p.u("SITE_GRP", s.SITE_GRP, st[0]);
    p.u("START_T", s.START_T);
    p.text("WAFER_ID", s.WAFER_ID, st[1]);
}

void print_wrr(dump::Printer &p, const kelvo_wrr_struct &s, const uint32_t *st) {
    p.u("HEAD_NUM", s.HEAD_NUM);
    p.u("SITE_GRP", s.SITE_GRP, st[0]);
    p.u("FINISH_T", s.FINISH_T);
    p.u("PART_CNT", s.PART_CNT);
    p.u("RTST_CNT", s.RTST_CNT, st[1]);
    p.u("ABRT_CNT", s.ABRT_CNT, st[2]);
    p.u("GOOD_CNT", s.GOOD_CNT, st[3]);
    p.u("FUNC_CNT", s.FUNC_CNT, st[4]);
    p.text("WAFER_ID", s.WAFER_ID, st[5]);
    p.text("FABWF_ID", s.FABWF_ID, st[6]);
    p.text("FRAME_ID", s.FRAME_ID, st[7]);
    p.text("MASK_ID", s.MASK_ID, st[8]);
    p.text("USR_DESC", s.USR_DESC, st[9]);
    p.text("EXC_DESC", s.EXC_DESC, st[10]);
}

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
                                       kelvo_wir_to_memory, kelvo_wirwrite, print_wir}),
    dump::make_kind<kelvo_wrr_struct>("WRR", 2, 20,
                                      {kelvo_wrrbuf_read, kelvo_wrr_to_struct, kelvo_wrr_buf, kelvo_wrr_size,
                                       kelvo_wrr_to_memory, kelvo_wrrwrite, print_wrr,
                                       [](int, kelvo_wrr_struct *s, const void *img, const kelvo_attributes *a,
                                          uint32_t *st) { kelvo_v3_wrr_to_struct(s, img, a, st); },
                                       kelvo_v3_wrr_buf}),
    dump::make_kind<kelvo_wcr_struct>("WCR", 2, 30,
                                      {kelvo_wcrbuf_read, kelvo_wcr_to_struct, nullptr, kelvo_wcr_size,
                                       kelvo_wcr_to_memory, kelvo_wcrwrite, print_wcr}),
};

}  // namespace
