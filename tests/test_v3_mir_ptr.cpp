// Version-3 MIR, PDR and PTR: fields and status words in every CPU type, cut and hostile
// records decoded from exactly sized images, copies, and reads through files.
#include <gtest/gtest.h>

#include "record_text.h"
#include "v3gen.h"

using namespace kt;
using namespace std::string_literals;
using v3gen::cut, v3gen::record;

std::string show(const kelvo_mir_struct &m) {  // the members version 3 fills
    return cat(m.REC_LEN, m.REC_TYP, m.REC_SUB, m.SETUP_T, m.START_T, m.STAT_NUM, m.MODE_COD, m.RTST_COD,
               m.PROT_COD, m.BURN_TIM, m.CMOD_COD, m.TEST_COD, m.LOT_ID, m.PART_TYP, m.JOB_NAM, m.OPER_NAM,
               m.NODE_NAM, m.TSTR_TYP, m.EXEC_TYP, m.SUPR_NAM, m.HAND_ID, m.SBLOT_ID, m.JOB_REV, m.PROC_ID,
               m.PRB_CARD, m.CPU_TYPE, m.KELVO_VER);
}

std::string show(const kelvo_ptr_struct &p) {
    return cat(p.REC_LEN, p.REC_TYP, p.REC_SUB, p.TEST_NUM, p.HEAD_NUM, p.SITE_NUM, p.TEST_FLG, p.PARM_FLG,
               p.RESULT, p.TEST_TXT, p.ALARM_ID, p.OPT_FLAG, p.RES_SCAL, p.LLM_SCAL, p.HLM_SCAL, p.LO_LIMIT,
               p.HI_LIMIT, p.UNITS, p.C_RESFMT, p.C_LLMFMT, p.C_HLMFMT, p.LO_SPEC, p.HI_SPEC);
}

// What a decoder makes of an exactly sized copy of `rec` (ASan sees any byte read past it), kept until
// the next decode; the status words start as 0x103 (absent fields clear 3, 0x100 stays).
template <class S, int N = sizeof(S) == sizeof(kelvo_mir_struct) ? 38 : 15>
static std::string decode(const Bytes &rec, int cpu, S &s, int handle = -1) {
    static Bytes img;
    img = Bytes(rec);
    kelvo_attributes a{cpu, 3};
    uint32_t st[N];
    std::fill_n(st, N, 0x100 | PV);
    std::memset(&s, 0x5A, sizeof s);
    if constexpr (N == 38) kelvo_mir_v3_to_struct(&s, img.data(), &a, st);
    else if (rec[2] == 10) kelvo_v3_pdr_to_ptr_struct(handle, &s, img.data(), &a, st);
    else kelvo_v3_ptr_to_struct(handle, &s, img.data(), &a, st);
    return show(s) + words(st, N, 0x100);
}

TEST(V3Mir, EveryFieldCutAndStatusWord) {
    // Body 56 ends after EXEC_TYP; 60, 65, 69, 74, 79 after each optional string; 84 is whole.
    const std::string opt[6] = {"sup", "hand", "sub", "rev2", "proc", "card"};
    const int opt_word[6] = {34, 36, 11, 10, 24, 37}, ends[7] = {56, 60, 65, 69, 74, 79, 84};
    const std::string fixed = " 1 10 305419896 591751049 7 'P' 'N' 'A' 65535 'C' "
                              R"("WS1" "LOT42" "PART-A" "job" "op" "node1" "tester" "exec")";
    for (int cpu : {0, 1, 2}) {
        kelvo_mir_struct m;
        for (int k = 0; k <= 6; ++k) {
            std::string texts, st = "+++-++++++++++-+--------+---------++++";
            for (int i = 0; i < 6; ++i) texts += " \"" + (i < k ? opt[i] : "") + "\"", st[opt_word[i]] = "-+"[i < k];
            EXPECT_EQ(decode(cut(cpu, record(cpu, v3gen::Mir{}), uint16_t(ends[k])), cpu, m),
                      std::to_string(ends[k]) + fixed + texts + " " + std::to_string(cpu) + " 3 | " + st);
        }
    }
}

TEST(V3PdrPtr, FlagsFormatsAndCuts) {
    struct Case { bool pdr; uint8_t test_flg, opt; uint16_t cut; const char *want; };
    const Case cases[] = {
        // PDR OPT_FLAG bits 0, 1, 2: low limit, high limit, result format not valid.
        {1, 0, 1, 38, R"(94 -3 1 2 -1.5 2.25 "V      " "%7.2f" "" "%10.4f" NaN NaN | ---++p+p+++-+--)"},
        {1, 0, 3, 38, R"(254 -3 1 2 -1.5 2.25 "V      " "%7.2f" "" "" NaN NaN | ---++pppp++----)"},
        {1, 0, 4, 38, R"(14 -3 1 2 -1.5 2.25 "V      " "" "%3.0f" "%10.4f" NaN NaN | ---+++++++-++--)"},
        // Ends after UNITS: zero digits give %2.0f where the flags allow. Shorter than its 14 untested
        // bytes: the missing bytes zero and not present.
        {1, 0, 2, 14, R"(174 -3 0 0 NaN NaN "V      " "%2.0f" "%2.0f" "" NaN NaN | ---++v-v-+++---)"},
        {1, 0, 0, 5, R"(14 0 0 0 NaN NaN "" "%2.0f" "%2.0f" "%2.0f" NaN NaN | ---v-vvvv-+++--)"},
        // PTR: TEST_FLG 0x02 RESULT not valid; flag byte 0x02 no C_RESFMT, 0x40 no C_LLMFMT (OPT_FLAG 0x4E),
        // 0x01 RES_SCAL, 0x08 UNITS (present, empty), 0x30 both limit pairs.
        {0, 2, 2, 51, R"(2 0 1.25 "text" "" 14 -3 1 2 -1.5 2.25 "mA     " "" "%3.0f" "%10.4f" NaN NaN | p+-+++++++p++--)"},
        {0, 0, 0x40, 51, R"(0 0 1.25 "text" "" 78 -3 1 2 -1.5 2.25 "mA     " "%7.2f" "" "%10.4f" NaN NaN | ++-++p+p+++p+--)"},
        {0, 0, 0x39, 51, R"(0 0 1.25 "text" "" 63 -3 1 2 -1.5 2.25 "" "%7.2f" "" "" NaN NaN | ++-+pppppp+pp--)"},
        // Ends after PARM_FLG, after OPT_FLAG, inside UNITS (cut, present), after HI_LIMIT.
        {0, 0, 0, 8, R"(0 0 NaN "" "" 255 0 0 0 NaN NaN "" "" "" "" NaN NaN | ---v-----------)"},
        {0, 0, 0, 13, R"(0 0 1.25 "" "" 14 0 0 0 NaN NaN "" "%2.0f" "%2.0f" "%2.0f" NaN NaN | +--+vvvvv-vvv--)"},
        {0, 0, 0, 20, R"(0 0 1.25 "" "" 14 -3 0 0 NaN NaN "mA " "%7.2f" "%2.0f" "%2.0f" NaN NaN | +--++vvvv++vv--)"},
        {0, 0, 0, 38, R"(0 0 1.25 "" "" 14 -3 1 2 -1.5 2.25 "mA     " "%7.2f" "%3.0f" "%10.4f" NaN NaN | +--++++++++++--)"},
    };
    kelvo_ptr_struct p;
    for (int cpu : {0, 1, 2}) for (const Case &c : cases) {
        Bytes rec = c.pdr ? record(cpu, v3gen::Pdr{.OPT_FLAG = c.opt})
                          : record(cpu, v3gen::Ptr{.TEST_FLG = c.test_flg, .OPT_FLAG = c.opt});
        EXPECT_EQ(decode(cut(cpu, rec, c.cut), cpu, p),
                  std::to_string(c.cut) + (c.pdr ? R"( 10 10 100 0 0 16 0 0 "" "" )" : " 15 10 100 1 2 ") + c.want) << cpu;
    }
}

TEST(V3MirPdrPtr, HostileRecords) {
    // REC_LEN 65535 (zeros after the record), then every cut down to REC_LEN 0, names going to an open handle:
    // nothing read past the record, sizes do not wrap, every text copied, terminated, a prefix of the whole.
    TempFile tmp;
    const int h = open_bytes(Bytes{}, tmp);
    kelvo_mir_struct m;
    kelvo_ptr_struct p;
    for (int cpu : {0, 1, 2}) for (Bytes full : {record(cpu, v3gen::Mir{}), record(cpu, v3gen::Pdr{}), record(cpu, v3gen::Ptr{})}) {
        const bool is_mir = full[2] == 1;  // the PDR's and PTR's formats (last three) are composed, not cut
        std::vector<kelvo_cn *> texts = {&p.TEST_TXT, &p.ALARM_ID, &p.UNITS, &p.C_RESFMT, &p.C_LLMFMT, &p.C_HLMFMT};
        if (is_mir) texts = {&m.HAND_ID, &m.PRB_CARD};
        for (int i = 0; is_mir && i < 30; ++i) texts.push_back(&m.LOT_ID + i);  // LOT_ID..SUPR_NAM
        std::vector<std::string> whole;
        const int n = v3gen::rec_len(cpu, full);
        full.resize(65539);
        for (int len = 65535; len >= 0; len = len > n ? n : len - 1) {
            SCOPED_TRACE(testing::Message() << "cpu " << cpu << " record " << int(full[2]) << " len " << len);
            const Bytes rec = cut(cpu, full, uint16_t(len));
            const std::string shown = is_mir ? decode(rec, cpu, m) : decode(rec, cpu, p, h);
            EXPECT_EQ(shown.substr(0, shown.find(' ')), std::to_string(len));  // REC_LEN
            // A PDR's texts lie in static areas that its buf_read does not copy: terminated as they are.
            if (full[2] != 10) { ASSERT_EQ(is_mir ? kelvo_v3_mir_buf(&m) : kelvo_v3_ptr_buf(&p), 1); }
            for (size_t i = 0; i < texts.size(); ++i) {
                const std::string t(texts[i]->str, texts[i]->len);
                EXPECT_EQ(std::strlen(texts[i]->str), t.size()) << i;
                if (whole.size() < texts.size()) whole.push_back(t);
                if (is_mir || i < 3) { EXPECT_TRUE(whole[i].starts_with(t)) << i; }
            }
        }
    }
    kelvo_close(h);
}

TEST(V3MirPdrPtr, ReadsThroughFiles) {
    for (int cpu : {0, 1, 2}) {
        SCOPED_TRACE(cpu);
        const Bytes mir = record(cpu, v3gen::Mir{.MODE_COD = ' ', .SBLOT_ID = ""});
        TempFile tmp;
        const int h = open_bytes(
            concat({mir, record(cpu, v3gen::Pdr{}),
                    record(cpu, v3gen::Ptr{.RES_LDIG = 1, .RES_RDIG = 1, .LLM_LDIG = 2, .HLM_LDIG = 0, .HLM_RDIG = 0}),
                    cut(cpu, record(cpu, v3gen::Ptr{}), 30), Bytes(mir.begin(), mir.begin() + 40)}), tmp);
        kelvo_header hd;
        auto next = [&] { return &(hd = next_header(h)); };
        kelvo_mir_struct m;
        kelvo_ptr_struct a, b, c;
        uint32_t st[38] = {};
        // A space MODE_COD and an empty SBLOT_ID are present, not valid. The MIR copy: the string tail, each
        // length byte a terminator (the empty SBLOT_ID's too), then TEST_COD; it outlives the next read.
        EXPECT_EQ(kelvo_mirbuf_read(h, next(), &m, st), 81);
        EXPECT_EQ(words(st, 38), " | p++-+++++++p++-+--------+---------+p++");
        EXPECT_EQ(kelvo_v3_pdrbuf_read(h, next(), &a, nullptr), 38);
        EXPECT_EQ(std::string(m.LOT_ID.str, 67),
                  "LOT42\0PART-A\0job\0op\0node1\0tester\0exec\0sup\0hand\0\0rev2\0proc\0card\0WS1\0"s);
        // PTRs take the version-3 path; a copy moves UNITS and TEST_TXT; the decoders' formats are apart.
        EXPECT_EQ(kelvo_ptrbuf_read(h, next(), &b, nullptr), 51);
        EXPECT_EQ(cat(a.UNITS, a.C_RESFMT, a.C_LLMFMT, a.C_HLMFMT, b.RESULT, b.C_RESFMT, b.C_LLMFMT, b.C_HLMFMT),
                  R"("V      " "%7.2f" "%3.0f" "%10.4f" 1.25 "%4.1f" "%4.0f" "%2.0f")");
        EXPECT_EQ(std::string(b.UNITS.str, 13), "mA     \0text\0"s);
        EXPECT_EQ(kelvo_ptrread(h, next(), &c, nullptr), 30);
        EXPECT_EQ(cat(c.UNITS, c.C_HLMFMT), R"("mA     " "%10.4f")");
        // A MIR cut short by the end of the file: its two leading bytes count, the rest is decoded as read.
        EXPECT_EQ(kelvo_mirread(h, next(), &m, nullptr), 2);
        EXPECT_EQ(cat(m.LOT_ID, m.PART_TYP), R"("LOT42" "PART-A")");
        kelvo_close(h);
    }
}
