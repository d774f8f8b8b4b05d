// TSR, WIR, WRR and WCR. Decoded structures and their status words are compared as text.
#include <gtest/gtest.h>

#include <random>

#include "record_text.h"

using namespace kt;

static std::string show(const kelvo_tsr_struct &t) {
    return cat(t.REC_LEN, t.HEAD_NUM, t.SITE_NUM, t.TEST_TYP, t.TEST_NUM, t.EXEC_CNT, t.FAIL_CNT, t.ALRM_CNT,
               t.TEST_NAM, t.SEQ_NAME, t.TEST_LBL, t.OPT_FLAG, t.TEST_TIM, t.TEST_MIN, t.TEST_MAX, t.TST_SUMS,
               t.TST_SQRS);
}
static std::string show(const kelvo_wir_struct &w) { return cat(w.REC_LEN, w.HEAD_NUM, w.SITE_GRP, w.START_T, w.WAFER_ID); }
static std::string show(const kelvo_wrr_struct &w) {
    return cat(w.REC_LEN, w.HEAD_NUM, w.SITE_GRP, w.FINISH_T, w.PART_CNT, w.RTST_CNT, w.ABRT_CNT, w.GOOD_CNT,
               w.FUNC_CNT, w.WAFER_ID, w.FABWF_ID, w.FRAME_ID, w.MASK_ID, w.USR_DESC, w.EXC_DESC);
}
static std::string show(const kelvo_wcr_struct &w) {
    return cat(w.REC_LEN, w.WAFR_SIZ, w.DIE_HT, w.DIE_WID, w.WF_UNITS, w.WF_FLAT, w.CENTER_X, w.CENTER_Y, w.POS_X,
               w.POS_Y);
}

namespace {

const kelvo_tsr_struct kBlankTsr = [] {
    kelvo_tsr_struct t{};
    t.TEST_TYP = ' ', t.EXEC_CNT = t.FAIL_CNT = t.ALRM_CNT = kMax, t.OPT_FLAG = 255;
    return t;
}();

}  // namespace

TEST(Tsr, WritesByteExactImagesAndOmitsTrailingFields) {
    kelvo_tsr_struct t = kBlankTsr;
    t.HEAD_NUM = 1, t.SITE_NUM = 2, t.TEST_NUM = 0x01020304;
    EXPECT_EQ(wr(kelvo_tsrwrite, &t, 11), (Bytes{7, 0, 10, 30, 1, 2, ' ', 4, 3, 2, 1}));
    t.OPT_FLAG = 0x37;  // every statistic not valid: OPT_FLAG alone ends the record
    EXPECT_EQ(kelvo_tsr_size(&t), 27);
    std::string lbl(300, 'L');  // clamped; SEQ_NAME, a null text, gets length byte 0
    t.OPT_FLAG = 0x20, t.TEST_TIM = 1.5f, t.TST_SUMS = 7.0f;  // TST_SQRS not valid: ends after TST_SUMS
    t.TEST_NAM.str = const_cast<char *>("name"), t.TEST_LBL.str = lbl.data();
    EXPECT_EQ(wr(kelvo_tsrwrite, &t, 302), Image().u1(1).u1(2).u1(' ').u4(0x01020304).u4(kMax).u4(kMax).u4(kMax)
                                               .cn("name").cn("").cn(lbl.substr(45)).u1(0x20).r4(1.5f).r4(0).r4(0).r4(7)
                                               .record(10, 30));
    EXPECT_EQ(cat(t.REC_LEN, t.TEST_NAM.len, t.TEST_LBL.len), "298 4 255");
    EXPECT_EQ(kelvo_tsrwrite(-1, &t), -1);
}

TEST(Tsr, DecodesEveryByteOrderShortAndHostileRecordsAndVersionThree) {
    // OPT_FLAG 0x19: TEST_MIN and TST_SUMS not valid, bit 3 carried without meaning.
    auto full = [](int cpu) { return Image(cpu).u1(1).u1(2).u1('F').u4(3).u4(1569).u4(5).u4(6).cn("ab").cn("c").cn("de")
                                  .u1(0x19).r4(0.25f).r4(-1).r4(3).r4(4).r4(5); };
    const char *want = R"(48 1 2 'F' 3 1569 5 6 "ab" "c" "de" 25 0.25 -1 3 4 5 | +++++++++p+p+)";
    const struct { Bytes img; kelvo_attributes a; const char *want; } cases[] = {
        {full(1).record(10, 30), kBe, want}, {full(2).record(10, 30), kLe, want},
        {Image().u1(0).u1(0).u1(' ').u4(1).u4(0).u4(0).u4(0).bytes({0, 0, 0, 0, 0x80, 0x40, 0, 0}).record(10, 30), kVax,
         R"(27 0 0 ' ' 1 0 0 0 "" "" "" 0 1 NaN NaN NaN NaN | p+++ppp++vvvv)"},  // VAX F-float 1.0: 80 40 00 00
        {Bytes{3, 0, 10, 30, 7, 8, 'X'}, kLe,  // missing bytes read as zero
         R"(3 7 8 'X' 0 ~0 ~0 ~0 "" "" "" 255 NaN NaN NaN NaN NaN | +------v-----)"},
        {Bytes{9, 0, 10, 30, 1, 1, 'P', 1, 0, 0, 0, 0x22, 0x11}, kLe,  // a count cut by the end
         R"(9 1 1 'P' 1 4386 ~0 ~0 "" "" "" 255 NaN NaN NaN NaN NaN | ++-----v-----)"},
    };
    for (const auto &c : cases) EXPECT_EQ(decode<13>(kelvo_tsr_to_struct, c.img, c.a), c.want);
    const uint32_t starts[13] = {2, 7, 11, 15, 19, 22, 24, 27, 28, 32, 36, 40, 44};
    for (uint16_t len = 7; len < 48; ++len) {  // a field is present exactly when it begins inside the record
        Bytes cut = full(2).record(10, 30, len);
        cut.resize(len + 4u);
        std::string w = decode<13>(kelvo_tsr_to_struct, cut), p = w.substr(w.size() - 13);
        for (int i = 1; i < 13; ++i) EXPECT_EQ(p[i] == 'p' || p[i] == '+', starts[i] < len) << len << " " << i;
    }
    Bytes rec = Image().u1(1).u1(1).u1('F').u4(5).u4(1).u4(0).u4(0).cn("alpha").cn("s").record(10, 30);
    EXPECT_EQ(read_all<13>(kelvo_tsrbuf_read, 4, {rec}),
              R"(27: 27 1 1 'F' 5 1 0 0 "alpha" "s" "" 255 NaN NaN NaN NaN NaN | ++++++-v-----)" "\n");
    for (int version : {3, 0}) {  // version 3 and no FAR at all: the same bytes in the version-3 layout
        EXPECT_EQ(read_all<13>(kelvo_tsrbuf_read, version, {rec}),
                  R"(27: 27 255 255 ' ' 88473857 16777216 0 0 "" "" "" 204 NaN 1.08813e+27 4.14009e-38 NaN NaN | -+++---+-++vv)" "\n");
    }
}

TEST(Tsr, GeneratedStructuresRoundTrip) {  // statistics not valid hold the missing value: all comes back
    std::mt19937 rng(42);
    for (int round = 0; round < 300; ++round) {
        kelvo_tsr_struct t = kBlankTsr, r;
        std::string texts[3];
        for (int i = 0; i < 3; ++i) texts[i].assign(rng() % 3 ? rng() % 20 : 0, static_cast<char>('a' + i));
        t.TEST_NAM.str = texts[0].data(), t.SEQ_NAME.str = texts[1].data(), t.TEST_LBL.str = texts[2].data();
        t.HEAD_NUM = rng() & 0xFF, t.TEST_TYP = "PF  "[rng() % 4], t.TEST_NUM = rng();
        t.EXEC_CNT = rng() % 2 ? rng() % 5000 : kMax, t.FAIL_CNT = rng() % 2 ? rng() % 5000 : kMax;
        t.ALRM_CNT = rng() % 3 ? kMax : rng() % 3, t.OPT_FLAG = rng() % 3 ? rng() & 0xFF : 255;
        float *stats[5] = {&t.TEST_TIM, &t.TEST_MIN, &t.TEST_MAX, &t.TST_SUMS, &t.TST_SQRS};
        for (int i = 0; i < 5; ++i) *stats[i] = t.OPT_FLAG & "\x04\x01\x02\x10\x20"[i] ? kNan : rng() % 1000 / 8.0f - 9;
        Bytes out = written([&](int h) { kelvo_tsrwrite(h, &t); });
        kelvo_tsr_to_struct(&r, out.data(), &kLe, nullptr);
        ASSERT_EQ(kelvo_tsr_buf(&r), 1);
        EXPECT_EQ(show(r), show(t)) << round;
    }
}

TEST(Wafer, WirAndWrrWriteDecodeCopyAndVersionThree) {
    kelvo_wir_struct w{};
    w.HEAD_NUM = 1, w.SITE_GRP = 255, w.START_T = 0x3B1D460E;
    EXPECT_EQ(wr(kelvo_wirwrite, &w, 10), (Bytes{6, 0, 2, 10, 1, 255, 0x0E, 0x46, 0x1D, 0x3B}));
    w.WAFER_ID.str = const_cast<char *>("W-001");
    EXPECT_EQ(wr(kelvo_wirwrite, &w, 16), Image().u1(1).u1(255).u4(0x3B1D460E).cn("W-001").record(2, 10));
    Bytes img = Image().u1(1).u1(7).u4(5).record(2, 10);
    EXPECT_EQ(decode<2>(kelvo_wir_to_struct, Image(1).u1(1).u1(255).u4(991774222).cn("GAL").record(2, 10), kBe),
              R"(10 1 255 991774222 "GAL" | p+)");
    EXPECT_EQ(decode<2>(kelvo_wir_to_struct, img), R"(6 1 7 5 "" | +-)");
    EXPECT_EQ(read_all<2>(kelvo_wirbuf_read, 3, {img, Image().u1(1).u1(2).u4(3).cn("ID7").raw("!").record(2, 10)}),
              "6: 6 1 255 5 \"\" | --\n11: 11 1 255 3 \"ID7\" | -+\n");  // no site group in version 3

    kelvo_wrr_struct r{};
    r.HEAD_NUM = 1, r.SITE_GRP = 255, r.FINISH_T = 10, r.PART_CNT = 20;
    r.RTST_CNT = r.ABRT_CNT = r.GOOD_CNT = r.FUNC_CNT = kMax;  // written all the same
    Bytes fixed = Image().u1(1).u1(255).u4(10).u4(20).u4(kMax).u4(kMax).u4(kMax).u4(kMax).body();
    EXPECT_EQ(wr(kelvo_wrrwrite, &r, 30), Image().bytes(fixed).record(2, 20));
    r.EXC_DESC.str = const_cast<char *>("abc");
    EXPECT_EQ(wr(kelvo_wrrwrite, &r, 39), Image().bytes(fixed).bytes({0, 0, 0, 0, 0}).cn("abc").record(2, 20));
    EXPECT_EQ(decode<11>(kelvo_wrr_to_struct, Image(1).u1(2).u1(255).u4(991779008).u4(1569).u4(0).u4(7).u4(kMax).u4(9)
                                                  .cn("W").cn("").cn("F").cn("M").cn("U").cn("E").record(2, 20), kBe),
              R"(37 2 255 991779008 1569 0 7 ~0 9 "W" "" "F" "M" "U" "E" | p++p++p++++)");
    Bytes rec = Image().u1(1).u1(1).u4(1).u4(2).u4(3).u4(4).u4(5).u4(6).cn("wafer").cn("").cn("frame").u1(50)
                    .raw("cut").record(2, 20);  // MASK_ID cut to the bytes held; the next record keeps none of it
    EXPECT_EQ(read_all<11>(kelvo_wrrbuf_read, 4, {rec, Image().u1(1).u1(3).u4(4).u4(5).record(2, 20)}),
              R"(43: 43 1 1 1 2 3 4 5 6 "wafer" "" "frame" "cut" "" "" | ++++++p++--)" "\n"
              R"(10: 10 1 3 4 5 ~0 ~0 ~0 ~0 "" "" "" "" "" "" | +----------)" "\n");
    Bytes v3 = Image().u4(1).u1(2).u1(0).u4(3).u4(4).u4(5).u4(6).u4(7).cn("w").cn("h").cn("p").cn("u").cn("e")
                   .record(2, 20);  // the version-3 layout: no site group, no handler or probe card kept
    EXPECT_EQ(read_all<11>(kelvo_wrrbuf_read, 3, {v3}),
              R"(36: 36 2 255 1 3 4 5 6 7 "w" "" "" "" "u" "e" | -+++++---++)" "\n");
}

TEST(Wcr, WritesUpToTheLastFieldWithAValueAndDecodes) {
    kelvo_wcr_struct w{};
    w.WF_FLAT = w.POS_X = w.POS_Y = ' ', w.CENTER_X = w.CENTER_Y = -32768;
    EXPECT_EQ(wr(kelvo_wcrwrite, &w, 4), (Bytes{0, 0, 2, 30}));
    w.WF_UNITS = 1;  // the three sizes are written whatever they hold
    EXPECT_EQ(wr(kelvo_wcrwrite, &w, 17), Image().r4(0).r4(0).r4(0).u1(1).record(2, 30));
    w.WF_UNITS = 0, w.DIE_WID = std::nanf("");  // a NaN is not 0.0: written
    EXPECT_EQ(wr(kelvo_wcrwrite, &w, 16), Image().r4(0).r4(0).r4(std::nanf("")).record(2, 30));
    Bytes be = Image(1).r4(200).r4(0.5f).r4(0.25f).u1(3).u1('D').u2(128).u2(0xFFF6).u1('R').u1('U').record(2, 30);
    EXPECT_EQ(decode<9>(kelvo_wcr_to_struct, be, kBe), "20 200 0.5 0.25 3 'D' 128 -10 'R' 'U' | +++++++++");
    EXPECT_EQ(decode<9>(kelvo_wcr_to_struct, Image().r4(1).r4(1).r4(1).u1(1).u1('F').u1(0x7F).record(2, 30)),
              "15 1 1 1 1 'F' -32768 -32768 ' ' ' ' | +++++----");  // a field held in part keeps its default
    Bytes img = Image().r4(1).r4(2).r4(3).u1(4).u1('T').u2(5).u2(6).u1('L').u1('D').bytes(Bytes(20, 0xEE))
                    .record(2, 30), out(44, 0xAA);  // longer: 24 bytes taken, and no more given back
    EXPECT_EQ(decode<9>(kelvo_wcr_to_struct, img), "40 1 2 3 4 'T' 5 6 'L' 'D' | +++++++++");
    kelvo_wcr_to_struct(&w, img.data(), &kLe, nullptr);
    kelvo_wcr_to_memory(&w, out.data());
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 25), concat({Bytes(img.begin(), img.begin() + 24), {0xAA}}));
}

// Every TSR, WIR, WRR and WCR of lot2 is read whole; TSRs write back to their own length.
TEST(RealFiles, WaferRecordsAndSynopses) {
    int h = kelvo_open(data_file("lot2").c_str(), "r"), tsr = 0;
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    ASSERT_EQ(kelvo_farread(h, &hd, &far), 2);
    std::vector<std::string> seen;  // the wafer records and TSR 1000, in file order
    auto take = [&](auto rec, auto read, int n) {
        uint32_t st[13] = {};
        std::string got = std::to_string(read(h, &hd, &rec, st)) + ": ";
        seen.push_back(got + show(rec) + words(st, n));
        return rec;
    };
    while (kelvo_headread(h, &hd) == 4) {
        if (hd.REC_TYP == 10 && hd.REC_SUB == 30) {
            kelvo_tsr_struct t = take(kelvo_tsr_struct{}, kelvo_tsrbuf_read, 13);
            tsr += kelvo_tsr_size(&t) == std::stoi(seen.back()) + 4;
            if (t.TEST_NUM != 1000) seen.pop_back();
        } else if (hd.REC_TYP != 2) kelvo_skip_record(h, &hd);
        else if (hd.REC_SUB == 10) take(kelvo_wir_struct{}, kelvo_wirbuf_read, 2);
        else if (hd.REC_SUB == 20) take(kelvo_wrr_struct{}, kelvo_wrrbuf_read, 11);
        else take(kelvo_wcr_struct{}, kelvo_wcrbuf_read, 9);  // the read itself, as the record holds no text
    }
    kelvo_close(h);
    EXPECT_EQ(tsr, 179);  // TSRs that write back to the length read
    EXPECT_EQ(seen, (std::vector<std::string>{
        R"(20: 20 0 0 0 3 'D' 128 128 'R' 'U' | ppp++++++)", R"(17: 17 1 255 991774222 "GAL-LOT-02" | p+)",
        R"(37: 37 1 255 991779008 1569 0 ~0 ~0 ~0 "GAL-LOT-02" "" "" "" "" "" | p+ppp+-----)",
        R"(42: 42 255 0 'P' 1000 1569 18 0 "glxy_SS_IH    " "seqU738" "" 255 NaN NaN NaN NaN NaN | ++++++-v-----)"}));
}
