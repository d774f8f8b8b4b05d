// kelvo-dump: MIR, MRR and PCR.
#include "dump/dump.h"

namespace {

constexpr uint32_t kAllOnes = 0xFFFFFFFFu;

void print_mir(dump::Printer &p, const kelvo_mir_struct &s, const uint32_t *st) {
    p.u("SETUP_T", s.SETUP_T);
    p.u("START_T", s.START_T);
    p.u("STAT_NUM", s.STAT_NUM);
    p.ch("MODE_COD", s.MODE_COD, st[0]);
    p.ch("RTST_COD", s.RTST_COD, st[1]);
    p.ch("PROT_COD", s.PROT_COD, st[2]);
    p.u("BURN_TIM", s.BURN_TIM, st[3]);
    p.ch("CMOD_COD", s.CMOD_COD, st[4]);
    const struct {
        const char *name;
        const kelvo_cn &text;
    } texts[] = {
        {"LOT_ID", s.LOT_ID},     {"PART_TYP", s.PART_TYP}, {"NODE_NAM", s.NODE_NAM}, {"TSTR_TYP", s.TSTR_TYP},
        {"JOB_NAM", s.JOB_NAM},   {"JOB_REV", s.JOB_REV},   {"SBLOT_ID", s.SBLOT_ID}, {"OPER_NAM", s.OPER_NAM},
        {"EXEC_TYP", s.EXEC_TYP}, {"EXEC_VER", s.EXEC_VER}, {"TEST_COD", s.TEST_COD}, {"TST_TEMP", s.TST_TEMP},
        {"USER_TXT", s.USER_TXT}, {"AUX_FILE", s.AUX_FILE}, {"PKG_TYP", s.PKG_TYP},   {"FAMLY_ID", s.FAMLY_ID},
        {"DATE_COD", s.DATE_COD}, {"FACIL_ID", s.FACIL_ID}, {"FLOOR_ID", s.FLOOR_ID}, {"PROC_ID", s.PROC_ID},
        {"OPER_FRQ", s.OPER_FRQ}, {"SPEC_NAM", s.SPEC_NAM}, {"SPEC_VER", s.SPEC_VER}, {"FLOW_ID", s.FLOW_ID},
        {"SETUP_ID", s.SETUP_ID}, {"DSGN_REV", s.DSGN_REV}, {"ENG_ID", s.ENG_ID},     {"ROM_COD", s.ROM_COD},
        {"SERL_NUM", s.SERL_NUM}, {"SUPR_NAM", s.SUPR_NAM},
    };
    for (int i = 0; i < 30; ++i) p.text(texts[i].name, texts[i].text, st[5 + i]);
    // Members that only a version-3 file gives.
    uint32_t v3 = (st[35] & KELVO_PRESENT) ? KELVO_VALID : 0;
    p.u("CPU_TYPE", s.CPU_TYPE, v3);
    p.u("KELVO_VER", s.KELVO_VER, v3);
    p.text("HAND_ID", s.HAND_ID, st[36]);
    p.text("PRB_CARD", s.PRB_CARD, st[37]);
}

// The counts of a PCR; `words` points at the status words of RTST_CNT..FUNC_CNT.
void print_counts(dump::Printer &p, const char *prefix, const kelvo_pcr_struct &s, const uint32_t *words) {
    std::string name = prefix;
    p.u((name + "PART_CNT").c_str(), s.PART_CNT, s.PART_CNT != kAllOnes ? KELVO_VALID : 0);
    p.u((name + "RTST_CNT").c_str(), s.RTST_CNT, words[0]);
    p.u((name + "ABRT_CNT").c_str(), s.ABRT_CNT, words[1]);
    p.u((name + "GOOD_CNT").c_str(), s.GOOD_CNT, words[2]);
    p.u((name + "FUNC_CNT").c_str(), s.FUNC_CNT, words[3]);
}

void print_pcr(dump::Printer &p, const kelvo_pcr_struct &s, const uint32_t *st) {
    p.u("HEAD_NUM", s.HEAD_NUM);
    p.u("SITE_NUM", s.SITE_NUM);
    print_counts(p, "", s, st);
}

void print_mrr(dump::Printer &p, const kelvo_mrr_struct &s, const uint32_t *st) {
    p.u("FINISH_T", s.FINISH_T);
    p.ch("DISP_COD", s.DISP_COD, st[4]);
    p.text("USR_DESC", s.USR_DESC, st[5]);
    p.text("EXC_DESC", s.EXC_DESC, st[6]);
    // The part counts of a version-3 MRR.
    if (st[7] & KELVO_PRESENT) print_counts(p, "PCR.", s.PCR, st + 8);
}

const dump::Registration registration{
    dump::make_kind<kelvo_mir_struct>("MIR", 1, 10,
                                      {kelvo_mirbuf_read, kelvo_mir_to_struct, kelvo_mir_buf, kelvo_mir_size,
                                       kelvo_mir_to_memory, kelvo_mirwrite, print_mir,
                                       [](int, kelvo_mir_struct *s, const void *img, const kelvo_attributes *a,
                                          uint32_t *st) { kelvo_mir_v3_to_struct(s, img, a, st); },
                                       kelvo_v3_mir_buf}),
    dump::make_kind<kelvo_mrr_struct>("MRR", 1, 20,
                                      {kelvo_mrrbuf_read, kelvo_mrr_to_struct, kelvo_mrr_buf, kelvo_mrr_size,
                                       kelvo_mrr_to_memory, kelvo_mrrwrite, print_mrr}),
    dump::make_kind<kelvo_pcr_struct>("PCR", 1, 30,
                                      {kelvo_pcrbuf_read, kelvo_pcr_to_struct, nullptr, kelvo_pcr_size,
                                       kelvo_pcr_to_memory, kelvo_pcrwrite, print_pcr}),
    // Version 3: a site's part counts, as a PCR.
    dump::make_kind<kelvo_pcr_struct, 1>("SCR", 25, 40,
                                         {kelvo_v3_scrbuf_read, kelvo_scr_to_struct, nullptr, kelvo_pcr_size,
                                          kelvo_pcr_to_memory, kelvo_pcrwrite, print_pcr}),
};

}  // namespace
