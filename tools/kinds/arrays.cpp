// Record kinds: MPR and FTR, arrays as lists; the version-3 FDR.
#include <algorithm>
#include <cstring>
#include <vector>

#include "kinds/kinds.h"

namespace {

void print_mpr(kinds::Printer &p, const kelvo_mpr_struct &s, const uint32_t *st) {
    p.u("TEST_NUM", s.TEST_NUM);
    p.u("HEAD_NUM", s.HEAD_NUM);
    p.u("SITE_NUM", s.SITE_NUM);
    p.hex("TEST_FLG", s.TEST_FLG);
    p.hex("PARM_FLG", s.PARM_FLG);
    p.u("RTN_ICNT", s.RTN_ICNT, st[0]);
    p.u("RSLT_CNT", s.RSLT_CNT, st[1]);
    p.list("RTN_STAT", s.RTN_STAT, s.RTN_ICNT, st[2]);
    p.list("RTN_RSLT", s.RTN_RSLT, s.RSLT_CNT, st[3]);
    p.text("TEST_TXT", s.TEST_TXT, st[4]);
    p.text("ALARM_ID", s.ALARM_ID, st[5]);
    p.hex("OPT_FLAG", s.OPT_FLAG, st[6]);
    p.i("RES_SCAL", s.RES_SCAL, st[7]);
    p.i("LLM_SCAL", s.LLM_SCAL, st[8]);
    p.i("HLM_SCAL", s.HLM_SCAL, st[9]);
    p.r("LO_LIMIT", s.LO_LIMIT, st[10]);
    p.r("HI_LIMIT", s.HI_LIMIT, st[11]);
    p.r("START_IN", s.START_IN, st[12]);
    p.r("INCR_IN", s.INCR_IN, st[13]);
    p.list("RTN_INDX", s.RTN_INDX, s.RTN_ICNT, st[14]);
    p.text("UNITS", s.UNITS, st[15]);
    p.text("UNITS_IN", s.UNITS_IN, st[16]);
    p.text("C_RESFMT", s.C_RESFMT, st[17]);
    p.text("C_LLMFMT", s.C_LLMFMT, st[18]);
    p.text("C_HLMFMT", s.C_HLMFMT, st[19]);
    p.r("LO_SPEC", s.LO_SPEC, st[20]);
    p.r("HI_SPEC", s.HI_SPEC, st[21]);
}

void print_ftr(kinds::Printer &p, const kelvo_ftr_struct &s, const uint32_t *st) {
    p.u("TEST_NUM", s.TEST_NUM);
    p.u("HEAD_NUM", s.HEAD_NUM);
    p.u("SITE_NUM", s.SITE_NUM);
    p.hex("TEST_FLG", s.TEST_FLG);
    p.hex("OPT_FLAG", s.OPT_FLAG, st[0]);
    p.u("CYCL_CNT", s.CYCL_CNT, st[1]);
    p.u("REL_VADR", s.REL_VADR, st[2]);
    p.u("REPT_CNT", s.REPT_CNT, st[3]);
    p.u("NUM_FAIL", s.NUM_FAIL, st[4]);
    p.i("XFAIL_AD", s.XFAIL_AD, st[5]);
    p.i("YFAIL_AD", s.YFAIL_AD, st[6]);
    p.i("VECT_OFF", s.VECT_OFF, st[7]);
    p.u("RTN_ICNT", s.RTN_ICNT, st[8]);
    p.u("PGM_ICNT", s.PGM_ICNT, st[9]);
    p.list("RTN_INDX", s.RTN_INDX, s.RTN_ICNT, st[10]);
    p.list("RTN_STAT", s.RTN_STAT, s.RTN_ICNT, st[11]);
    p.list("PGM_INDX", s.PGM_INDX, s.PGM_ICNT, st[12]);
    p.list("PGM_STAT", s.PGM_STAT, s.PGM_ICNT, st[13]);
    p.dn("FAIL_PIN", s.FAIL_PIN, st[14]);
    p.text("VECT_NAM", s.VECT_NAM, st[15]);
    p.text("TIME_SET", s.TIME_SET, st[16]);
    p.text("OP_CODE", s.OP_CODE, st[17]);
    p.text("TEST_TXT", s.TEST_TXT, st[18]);
    p.text("ALARM_ID", s.ALARM_ID, st[19]);
    p.text("PROG_TXT", s.PROG_TXT, st[20]);
    p.text("RSLT_TXT", s.RSLT_TXT, st[21]);
    p.u("PATG_NUM", s.PATG_NUM, st[22]);
    p.dn("SPIN_MAP", s.SPIN_MAP, st[23]);
}

// Prints an FDR image of REC_LEN + 4 bytes: its test number and names, each cut to
// the bytes the record holds (the library keeps the names for the test's TSR).
void print_fdr(kinds::Printer &p, const uint8_t *image, uint32_t end, int cpu) {
    uint32_t test_num = 0;
    if (end >= 8) std::memcpy(&test_num, image + 4, 4);
    kelvo_intswap(cpu, &test_num);
    p.u("TEST_NUM", test_num, end >= 8 ? KELVO_VALID : 0);
    uint32_t pos = 9;
    for (const char *name : {"TEST_NAM", "SEQ_NAME"}) {
        if (pos >= end) {
            p.missing(name);
            continue;
        }
        uint32_t len = std::min<uint32_t>(image[pos], end - pos - 1);
        p.text(name, reinterpret_cast<const char *>(image + pos + 1), len);
        pos += 1 + len;
    }
}

uint32_t record_end(const void *image, int cpu) {
    uint16_t len;
    std::memcpy(&len, image, 2);
    kelvo_shortswap(cpu, &len);
    return uint32_t{len} + 4;
}

}  // namespace

namespace kinds {

RecordKind fdr_kind() {
    RecordKind k{"FDR", KELVO_FDR_TYP, KELVO_FDR_SUB, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr};
    k.dump = [](int handle, const kelvo_header *header, Printer &p, long index, uint64_t offset) {
        const int cpu = Kelvo_file_attributes[handle].cpu_type;
        std::vector<uint8_t> image(record_end(header, cpu));
        std::memcpy(image.data(), header, 4);
        const uint32_t body = static_cast<uint32_t>(image.size()) - 4;
        int r = static_cast<int>(kelvo_read(handle, image.data() + 4, body));
        if (r > 0 || body == 0) {
            kelvo_v3_fdr_to_struct(handle, image.data(), &Kelvo_file_attributes[handle]);
            p.begin("FDR", *header, body, index, offset);
            print_fdr(p, image.data(), static_cast<uint32_t>(image.size()), cpu);
        }
        return r;
    };
    k.exercise = [](const void *image, const kelvo_attributes *attr) {
        kelvo_v3_fdr_to_struct(kImageHandle, image, attr);
        Printer sink = Printer::toucher();
        print_fdr(sink, static_cast<const uint8_t *>(image), record_end(image, attr->cpu_type), attr->cpu_type);
    };
    // Nothing to write: the names reach the output with the test's TSR.
    k.copy = [](int in, const kelvo_header *header, int) {
        int r = kelvo_v3_fdrread(in, header);
        return r == 0 && header->REC_LEN == 0 ? 1 : r;
    };
    return k;
}

}  // namespace kinds


namespace kinds {

std::vector<RecordKind> arrays_kinds() {
    return {
        make_kind<kelvo_mpr_struct>("MPR", KELVO_MPR_TYP, KELVO_MPR_SUB,
                                    {kelvo_mprbuf_read, kelvo_mpr_to_struct, kelvo_mpr_buf, kelvo_mpr_size,
                                     kelvo_mpr_to_memory, kelvo_mprwrite, print_mpr}),
        make_kind<kelvo_ftr_struct>("FTR", KELVO_FTR_TYP, KELVO_FTR_SUB,
                                    {kelvo_ftrbuf_read, kelvo_ftr_to_struct, kelvo_ftr_buf, kelvo_ftr_size,
                                     kelvo_ftr_to_memory, kelvo_ftrwrite, print_ftr, kelvo_v3_ftr_to_struct,
                                     kelvo_v3_ftr_buf}),
        kinds::fdr_kind(),
    };
}

}  // namespace kinds
