#include "v3gen.h"

namespace v3gen {

using kt::Image;

namespace {

Bytes finish(const Image &im, Code code) { return im.record(static_cast<uint8_t>(code >> 8), code & 0xFF); }

// A fixed-width text field: `n` characters, padded with spaces.
std::string fixed(const std::string &s, size_t n) {
    std::string f = s.substr(0, n);
    f.resize(n, ' ');
    return f;
}

}  // namespace

Bytes record(int cpu, const Mir &r) {
    Image im(cpu);
    im.u1(static_cast<uint8_t>(cpu)).u1(3).u1(r.MODE_COD).u1(r.STAT_NUM).raw(fixed(r.TEST_COD, 3));
    im.u1(r.RTST_COD).u1(r.PROT_COD).u1(r.CMOD_COD).u4(r.SETUP_T).u4(r.START_T);
    for (const std::string *s : {&r.LOT_ID, &r.PART_TYP, &r.JOB_NAM, &r.OPER_NAM, &r.NODE_NAM, &r.TSTR_TYP,
                                 &r.EXEC_TYP, &r.SUPR_NAM, &r.HAND_ID, &r.SBLOT_ID, &r.JOB_REV, &r.PROC_ID,
                                 &r.PRB_CARD})
        im.cn(*s);
    return finish(im, MIR);
}

Bytes record(int cpu, const Pdr &r) {
    Image im(cpu);
    im.u4(r.TEST_NUM).u1(r.DESC_FLG).u1(r.OPT_FLAG).u1(static_cast<uint8_t>(r.RES_SCAL)).raw(fixed(r.UNITS, 7));
    im.u1(r.RES_LDIG).u1(r.RES_RDIG).u1(static_cast<uint8_t>(r.LLM_SCAL)).u1(static_cast<uint8_t>(r.HLM_SCAL));
    im.u1(r.LLM_LDIG).u1(r.LLM_RDIG).u1(r.HLM_LDIG).u1(r.HLM_RDIG).r4(r.LO_LIMIT).r4(r.HI_LIMIT);
    im.cn(r.TEST_NAM).cn(r.SEQ_NAME);
    return finish(im, PDR);
}

Bytes record(int cpu, const Ptr &r) {
    Image im(cpu);
    im.u4(r.TEST_NUM).u1(r.HEAD_NUM).u1(r.SITE_NUM).u1(r.TEST_FLG).u1(r.PARM_FLG).r4(r.RESULT);
    im.u1(r.OPT_FLAG).u1(static_cast<uint8_t>(r.RES_SCAL)).u1(r.RES_LDIG).u1(r.RES_RDIG).u1(r.DESC_FLG);
    im.raw(fixed(r.UNITS, 7)).u1(static_cast<uint8_t>(r.LLM_SCAL)).u1(static_cast<uint8_t>(r.HLM_SCAL));
    im.u1(r.LLM_LDIG).u1(r.LLM_RDIG).u1(r.HLM_LDIG).u1(r.HLM_RDIG).r4(r.LO_LIMIT).r4(r.HI_LIMIT);
    im.cn(r.TEST_NAM).cn(r.SEQ_NAME).cn(r.TEST_TXT);
    return finish(im, PTR);
}

Bytes record(int cpu, const Fdr &r) {
    Image im(cpu);
    im.u4(r.TEST_NUM).u1(r.DESC_FLG).cn(r.TEST_NAM).cn(r.SEQ_NAME);
    return finish(im, FDR);
}

Bytes record(int cpu, const Ftr &r) {
    Image im(cpu);
    im.u4(r.TEST_NUM).u1(r.HEAD_NUM).u1(r.SITE_NUM).u1(r.TEST_FLG).u1(r.DESC_FLG).u1(r.OPT_FLAG).u1(r.TIME_SET);
    im.u4(r.VECT_ADR).u4(r.CYCL_CNT).u2(r.REPT_CNT).u2(r.ADDR_WORD).u4(r.NUM_FAIL);
    im.counted(r.FAIL_PIN).counted(r.PGM_STATE).counted(r.RTN_STATE).counted(r.PIN_MAP);
    im.cn(r.TEST_NAM).cn(r.SEQ_NAME).cn(r.TEST_TXT);
    return finish(im, FTR);
}

Bytes record(int cpu, const Pir &r) {
    Image im(cpu);
    im.u1(r.HEAD_NUM).u1(r.SITE_NUM).u2(static_cast<uint16_t>(r.X_COORD)).u2(static_cast<uint16_t>(r.Y_COORD));
    im.cn(r.PART_ID);
    return finish(im, PIR);
}

Bytes record(int cpu, const Prr &r) {
    Image im(cpu);
    im.u1(r.HEAD_NUM).u1(r.SITE_NUM).u2(r.NUM_TEST).u2(r.HARD_BIN).u2(r.SOFT_BIN).u1(r.PART_FLG).u1(r.PAD_BYTE);
    im.u2(static_cast<uint16_t>(r.X_COORD)).u2(static_cast<uint16_t>(r.Y_COORD)).cn(r.PART_ID).cn(r.PART_TXT);
    im.counted(r.PART_FIX);
    return finish(im, PRR);
}

Bytes record(int cpu, const Pmr &r) {
    Image im(cpu);
    im.u2(static_cast<uint16_t>(r.channels.size())).u2(r.name_flag);
    for (uint16_t c : r.channels) im.u2(c);
    if (r.name_flag) im.cn(r.name);
    return finish(im, PMR);
}

Bytes record(int cpu, const Bin &r, Code code) {
    Image im(cpu);
    im.u2(r.num).u4(r.count).cn(r.name);
    return finish(im, code);
}

Bytes record(int cpu, const Wrr &r) {
    Image im(cpu);
    im.u4(r.FINISH_T).u1(r.HEAD_NUM).u1(r.PAD_BYTE).u4(r.PART_CNT).u4(r.RTST_CNT).u4(r.ABRT_CNT);
    im.u4(r.GOOD_CNT).u4(r.FUNC_CNT).cn(r.WAFER_ID).cn(r.HAND_ID).cn(r.PRB_CARD).cn(r.USR_DESC).cn(r.EXC_DESC);
    return finish(im, WRR);
}

Bytes record(int cpu, const Wir &r) {
    Image im(cpu);
    im.u1(r.HEAD_NUM).u1(r.PAD_BYTE).u4(r.START_T).cn(r.WAFER_ID);
    return finish(im, WIR);
}

Bytes record(int cpu, const Mrr &r) {
    Image im(cpu);
    im.u4(r.FINISH_T).u4(r.PART_CNT).u4(r.RTST_CNT).u4(r.ABRT_CNT).u4(r.GOOD_CNT).u4(r.FUNC_CNT);
    im.u1(r.DISP_COD).cn(r.USR_DESC).cn(r.EXC_DESC);
    return finish(im, MRR);
}

Bytes record(int cpu, const Scr &r) {
    Image im(cpu);
    im.u1(r.HEAD_NUM).u1(r.SITE_NUM).u4(r.FINISH_T).u4(r.PART_CNT).u4(r.RTST_CNT).u4(r.ABRT_CNT);
    im.u4(r.GOOD_CNT).u4(r.FUNC_CNT);
    return finish(im, SCR);
}

Bytes record(int cpu, const SiteBin &r, Code code) {
    Image im(cpu);
    im.u1(r.HEAD_NUM).u1(r.SITE_NUM).u2(r.num).u4(r.count).cn(r.name);
    return finish(im, code);
}

Bytes record(int cpu, const Sts &r) {
    Image im(cpu);
    im.u1(r.HEAD_NUM).u1(r.SITE_NUM).u4(r.TEST_NUM).u4(r.EXEC_CNT).u4(r.FAIL_CNT).u4(r.ALRM_CNT);
    im.u1(r.OPT_FLAG).u1(r.PAD_BYTE).r4(r.TEST_MIN).r4(r.TEST_MAX).r4(r.TST_MEAN).r4(r.TST_SDEV);
    im.r4(r.TST_SUMS).r4(r.TST_SQRS).cn(r.TEST_NAM).cn(r.SEQ_NAME).cn(r.TEST_LBL);
    return finish(im, STS);
}

Bytes record(int cpu, const Tsr &r) {
    Image im(cpu);
    im.u4(r.TEST_NUM).u4(r.EXEC_CNT).u4(r.FAIL_CNT).u4(r.ALRM_CNT).u1(r.OPT_FLAG).u1(r.PAD_BYTE);
    im.r4(r.TEST_MIN).r4(r.TEST_MAX).r4(r.TST_MEAN).r4(r.TST_SDEV).r4(r.TST_SUMS).r4(r.TST_SQRS);
    im.cn(r.TEST_NAM).cn(r.SEQ_NAME);
    return finish(im, TSR);
}

uint16_t rec_len(int cpu, const Bytes &record) {
    return cpu == 1 ? static_cast<uint16_t>(record[0] << 8 | record[1])
                    : static_cast<uint16_t>(record[1] << 8 | record[0]);
}

Bytes cut(int cpu, const Bytes &record, uint16_t body) {
    Bytes r(record.begin(), record.begin() + 4 + body);
    if (cpu == 1) {
        r[0] = static_cast<uint8_t>(body >> 8);
        r[1] = static_cast<uint8_t>(body);
    } else {
        r[0] = static_cast<uint8_t>(body);
        r[1] = static_cast<uint8_t>(body >> 8);
    }
    return r;
}

Bytes sample_file(int cpu, int parts) {
    Bytes f;
    auto add = [&f](const Bytes &r) { f.insert(f.end(), r.begin(), r.end()); };
    add(record(cpu, Mir{}));
    add(record(cpu, Pmr{}));
    add(record(cpu, Pmr{{21}, 0, ""}));
    add(record(cpu, Wir{}));
    // Two parametric tests and one functional test; names only with the first record.
    // Test 100 gives its PTRs limits of their own; 101's PTRs take the description's;
    // 102 has a description without results.
    add(record(cpu, Pdr{.LO_LIMIT = -2.0f, .HI_LIMIT = 3.0f}));
    add(record(cpu, Pdr{.TEST_NUM = 101, .UNITS = "OHM", .LO_LIMIT = -5.0f, .HI_LIMIT = 5.0f, .TEST_NAM = "",
                        .SEQ_NAME = "seq2"}));
    add(record(cpu, Pdr{.TEST_NUM = 102, .OPT_FLAG = 3, .TEST_NAM = "idd"}));
    add(record(cpu, Fdr{}));
    for (int p = 0; p < parts; ++p) {
        const uint8_t site = static_cast<uint8_t>(p % 2);
        add(record(cpu, Pir{.HEAD_NUM = 1, .SITE_NUM = site, .X_COORD = static_cast<int16_t>(p),
                            .Y_COORD = static_cast<int16_t>(-p), .PART_ID = "P" + std::to_string(p)}));
        Ptr ptr{.SITE_NUM = site, .RESULT = 0.5f + static_cast<float>(p)};
        if (p > 0) ptr.TEST_NAM = ptr.SEQ_NAME = ptr.TEST_TXT = "";
        add(record(cpu, ptr));
        // The second test's results end after RESULT: no limits, names or text.
        add(cut(cpu, record(cpu, Ptr{.TEST_NUM = 101, .SITE_NUM = site, .RESULT = -2.0f * p}), 12));
        Ftr ftr{.SITE_NUM = site, .TEST_FLG = static_cast<uint8_t>(p == 1 ? 0x80 : 0)};
        if (p > 0) ftr.TEST_NAM = ftr.SEQ_NAME = "";
        add(record(cpu, ftr));
        add(record(cpu, Prr{.SITE_NUM = site, .HARD_BIN = static_cast<uint16_t>(p == 1 ? 5 : 1),
                            .SOFT_BIN = static_cast<uint16_t>(p == 1 ? 50 : 1)}));
    }
    add(record(cpu, Wrr{.PART_CNT = static_cast<uint32_t>(parts)}));
    for (uint8_t site = 0; site < 2; ++site) {
        add(record(cpu, Scr{.SITE_NUM = site}));
        add(record(cpu, SiteBin{.SITE_NUM = site, .num = 1, .count = 1, .name = "PASS"}, SHB));
        add(record(cpu, SiteBin{.SITE_NUM = site, .num = 1, .count = 1, .name = ""}, SSB));
        add(record(cpu, Sts{.SITE_NUM = site}));
    }
    add(record(cpu, Bin{1, static_cast<uint32_t>(parts - 1), "PASS"}, HBR));
    add(record(cpu, Bin{5, 1, "FAIL"}, HBR));
    add(record(cpu, Bin{1, static_cast<uint32_t>(parts - 1), ""}, SBR));
    for (uint32_t test : {100u, 101u, 102u, 200u}) add(record(cpu, Tsr{.TEST_NUM = test}));
    add(record(cpu, Mrr{}));
    return f;
}

}  // namespace v3gen
