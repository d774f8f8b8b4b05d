// Version-3 MIR, PDR and PTR: every field and status word in every CPU type, cut and
// hostile records decoded from exactly sized images, copies, and reads through files.
#include <gtest/gtest.h>

#include "record_text.h"
#include "v3gen.h"

using namespace kt;
using v3gen::cut;
using v3gen::record;

std::string show(const kelvo_mir_struct &m) {  // the members version 3 fills; "+" when the 18 others are empty
    bool others = true;
    for (const kelvo_cn *s : {&m.EXEC_VER, &m.TST_TEMP, &m.USER_TXT, &m.AUX_FILE, &m.PKG_TYP, &m.FAMLY_ID,
                              &m.DATE_COD, &m.FACIL_ID, &m.FLOOR_ID, &m.OPER_FRQ, &m.SPEC_NAM, &m.SPEC_VER,
                              &m.FLOW_ID, &m.SETUP_ID, &m.DSGN_REV, &m.ENG_ID, &m.ROM_COD, &m.SERL_NUM})
        others = others && s->len == 0 && s->str && !*s->str;
    return cat(m.REC_LEN, m.REC_TYP, m.REC_SUB, m.SETUP_T, m.START_T, m.STAT_NUM, m.MODE_COD, m.RTST_COD,
               m.PROT_COD, m.BURN_TIM, m.CMOD_COD, m.TEST_COD, m.LOT_ID, m.PART_TYP, m.JOB_NAM, m.OPER_NAM,
               m.NODE_NAM, m.TSTR_TYP, m.EXEC_TYP, m.SUPR_NAM, m.HAND_ID, m.SBLOT_ID, m.JOB_REV, m.PROC_ID,
               m.PRB_CARD, m.CPU_TYPE, m.KELVO_VER) + (others ? " +" : " -");
}

std::string show(const kelvo_ptr_struct &p) {
    return cat(p.REC_LEN, p.REC_TYP, p.REC_SUB, p.TEST_NUM, p.HEAD_NUM, p.SITE_NUM, p.TEST_FLG, p.PARM_FLG,
               p.RESULT, p.TEST_TXT, p.ALARM_ID, p.OPT_FLAG, p.RES_SCAL, p.LLM_SCAL, p.HLM_SCAL, p.LO_LIMIT,
               p.HI_LIMIT, p.UNITS, p.C_RESFMT, p.C_LLMFMT, p.C_HLMFMT, p.LO_SPEC, p.HI_SPEC);
}

namespace {

// What a decoder makes of an exactly sized copy of `rec` (ASan sees any byte read past it), kept until
// the next decode; the status words start as 0x103 (absent fields clear 3, 0x100 stays).
template <class S, int N = sizeof(S) == sizeof(kelvo_mir_struct) ? 38 : 15>
std::string decode(const Bytes &rec, int cpu, S &s, int handle = -1) {
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
std::string decode(const Bytes &rec, int cpu) {
    kelvo_ptr_struct p;
    return decode(rec, cpu, p);
}

template <size_t N>
std::string chars(const char (&s)[N]) { return std::string(s, N - 1); }  // NULs included
std::string block(const kelvo_cn &s, size_t n) { return std::string(s.str, n); }

}  // namespace

TEST(V3Mir, EveryFieldCutAndStatusWord) {
    // Body 56 ends after EXEC_TYP; 60, 65, 69, 74, 79 after each optional string; 84 is whole.
    const std::string opt[6] = {R"("sup")", R"("hand")", R"("sub")", R"("rev2")", R"("proc")", R"("card")"};
    const int opt_word[6] = {34, 36, 11, 10, 24, 37}, ends[7] = {56, 60, 65, 69, 74, 79, 84};
    const std::string fixed = " 1 10 305419896 591751049 7 'P' 'N' 'A' 65535 'C' "
                              R"("WS1" "LOT42" "PART-A" "job" "op" "node1" "tester" "exec")";
    const std::string whole_words = "+++-++++++++++-+--------+---------++++";
    for (int cpu : {0, 1, 2}) {
        kelvo_mir_struct m;
        for (int k = 0; k <= 6; ++k) {
            std::string texts, st = whole_words;
            for (int i = 0; i < 6; ++i) texts += " " + (i < k ? opt[i] : "\"\"");
            for (int i = k; i < 6; ++i) st[opt_word[i]] = '-';
            EXPECT_EQ(decode(cut(cpu, record(cpu, v3gen::Mir{}), uint16_t(ends[k])), cpu, m),
                      std::to_string(ends[k]) + fixed + texts + " " + std::to_string(cpu) + " 3 + | " + st);
        }
        // A space MODE_COD and an empty SBLOT_ID are present, not valid.
        std::string st = whole_words;
        st[0] = st[11] = 'p';
        EXPECT_EQ(decode(record(cpu, v3gen::Mir{.MODE_COD = ' ', .SBLOT_ID = ""}), cpu, m),
                  "81" + fixed.substr(0, 28) + "' '" + fixed.substr(31) +
                      R"( "sup" "hand" "" "rev2" "proc" "card" )" + std::to_string(cpu) + " 3 + | " + st);
    }
}

TEST(V3PdrPtr, FlagsFormatsAndCuts) {
    struct Case { bool pdr; uint8_t test_flg, opt; uint16_t cut; std::string want; };
    const Case cases[] = {
        // PDR OPT_FLAG bits 0, 1, 2: low limit, high limit, result format not valid.
        {1, 0, 0, 38, "0 0 16 0 0 \"\" \"\" 14 -3 1 2 -1.5 2.25 \"V      \" \"%7.2f\" \"%3.0f\" \"%10.4f\" NaN NaN | ---++++++++++--"},
        {1, 0, 1, 38, "0 0 16 0 0 \"\" \"\" 94 -3 1 2 -1.5 2.25 \"V      \" \"%7.2f\" \"\" \"%10.4f\" NaN NaN | ---++p+p+++-+--"},
        {1, 0, 2, 38, "0 0 16 0 0 \"\" \"\" 174 -3 1 2 -1.5 2.25 \"V      \" \"%7.2f\" \"%3.0f\" \"\" NaN NaN | ---+++p+p+++---"},
        {1, 0, 3, 38, "0 0 16 0 0 \"\" \"\" 254 -3 1 2 -1.5 2.25 \"V      \" \"%7.2f\" \"\" \"\" NaN NaN | ---++pppp++----"},
        {1, 0, 4, 38, "0 0 16 0 0 \"\" \"\" 14 -3 1 2 -1.5 2.25 \"V      \" \"\" \"%3.0f\" \"%10.4f\" NaN NaN | ---+++++++-++--"},
        // Ends after UNITS: zero digits give %2.0f where the flags allow. Shorter than its 14 untested
        // bytes: UNITS cut, the missing bytes zero and not present.
        {1, 0, 2, 14, "0 0 16 0 0 \"\" \"\" 174 -3 0 0 NaN NaN \"V      \" \"%2.0f\" \"%2.0f\" \"\" NaN NaN | ---++v-v-+++---"},
        {1, 0, 0, 9, "0 0 16 0 0 \"\" \"\" 14 -3 0 0 NaN NaN \"V \" \"%2.0f\" \"%2.0f\" \"%2.0f\" NaN NaN | ---++vvvv++++--"},
        {1, 0, 0, 5, "0 0 16 0 0 \"\" \"\" 14 0 0 0 NaN NaN \"\" \"%2.0f\" \"%2.0f\" \"%2.0f\" NaN NaN | ---v-vvvv-+++--"},
        // PTR: TEST_FLG 0x02 RESULT not valid; flag byte 0x02 no C_RESFMT, 0x40 no C_LLMFMT (OPT_FLAG 0x4E),
        // 0x01 RES_SCAL, 0x08 UNITS (present, empty), 0x30 both limit pairs.
        {0, 0, 0, 51, "1 2 0 0 1.25 \"text\" \"\" 14 -3 1 2 -1.5 2.25 \"mA     \" \"%7.2f\" \"%3.0f\" \"%10.4f\" NaN NaN | ++-++++++++++--"},
        {0, 2, 2, 51, "1 2 2 0 1.25 \"text\" \"\" 14 -3 1 2 -1.5 2.25 \"mA     \" \"\" \"%3.0f\" \"%10.4f\" NaN NaN | p+-+++++++p++--"},
        {0, 0, 0x40, 51, "1 2 0 0 1.25 \"text\" \"\" 78 -3 1 2 -1.5 2.25 \"mA     \" \"%7.2f\" \"\" \"%10.4f\" NaN NaN | ++-++p+p+++p+--"},
        {0, 0, 0x39, 51, "1 2 0 0 1.25 \"text\" \"\" 63 -3 1 2 -1.5 2.25 \"\" \"%7.2f\" \"\" \"\" NaN NaN | ++-+pppppp+pp--"},
        // Ends after PARM_FLG, after OPT_FLAG, inside UNITS (cut, present), after HI_LIMIT.
        {0, 0, 0, 8, "1 2 0 0 NaN \"\" \"\" 255 0 0 0 NaN NaN \"\" \"\" \"\" \"\" NaN NaN | ---v-----------"},
        {0, 0, 0, 13, "1 2 0 0 1.25 \"\" \"\" 14 0 0 0 NaN NaN \"\" \"%2.0f\" \"%2.0f\" \"%2.0f\" NaN NaN | +--+vvvvv-vvv--"},
        {0, 0, 0, 20, "1 2 0 0 1.25 \"\" \"\" 14 -3 0 0 NaN NaN \"mA \" \"%7.2f\" \"%2.0f\" \"%2.0f\" NaN NaN | +--++vvvv++vv--"},
        {0, 0, 0, 38, "1 2 0 0 1.25 \"\" \"\" 14 -3 1 2 -1.5 2.25 \"mA     \" \"%7.2f\" \"%3.0f\" \"%10.4f\" NaN NaN | +--++++++++++--"},
    };
    for (int cpu : {0, 1, 2}) {
        for (const Case &c : cases) {
            Bytes rec = c.pdr ? record(cpu, v3gen::Pdr{.OPT_FLAG = c.opt})
                              : record(cpu, v3gen::Ptr{.TEST_FLG = c.test_flg, .OPT_FLAG = c.opt});
            EXPECT_EQ(decode(cut(cpu, rec, c.cut), cpu),
                      std::to_string(c.cut) + (c.pdr ? " 10 10 100 " : " 15 10 100 ") + c.want) << cpu;
        }
    }
}

TEST(V3MirPdrPtr, HostileRecords) {
    // Every cut of whole records, REC_LEN 0 included, names going to an open handle's list: nothing is
    // read past the record, every text is a prefix of the whole record's, copies are terminated.
    TempFile tmp;
    const int h = open_bytes(Bytes{}, tmp);
    for (int cpu : {0, 1, 2}) {
        for (const Bytes &full : {record(cpu, v3gen::Mir{}), record(cpu, v3gen::Pdr{}), record(cpu, v3gen::Ptr{})}) {
            const bool is_mir = full[2] == 1;
            std::vector<std::string> whole;
            for (uint16_t len = v3gen::rec_len(cpu, full) + 1; len-- > 0;) {
                SCOPED_TRACE(testing::Message() << "cpu " << cpu << " record " << int(full[2]) << " len " << len);
                kelvo_mir_struct m;
                kelvo_ptr_struct p;
                std::vector<kelvo_cn *> texts;
                if (is_mir) {
                    decode(cut(cpu, full, len), cpu, m);
                    for (int i = 0; i < 30; ++i) texts.push_back(&m.LOT_ID + i);
                    texts.insert(texts.end(), {&m.HAND_ID, &m.PRB_CARD});
                } else {
                    decode(cut(cpu, full, len), cpu, p, h);
                    texts = {&p.TEST_TXT, &p.ALARM_ID, &p.UNITS, &p.C_RESFMT, &p.C_LLMFMT, &p.C_HLMFMT};
                }
                EXPECT_EQ(is_mir ? m.REC_LEN : p.REC_LEN, len);
                for (size_t i = 0; i < texts.size(); ++i) {
                    if (whole.size() < texts.size()) whole.push_back(block(*texts[i], texts[i]->len));
                    if (is_mir || i < 3) {  // formats are composed, not taken from the record
                        EXPECT_TRUE(whole[i].starts_with(block(*texts[i], texts[i]->len))) << i;
                    }
                }
                ASSERT_EQ(is_mir ? kelvo_v3_mir_buf(&m) : kelvo_v3_ptr_buf(&p), 1);
                for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(std::strlen(texts[i]->str), texts[i]->len) << i;
            }
        }
    }
    // Lengths running past the end (MIR LOT_ID, PTR TEST_NAM, PDR SEQ_NAME); REC_LEN 65535.
    kelvo_mir_struct m;
    decode(Image().bytes({2, 3, 'P', 1}).raw("ABCDEFGHIJKLMN").bytes({250, 'x', 'y'}).record(1, 10), 2, m);
    EXPECT_EQ(cat(m.LOT_ID, m.PART_TYP), R"("xy" "")");
    EXPECT_EQ(decode(Image().u4(5).bytes(Bytes(34, 0)).bytes({200, 'n'}).record(15, 10), 2).substr(0, 10), "40 15 10 5");
    EXPECT_EQ(decode(Image().u4(5).bytes(Bytes(26, 0)).bytes({1, 'a', 200, 'n'}).record(10, 10), 2).substr(0, 10),
              "34 10 10 5");
    for (Bytes img : {record(2, v3gen::Mir{}), record(2, v3gen::Ptr{})}) {
        img.resize(65539);
        img[0] = img[1] = 0xFF;
        kelvo_ptr_struct p;
        std::string shown = img[2] == 1 ? decode(img, 2, m) : decode(img, 2, p, h);
        EXPECT_EQ(shown.substr(0, 6) + (img[2] == 1 ? txt(m.PRB_CARD) : txt(p.TEST_TXT)),
                  img[2] == 1 ? "65535 \"card\"" : "65535 \"text\"");
    }
    kelvo_close(h);
}

TEST(V3MirPdrPtr, ReadsThroughFiles) {
    for (int cpu : {0, 1, 2}) {
        SCOPED_TRACE(cpu);
        const Bytes mir = record(cpu, v3gen::Mir{}), pdr = record(cpu, v3gen::Pdr{});
        TempFile tmp;
        int h = open_bytes(concat({cut(cpu, mir, 56), mir, pdr, record(cpu, v3gen::Ptr{.RES_LDIG = 1, .RES_RDIG = 1,
                                   .LLM_LDIG = 2, .HLM_LDIG = 0, .HLM_RDIG = 0}), cut(cpu, record(cpu, v3gen::Ptr{}), 30),
                                   Bytes(mir.begin(), mir.begin() + 40)}),
                           tmp);
        kelvo_header hd = next_header(h);
        kelvo_mir_struct m;
        uint32_t st[38] = {};
        // Copies of a cut and a whole MIR: the string tail with each length byte a terminator, absent
        // strings last as empty strings, then TEST_COD; {CPU_TYPE, 3} from the first MIR on.
        EXPECT_EQ(kelvo_mirbuf_read(h, &hd, &m, st), 56);
        EXPECT_EQ(std::tuple(Kelvo_file_attributes[h].cpu_type, Kelvo_file_attributes[h].kelvo_ver, st[35]),
                  std::tuple(cpu, 3, 1u));
        EXPECT_EQ(block(m.LOT_ID, 48), chars("LOT42\0PART-A\0job\0op\0node1\0tester\0exec\0\0\0\0\0\0\0WS1\0"));
        hd = next_header(h);
        EXPECT_EQ(kelvo_mirbuf_read(h, &hd, &m, st), 84);
        EXPECT_EQ(std::tuple(m.REC_LEN, m.SETUP_T, m.START_T), std::tuple(84, 0x12345678u, 0x23456789u));
        kelvo_ptr_struct a, b, c;
        hd = next_header(h);
        EXPECT_EQ(kelvo_v3_pdrbuf_read(h, &hd, &a, nullptr), 38);
        EXPECT_EQ(block(m.LOT_ID, 70),  // the copy survives the next read
                  chars("LOT42\0PART-A\0job\0op\0node1\0tester\0exec\0sup\0hand\0sub\0rev2\0proc\0card\0WS1\0"));
        EXPECT_EQ(show(m).substr(show(m).size() - 2), " +");  // the others still at the static empty string
        // PTRs take the version-3 path; a copy moves UNITS and TEST_TXT; the decoders' formats are apart.
        hd = next_header(h);
        EXPECT_EQ(kelvo_ptrbuf_read(h, &hd, &b, nullptr), 51);
        EXPECT_EQ(cat(b.RESULT, b.C_RESFMT, b.C_LLMFMT, b.C_HLMFMT), R"(1.25 "%4.1f" "%4.0f" "%2.0f")");
        EXPECT_EQ(block(b.UNITS, 13), chars("mA     \0text\0"));
        hd = next_header(h);
        EXPECT_EQ(kelvo_ptrread(h, &hd, &c, nullptr), 30);
        EXPECT_EQ(cat(a.UNITS, a.C_RESFMT, a.C_LLMFMT, a.C_HLMFMT, c.UNITS, c.C_HLMFMT),
                  R"("V      " "%7.2f" "%3.0f" "%10.4f" "mA     " "%10.4f")");
        // A MIR cut short by the end of the file: its two leading bytes count, the rest is decoded as read.
        hd = next_header(h);
        EXPECT_EQ(kelvo_mirread(h, &hd, &m, nullptr), 2);
        EXPECT_EQ(cat(m.LOT_ID, m.PART_TYP), R"("LOT42" "PART-A")");
        kelvo_close(h);
    }
}
