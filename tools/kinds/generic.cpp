// Record kinds: GDR and STR.
#include <cstdio>
#include <string>
#include <vector>

#include "kinds/kinds.h"

namespace {

void print_gdr(kinds::Printer &p, const kelvo_gdr_struct &s, const uint32_t *) {
    p.u("FLD_CNT", s.FLD_CNT);
    if (!s.GEN_DATA) return;
    for (uint32_t k = 0; k < s.FLD_CNT; ++k) {
        const kelvo_gdr_field &f = s.GEN_DATA[k];
        if (f.type == KELVO_GDR_B0) {
            // A run of pad fields on one line.
            uint32_t last = k;
            while (last + 1 < s.FLD_CNT && s.GEN_DATA[last + 1].type == KELVO_GDR_B0) ++last;
            char run[48];
            if (last > k) std::snprintf(run, sizeof run, "[%u-%u] B0", k, last);
            else std::snprintf(run, sizeof run, "[%u] B0", k);
            p.note(run);
            k = last;
            continue;
        }
        static const char *const kNames[] = {"B0", "U1", "U2", "U4", "I1", "I2", "I4", "R4",
                                             "R8", "code 9", "Cn", "Bn", "Dn", "N1", "I8"};
        char n[32];
        if (f.type < 15) std::snprintf(n, sizeof n, "[%u] %s", k, kNames[f.type]);
        else std::snprintf(n, sizeof n, "[%u] code %u", k, unsigned{f.type});
        const void *v = f.value;
        if (!v) {
            p.missing(n);
            continue;
        }
        switch (f.type) {
            case KELVO_GDR_U1: case KELVO_GDR_N1: p.u(n, *static_cast<const uint8_t *>(v)); break;
            case KELVO_GDR_U2: p.u(n, *static_cast<const uint16_t *>(v)); break;
            case KELVO_GDR_U4: p.u(n, *static_cast<const uint32_t *>(v)); break;
            case KELVO_GDR_I1: p.i(n, *static_cast<const int8_t *>(v)); break;
            case KELVO_GDR_I2: p.i(n, *static_cast<const int16_t *>(v)); break;
            case KELVO_GDR_I4: p.i(n, *static_cast<const int32_t *>(v)); break;
            case KELVO_GDR_I8: p.i(n, *static_cast<const int64_t *>(v)); break;
            case KELVO_GDR_R4: p.r(n, *static_cast<const float *>(v)); break;
            case KELVO_GDR_R8: p.r(n, *static_cast<const double *>(v)); break;
            case KELVO_GDR_CN: p.text(n, static_cast<const char *>(v), f.len); break;
            case KELVO_GDR_BN: p.bn(n, *static_cast<const kelvo_bn *>(v)); break;
            case KELVO_GDR_DN: p.dn(n, *static_cast<const kelvo_dn *>(v)); break;
            default: p.missing(n); break;
        }
    }
}

// A sized array: its low words, and its high words when its elements are wider than 4 bytes.
void sized(kinds::Printer &p, const char *name, const char *high, uint8_t width, uint16_t count,
           const uint32_t *lo, const uint32_t *hi) {
    p.list(name, lo, count);
    if (width > 4) p.list(high, hi, count);
}

std::vector<kelvo_cn> texts(uint16_t count, const uint8_t *lengths, char *const *pointers) {
    std::vector<kelvo_cn> list(count);
    for (uint32_t k = 0; k < count && lengths && pointers; ++k) list[k] = {lengths[k], pointers[k]};
    return list;
}

void print_str(kinds::Printer &p, const kelvo_str_struct &s, const uint32_t *st) {
    p.hex("CONT_FLG", s.CONT_FLG);
    p.u("TEST_NUM", s.TEST_NUM);
    p.u("HEAD_NUM", s.HEAD_NUM);
    p.u("SITE_NUM", s.SITE_NUM);
    p.u("PSR_REF", s.PSR_REF);
    p.hex("TEST_FLG", s.TEST_FLG);
    p.text("LOG_TYP", s.LOG_TYP, st[2]);
    p.text("TEST_TXT", s.TEST_TXT, st[3]);
    p.text("ALARM_ID", s.ALARM_ID, st[4]);
    p.text("PROG_TXT", s.PROG_TXT, st[5]);
    p.text("RSLT_TXT", s.RSLT_TXT, st[6]);
    p.u("Z_VAL", s.Z_VAL);
    p.hex("FMU_FLG", s.FMU_FLG);
    p.dn("MASK_MAP", s.MASK_MAP, st[9]);
    p.dn("FAL_MAP", s.FAL_MAP, st[10]);
    p.list("CNT_BLOCK", s.CNT_BLOCK, 6);
    p.u("BIT_BASE", s.BIT_BASE);
    p.u("COND_CNT", s.COND_CNT);
    p.u("LIM_CNT", s.LIM_CNT);
    p.u("CYC_SIZE", s.CYC_SIZE);
    p.u("PMR_SIZE", s.PMR_SIZE);
    p.u("CHN_SIZE", s.CHN_SIZE);
    p.u("PAT_SIZE", s.PAT_SIZE);
    p.u("BIT_SIZE", s.BIT_SIZE);
    p.u("U1_SIZE", s.U1_SIZE);
    p.u("U2_SIZE", s.U2_SIZE);
    p.u("U3_SIZE", s.U3_SIZE);
    p.u("UTX_SIZE", s.UTX_SIZE);
    p.u("CAP_BGN", s.CAP_BGN);
    std::vector<kelvo_cn> conditions = texts(s.COND_CNT, s.COND_LEN, s.COND_LST);
    p.list("COND_LST", conditions.data(), s.COND_CNT, st[17]);
    sized(p, "CYC_OFST", "CYC_OFST_HI", s.CYC_SIZE, s.CYCO_CNT, s.CYC_OFST, s.CYC_OFST_HI);
    sized(p, "PMR_INDX", "PMR_INDX_HI", s.PMR_SIZE, s.PMR_CNT, s.PMR_INDX, s.PMR_INDX_HI);
    sized(p, "CHN_NUM", "CHN_NUM_HI", s.CHN_SIZE, s.CHN_CNT, s.CHN_NUM, s.CHN_NUM_HI);
    p.bytes("EXP_DATA", s.EXP_DATA, s.EXP_CNT);
    p.bytes("CAP_DATA", s.CAP_DATA, s.CAP_CNT);
    p.bytes("NEW_DATA", s.NEW_DATA, s.NEW_CNT);
    sized(p, "PAT_NUM", "PAT_NUM_HI", s.PAT_SIZE, s.PAT_CNT, s.PAT_NUM, s.PAT_NUM_HI);
    sized(p, "BIT_POS", "BIT_POS_HI", s.BIT_SIZE, s.BPOS_CNT, s.BIT_POS, s.BIT_POS_HI);
    sized(p, "USR1", "USR1_HI", s.U1_SIZE, s.USR1_CNT, s.USR1, s.USR1_HI);
    sized(p, "USR2", "USR2_HI", s.U2_SIZE, s.USR2_CNT, s.USR2, s.USR2_HI);
    sized(p, "USR3", "USR3_HI", s.U3_SIZE, s.USR3_CNT, s.USR3, s.USR3_HI);
    std::vector<kelvo_cn> user = texts(s.TXT_CNT, s.USER_TXT_LEN, s.USER_TXT);
    p.list("USER_TXT", user.data(), s.TXT_CNT);
}

}  // namespace

namespace kinds {

std::vector<RecordKind> generic_kinds() {
    return {
        make_kind<kelvo_gdr_struct>(
            "GDR", KELVO_GDR_TYP, KELVO_GDR_SUB,
            {[](int h, const kelvo_header *hd, kelvo_gdr_struct *s, uint32_t *) { return kelvo_gdrbuf_read(h, hd, s); },
             [](kelvo_gdr_struct *s, const void *img, const kelvo_attributes *a, uint32_t *) {
                 kelvo_gdr_to_struct(s, img, a);
             },
             kelvo_gdr_buf, kelvo_gdr_size, kelvo_gdr_to_memory, kelvo_gdrwrite, print_gdr}),
        // STR carries the codes that the GDR writer gives scan test records (REC_TYP 6).
        make_kind<kelvo_str_struct>(
            "STR", KELVO_STR_TYP, KELVO_STR_SUB,
            {kelvo_strbuf_read, kelvo_str_to_struct, kelvo_str_buf, kelvo_str_size, kelvo_str_to_memory,
             // The caller sets STR's REC_LEN: the one the fields need.
             [](int h, kelvo_str_struct *s) {
                 kelvo_str_size(s);
                 return kelvo_strwrite(h, s);
             },
             print_str}),
    };
}

}  // namespace kinds
