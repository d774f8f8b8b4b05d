// kelvo-dump: TSR.
#include "dump/dump.h"

namespace {

void print_tsr(dump::Printer &p, const kelvo_tsr_struct &s, const uint32_t *st) {
    p.u("HEAD_NUM", s.HEAD_NUM);
    p.u("SITE_NUM", s.SITE_NUM);
    p.ch("TEST_TYP", s.TEST_TYP, st[0]);
    p.u("TEST_NUM", s.TEST_NUM);
    p.u("EXEC_CNT", s.EXEC_CNT, st[1]);
    p.u("FAIL_CNT", s.FAIL_CNT, st[2]);
    p.u("ALRM_CNT", s.ALRM_CNT, st[3]);
    p.text("TEST_NAM", s.TEST_NAM, st[4]);
    p.text("SEQ_NAME", s.SEQ_NAME, st[5]);
    p.text("TEST_LBL", s.TEST_LBL, st[6]);
    p.hex("OPT_FLAG", s.OPT_FLAG, st[7]);
    p.r("TEST_TIM", s.TEST_TIM, st[8]);
    p.r("TEST_MIN", s.TEST_MIN, st[9]);
    p.r("TEST_MAX", s.TEST_MAX, st[10]);
    p.r("TST_SUMS", s.TST_SUMS, st[11]);
    p.r("TST_SQRS", s.TST_SQRS, st[12]);
}

const dump::Registration registration{
    dump::make_kind<kelvo_tsr_struct>("TSR", 10, 30,
                                      {kelvo_tsrbuf_read, kelvo_tsr_to_struct, kelvo_tsr_buf, kelvo_tsr_size,
                                       kelvo_tsr_to_memory, kelvo_tsrwrite, print_tsr, kelvo_v3_tsr_to_struct}),
    // Version 3: a site's test synopsis, as a TSR.
    dump::make_kind<kelvo_tsr_struct, 1>("STS", 25, 30,
                                         {kelvo_v3_stsbuf_read, kelvo_sts_to_struct, kelvo_sts_buf, kelvo_tsr_size,
                                          kelvo_tsr_to_memory, kelvo_tsrwrite, print_tsr}),
};

}  // namespace
