// kelvo-dump: PTR.
#include "dump/dump.h"

namespace {

void print_ptr(dump::Printer &p, const kelvo_ptr_struct &s, const uint32_t *st) {
    p.u("TEST_NUM", s.TEST_NUM);
    p.u("HEAD_NUM", s.HEAD_NUM);
    p.u("SITE_NUM", s.SITE_NUM);
    p.hex("TEST_FLG", s.TEST_FLG);
    p.hex("PARM_FLG", s.PARM_FLG);
    p.r("RESULT", s.RESULT, st[0]);
    p.text("TEST_TXT", s.TEST_TXT, st[1]);
    p.text("ALARM_ID", s.ALARM_ID, st[2]);
    p.hex("OPT_FLAG", s.OPT_FLAG, st[3]);
    p.i("RES_SCAL", s.RES_SCAL, st[4]);
    p.i("LLM_SCAL", s.LLM_SCAL, st[5]);
    p.i("HLM_SCAL", s.HLM_SCAL, st[6]);
    p.r("LO_LIMIT", s.LO_LIMIT, st[7]);
    p.r("HI_LIMIT", s.HI_LIMIT, st[8]);
    p.text("UNITS", s.UNITS, st[9]);
    p.text("C_RESFMT", s.C_RESFMT, st[10]);
    p.text("C_LLMFMT", s.C_LLMFMT, st[11]);
    p.text("C_HLMFMT", s.C_HLMFMT, st[12]);
    p.r("LO_SPEC", s.LO_SPEC, st[13]);
    p.r("HI_SPEC", s.HI_SPEC, st[14]);
}

const dump::Registration registration{
    dump::make_kind<kelvo_ptr_struct>("PTR", 15, 10,
                                      {kelvo_ptrbuf_read, kelvo_ptr_to_struct, kelvo_ptr_buf, kelvo_ptr_size,
                                       kelvo_ptr_to_memory, kelvo_ptrwrite, print_ptr, kelvo_v3_ptr_to_struct,
                                       kelvo_v3_ptr_buf}),
    // Version 3: a parametric test's description, as the PTR it decodes to.
    dump::make_kind<kelvo_ptr_struct, 1>(
        "PDR", 10, 10,
        {kelvo_v3_pdrbuf_read,
         [](kelvo_ptr_struct *s, const void *img, const kelvo_attributes *a, uint32_t *st) {
             kelvo_v3_pdr_to_ptr_struct(dump::kImageHandle, s, img, a, st);
         },
         nullptr, kelvo_ptr_size, kelvo_ptr_to_memory, kelvo_ptrwrite, print_ptr}),
};

}  // namespace
