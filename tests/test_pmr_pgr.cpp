// PMR and PGR. Decoded structures and their status words are compared as text.
#include <gtest/gtest.h>

#include <random>

#include "record_text.h"

using namespace kt;

static std::string show(const kelvo_pmr_struct &p) {
    return cat(p.REC_LEN, p.PMR_INDX, p.CHAN_TYP, p.CHAN_NAM, p.PHY_NAM, p.LOG_NAM, p.HEAD_NUM, p.SITE_NUM);
}
// The index list in runs, as [11 12 0*65533]; null when there is none.
static std::string show(const kelvo_pgr_struct &g) {
    std::string r = cat(g.REC_LEN, g.GRP_INDX, g.GRP_NAM, g.INDX_CNT) + (g.PMR_INDX ? " [" : " null");
    for (int i = 0, j; g.PMR_INDX && i < g.INDX_CNT; i = j) {
        for (j = i + 1; j < g.INDX_CNT && g.PMR_INDX[j] == g.PMR_INDX[i]; ++j) {}
        r += (i ? " " : "") + std::to_string(g.PMR_INDX[i]) + (j - i > 1 ? "*" + std::to_string(j - i) : "");
    }
    return r + (g.PMR_INDX ? "]" : "");
}

TEST(Pmr, WritesOnlyWhatDiffersFromTheDefaults) {
    kelvo_pmr_struct p{};
    p.PMR_INDX = 0x0102, p.HEAD_NUM = p.SITE_NUM = 1;
    EXPECT_EQ(wr(kelvo_pmrwrite, &p, 6), (Bytes{2, 0, 1, 60, 2, 1}));
    p.SITE_NUM = 2;  // forces every field before it
    EXPECT_EQ(wr(kelvo_pmrwrite, &p, 13), (Bytes{9, 0, 1, 60, 2, 1, 0, 0, 0, 0, 0, 1, 2}));
    p.SITE_NUM = 1, p.HEAD_NUM = 3;  // ends with HEAD_NUM
    EXPECT_EQ(wr(kelvo_pmrwrite, &p, 12), (Bytes{8, 0, 1, 60, 2, 1, 0, 0, 0, 0, 0, 3}));
    std::string phy(300, 'n');  // clamped; LOG_NAM, a null text, gets length 0
    p.HEAD_NUM = 1, p.CHAN_NAM.str = const_cast<char *>("ch"), p.PHY_NAM.str = phy.data();
    EXPECT_EQ(wr(kelvo_pmrwrite, &p, 267), Image().u2(0x0102).u2(0).cn("ch").cn(phy.substr(45)).record(1, 60));
    EXPECT_EQ(cat(p.REC_LEN, p.CHAN_NAM.len, p.PHY_NAM.len, p.LOG_NAM.len), "263 2 255 0");
    EXPECT_EQ(kelvo_pmrwrite(-1, &p), -1);
}

TEST(Pmr, DecodesShortHostileAndBigEndianRecordsCopiesAndVersionThree) {
    const struct { Bytes img; kelvo_attributes a; const char *want; } cases[] = {
        {Image(1).u2(0x1234).u2(0x0102).cn("CH1").cn("").cn("LOG").u1(2).u1(5).record(1, 60), kBe,
         R"(15 4660 258 "CH1" "" "LOG" 2 5 | ++p+++)"},
        {Image().u2(9).record(1, 60), kLe, R"(2 9 0 "" "" "" 1 1 | ----vv)"},
        {Bytes{8, 0, 1, 60, 2, 1, 0, 0, 0, 0, 0, 3}, kLe, R"(8 258 0 "" "" "" 3 1 | pppp+v)"},  // ends with HEAD_NUM
        {Bytes{1, 0, 1, 60, 0x44}, kLe, R"(1 68 0 "" "" "" 1 1 | ----vv)"},  // shorter than PMR_INDX
        {Image().u2(1).u2(1).u1(250).raw("abcd").record(1, 60), kLe, R"(9 1 1 "abcd" "" "" 1 1 | ++--vv)"},
    };
    for (const auto &c : cases) EXPECT_EQ(decode<6>(kelvo_pmr_to_struct, c.img, c.a), c.want);
    Bytes rec = Image().u2(1).u2(3).cn("chan").cn("phy").cn("log").u1(1).u1(2).record(1, 60);
    EXPECT_EQ(read_all<6>(kelvo_pmrbuf_read, 4,
                          {rec, Image().u2(2).record(1, 60), Image().u2(1).u2(1).u1(250).raw("abcd").record(1, 60)}),
              "19: 19 1 3 \"chan\" \"phy\" \"log\" 1 2 | ++++++\n2: 2 2 0 \"\" \"\" \"\" 1 1 | ----vv\n"
              "9: 9 1 1 \"abcd\" \"\" \"\" 1 1 | ++--vv\n");  // the short record keeps no name of the one before
    EXPECT_EQ(read_all<6>(kelvo_pmrbuf_read, 3, {Image().u2(1).u2(1).u2(17).cn("pin").record(1, 60)}),
              R"(10: 10 17 0 "17" "pin" "" 1 1 | -++---)" "\n");  // the version-3 layout
    std::string a = "first!", b = "second!";  // a caller's names, apart and not ended at their lengths
    kelvo_pmr_struct c{};
    c.REC_LEN = 60, c.CHAN_NAM = {5, a.data()}, c.LOG_NAM = {6, b.data()};
    ASSERT_EQ(kelvo_pmr_buf(&c), 1);
    EXPECT_EQ(std::string(c.CHAN_NAM.str) + "|" + (c.PHY_NAM.str ? c.PHY_NAM.str : "null") + "|" + c.LOG_NAM.str,
              "first||second");
}

TEST(Pmr, GeneratedStructuresRoundTrip) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        kelvo_pmr_struct p{}, r;
        std::string names[3];
        for (int i = 0; i < 3; ++i) names[i].assign(rng() % 2 ? rng() % 12 : 0, static_cast<char>('A' + i));
        p.CHAN_NAM.str = names[0].data(), p.PHY_NAM.str = names[1].data(), p.LOG_NAM.str = names[2].data();
        p.PMR_INDX = rng() & 0xFFFF, p.CHAN_TYP = rng() % 2 ? rng() % 4 : 0;
        p.HEAD_NUM = rng() % 3 ? 1 : rng() % 4, p.SITE_NUM = rng() % 3 ? 1 : rng() % 4;
        Bytes out = written([&](int h) { kelvo_pmrwrite(h, &p); });
        kelvo_pmr_to_struct(&r, out.data(), &kLe, nullptr);
        ASSERT_EQ(kelvo_pmr_buf(&r), 1);
        EXPECT_EQ(show(r), show(p)) << round;
    }
}

TEST(Pgr, WritesDecodesAndCopiesShortHostileAndOverlongLists) {
    kelvo_pgr_struct g{};
    g.GRP_INDX = 3;
    EXPECT_EQ(wr(kelvo_pgrwrite, &g, 9), (Bytes{5, 0, 1, 62, 3, 0, 0, 0, 0}));
    uint16_t idx[3] = {1, 0x0203, 65535};
    g.GRP_NAM.str = const_cast<char *>("grp"), g.INDX_CNT = 3, g.PMR_INDX = idx;
    EXPECT_EQ(wr(kelvo_pgrwrite, &g, 18), Image().u2(3).cn("grp").u2(3).u2(1).u2(0x0203).u2(65535).record(1, 62));
    g.PMR_INDX = nullptr;  // a null list with a count is written as indexes 0
    EXPECT_EQ(wr(kelvo_pgrwrite, &g, 18), Image().u2(3).cn("grp").u2(3).u2(0).u2(0).u2(0).record(1, 62));
    EXPECT_EQ(cat(g.REC_LEN, g.GRP_NAM.len), "14 3");
    EXPECT_EQ(kelvo_pgrwrite(-1, &g), -1);
    g.GRP_NAM.str = nullptr, g.INDX_CNT = 32765;  // 5 + 2 * 32765 = 65535: the longest record
    EXPECT_EQ(decode<2>(kelvo_pgr_to_struct, wr(kelvo_pgrwrite, &g, 65539)), R"(65535 3 "" 32765 [0*32765] | p+)");
    g.GRP_NAM.str = const_cast<char *>("x");  // one byte too many: not written
    EXPECT_EQ(kelvo_pgr_size(&g), 65540);
    EXPECT_TRUE(wr(kelvo_pgrwrite, &g, 0).empty());
    g.GRP_NAM.str = nullptr, g.INDX_CNT = 65535;
    EXPECT_EQ(kelvo_pgr_size(&g), 5 + 2 * 65535 + 4);
    EXPECT_TRUE(wr(kelvo_pgrwrite, &g, 0).empty());
    const struct { Bytes img; kelvo_attributes a; const char *want; } cases[] = {
        {Image(1).u2(0x0A0B).cn("grp").u2(3).u2(1).u2(0x1234).u2(65535).record(1, 62), kBe,
         R"(14 2571 "grp" 3 [1 4660 65535] | ++)"},
        {Image().u2(4).record(1, 62), kLe, R"(2 4 "" 0 null | --)"},
        {Image().u2(4).cn("G").record(1, 62), kLe, R"(4 4 "G" 0 null | +-)"},
        {Image().u2(4).cn("").u2(0).record(1, 62), kLe, R"(5 4 "" 0 [] | pp)"},
        {Image().u2(1).cn("").u2(65535).u2(11).u2(12).u1(0x0D).record(1, 62), kLe,  // indexes not held are 0
         R"(10 1 "" 65535 [11 12 0*65533] | p+)"},
        {Image().u2(1).cn("").u1(2).record(1, 62), kLe, R"(4 1 "" 2 [0*2] | p+)"},  // a count cut by the end
    };
    for (const auto &c : cases) EXPECT_EQ(decode<2>(kelvo_pgr_to_struct, c.img, c.a), c.want);
    EXPECT_EQ(read_all<2>(kelvo_pgrbuf_read, 4, {Image().u2(7).cn("gr").u2(2).u2(5).u2(6).record(1, 62),
                                                 Bytes{0xFF, 0xFF, 1, 62, 1, 0, 0, 0xFF, 0xFF, 5, 0}}),
              "11: 11 7 \"gr\" 2 [5 6] | ++\n0: 65535 1 \"\" 65535 [5 0*65534] | p+\n");  // the file ends early
}
