// TSR, WIR, WRR and WCR: byte images, short and hostile records, byte orders,
// copies, round trips and the real files.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <type_traits>

#include "testutil.h"

using namespace kt;

namespace {

const kelvo_attributes kLe{2, 4}, kBe{1, 4}, kVax{0, 4}, kV3{2, 3};
constexpr uint32_t P = KELVO_PRESENT, V = KELVO_VALID, PV = KELVO_PRESENT | KELVO_VALID;

std::string str(const kelvo_cn &s) { return std::string(s.str, s.len); }
uint32_t bits_of(const uint32_t *st, int i) { return st[i] & PV; }

// A file of a FAR (cpu, version; none for version 0) and records, opened past its FAR.
struct OpenFile {
    TempFile tmp;
    int h = -1;
    OpenFile(int cpu, int version, std::initializer_list<Bytes> records) {
        Bytes all = version ? far_record(cpu, version) : Bytes{};
        for (const Bytes &r : records) all.insert(all.end(), r.begin(), r.end());
        h = open_bytes(all, tmp);
        if (!version) return;
        kelvo_header hd = next_header(h);
        kelvo_far_struct far;
        EXPECT_EQ(kelvo_farread(h, &hd, &far), 2);
    }
    ~OpenFile() { kelvo_close(h); }
};

kelvo_tsr_struct blank_tsr() {
    kelvo_tsr_struct t{};
    t.TEST_TYP = ' ';
    t.EXEC_CNT = t.FAIL_CNT = t.ALRM_CNT = 0xFFFFFFFFu;
    t.OPT_FLAG = 255;
    return t;
}

template <class S, class Write>
Bytes write_one(S *s, Write write, int expect_total) {
    return written([&](int h) { EXPECT_EQ(write(h, s), expect_total); });
}

}  // namespace

// ------------------------------------------------------------------ TSR

TEST(Tsr, WritesByteExactImagesAndOmitsTrailingFields) {
    kelvo_tsr_struct t{};  // every member 0, null texts: every field is written
    EXPECT_EQ(write_one(&t, kelvo_tsrwrite, 47), Image().u1(0).u1(0).u1(0).u4(0).u4(0).u4(0).u4(0).u1(0).u1(0)
                                                     .u1(0).u1(0).r4(0).r4(0).r4(0).r4(0).r4(0).record(10, 30));
    EXPECT_EQ(t.REC_LEN, 43);
    t = blank_tsr();
    t.HEAD_NUM = 1;
    t.SITE_NUM = 2;
    t.TEST_NUM = 0x01020304;
    EXPECT_EQ(write_one(&t, kelvo_tsrwrite, 11), (Bytes{7, 0, 10, 30, 1, 2, ' ', 4, 3, 2, 1}));
    t.FAIL_CNT = 5;  // EXEC_CNT is written before it, ALRM_CNT is not
    EXPECT_EQ(write_one(&t, kelvo_tsrwrite, 19),
              Image().u1(1).u1(2).u1(' ').u4(0x01020304).u4(0xFFFFFFFF).u4(5).record(10, 30));

    t = blank_tsr();
    t.OPT_FLAG = 0x37;  // every statistic not valid: OPT_FLAG alone ends the record
    EXPECT_EQ(kelvo_tsr_size(&t), 27);
    t.OPT_FLAG = 0x20;  // only TST_SQRS not valid: the record ends after TST_SUMS
    t.TEST_TIM = 1.5f;
    t.TST_SUMS = 7.0f;
    t.TEST_NAM.str = const_cast<char *>("name");
    t.TEST_LBL.str = const_cast<char *>("");
    EXPECT_EQ(write_one(&t, kelvo_tsrwrite, 47),
              Image().u1(0).u1(0).u1(' ').u4(0).u4(0xFFFFFFFF).u4(0xFFFFFFFF).u4(0xFFFFFFFF).cn("name").cn("")
                  .cn("").u1(0x20).r4(1.5f).r4(0).r4(0).r4(7.0f).record(10, 30));
    EXPECT_EQ(t.TEST_NAM.len, 4);

    t = blank_tsr();
    std::string lbl(300, 'L');
    t.TEST_LBL.str = lbl.data();  // clamped; the texts before it get length bytes 0
    EXPECT_EQ(kelvo_tsr_size(&t), 4 + 7 + 12 + 2 + 256);
    EXPECT_EQ(t.TEST_LBL.len, 255);
    EXPECT_EQ(kelvo_tsrwrite(-1, &t), -1);
}

TEST(Tsr, DecodesEveryFieldInEveryByteOrder) {
    for (int cpu : {2, 1}) {
        Bytes img = Image(cpu).u1(3).u1(4).u1('P').u4(1000).u4(1569).u4(18).u4(2).cn("nam").cn("seq")
                        .cn("lbl").u1(0x08).r4(0.25f).r4(-1.0f).r4(2.0f).r4(10.0f).r4(50.0f).record(10, 30);
        kelvo_tsr_struct t;
        uint32_t st[13];
        for (uint32_t &w : st) w = 0xF0;
        kelvo_attributes a{cpu, 4};
        kelvo_tsr_to_struct(&t, img.data(), &a, st);
        EXPECT_EQ(t.REC_LEN, img.size() - 4);
        EXPECT_EQ(t.SITE_NUM, 4);
        EXPECT_EQ(t.TEST_TYP, 'P');
        EXPECT_EQ(t.TEST_NUM, 1000u);
        EXPECT_EQ(t.EXEC_CNT, 1569u);
        EXPECT_EQ(t.ALRM_CNT, 2u);
        EXPECT_EQ(str(t.SEQ_NAME), "seq");
        EXPECT_EQ(str(t.TEST_LBL), "lbl");
        EXPECT_EQ(t.OPT_FLAG, 0x08);  // bit 3 is carried without meaning
        EXPECT_EQ(t.TEST_TIM, 0.25f);
        EXPECT_EQ(t.TEST_MIN, -1.0f);
        EXPECT_EQ(t.TST_SQRS, 50.0f);
        for (int i = 0; i < 13; ++i) EXPECT_EQ(st[i], 0xF0u | PV) << i;  // other bits untouched
    }
    // VAX reals: F-float 1.0 is 80 40 00 00 on the wire.
    Bytes img = Image().u1(0).u1(0).u1(' ').u4(1).u4(0).u4(0).u4(0).cn("").cn("").cn("").u1(0)
                    .bytes({0x80, 0x40, 0, 0}).record(10, 30);
    kelvo_tsr_struct t;
    kelvo_tsr_to_struct(&t, img.data(), &kVax, nullptr);
    EXPECT_EQ(t.TEST_TIM, 1.0f);
    EXPECT_TRUE(is_missing_nan(t.TEST_MIN));
}

TEST(Tsr, ShortAndHostileRecords) {
    Bytes img = Image().u1(1).u1(1).u1(' ').u4(9).record(10, 30);
    kelvo_tsr_struct t;
    uint32_t st[13];
    for (uint32_t &w : st) w = PV;
    kelvo_tsr_to_struct(&t, img.data(), &kLe, st);
    EXPECT_EQ(t.TEST_NUM, 9u);
    for (uint32_t c : {t.EXEC_CNT, t.FAIL_CNT, t.ALRM_CNT}) EXPECT_EQ(c, 0xFFFFFFFFu);
    for (const kelvo_cn *s : {&t.TEST_NAM, &t.SEQ_NAME, &t.TEST_LBL}) EXPECT_STREQ(s->str, "");
    EXPECT_EQ(t.OPT_FLAG, 255);
    for (float f : {t.TEST_TIM, t.TEST_MIN, t.TEST_MAX, t.TST_SUMS, t.TST_SQRS}) EXPECT_TRUE(is_missing_nan(f));
    const uint32_t expect[13] = {P, 0, 0, 0, 0, 0, 0, V, 0, 0, 0, 0, 0};  // TEST_TYP a space
    for (int i = 0; i < 13; ++i) EXPECT_EQ(bits_of(st, i), expect[i]) << i;

    // Field by field: a field is present exactly when it begins inside the record.
    Bytes full = Image().u1(1).u1(2).u1('F').u4(3).u4(4).u4(5).u4(6).cn("ab").cn("c").cn("de").u1(0x11)
                     .r4(1).r4(2).r4(3).r4(4).r4(5).body();
    const uint32_t starts[13] = {2, 7, 11, 15, 19, 22, 24, 27, 28, 32, 36, 40, 44};
    for (uint32_t len = 7; len <= full.size(); ++len) {
        Bytes cut = Image().bytes(Bytes(full.begin(), full.begin() + len)).record(10, 30);
        kelvo_tsr_to_struct(&t, cut.data(), &kLe, st);
        for (int i = 1; i < 13; ++i) EXPECT_EQ((st[i] & P) != 0, starts[i] < len) << len << " " << i;
    }
    EXPECT_EQ(bits_of(st, 8), PV);  // OPT_FLAG 0x11: TEST_MIN and TST_SUMS not valid
    EXPECT_EQ(bits_of(st, 9), P);
    EXPECT_EQ(bits_of(st, 11), P);

    // Shorter than the fixed fields: missing bytes read as zero; a count cut by the end.
    std::vector<uint8_t> tiny = {3, 0, 10, 30, 7, 8, 'X'};
    kelvo_tsr_to_struct(&t, tiny.data(), &kLe, st);
    EXPECT_EQ(t.TEST_TYP, 'X');
    EXPECT_EQ(t.TEST_NUM, 0u);
    std::vector<uint8_t> nine = {9, 0, 10, 30, 1, 1, 'P', 1, 0, 0, 0, 0x22, 0x11};
    kelvo_tsr_to_struct(&t, nine.data(), &kLe, st);
    EXPECT_EQ(t.EXEC_CNT, 0x1122u);
    // A text whose length runs past the end is cut to the bytes held.
    img = Image().u1(1).u1(1).u1('P').u4(1).u4(1).u4(1).u4(1).u1(200).raw("abc").record(10, 30);
    kelvo_tsr_to_struct(&t, img.data(), &kLe, st);
    EXPECT_EQ(str(t.TEST_NAM), "abc");
    EXPECT_EQ(bits_of(st, 5), 0u);
    EXPECT_EQ(kelvo_tsr_buf(&t), 1);
    EXPECT_STREQ(t.TEST_NAM.str, "abc");
}

TEST(Tsr, BufReadAndVersionThreeHandles) {
    Bytes rec = Image().u1(1).u1(1).u1('F').u4(5).u4(1).u4(0).u4(0).cn("alpha").cn("").record(10, 30);
    OpenFile f(2, 4, {rec});
    kelvo_header hd = next_header(f.h);
    kelvo_tsr_struct t;
    uint32_t st[13] = {};
    ASSERT_EQ(kelvo_tsrbuf_read(f.h, &hd, &t, st), static_cast<int>(rec.size() - 4));
    EXPECT_STREQ(t.TEST_NAM.str, "alpha");
    EXPECT_EQ(t.SEQ_NAME.str, t.TEST_NAM.str + 6);  // one after another, each terminated
    EXPECT_EQ(t.TEST_LBL.str, t.SEQ_NAME.str + 1);  // absent: empty in the string buffer
    EXPECT_STREQ(t.TEST_LBL.str, "");
    // Version 3 (and no FAR at all): the stub decoder gives every default.
    for (int version : {3, 0}) {
        OpenFile v3(2, version, {rec});
        hd = next_header(v3.h);
        ASSERT_EQ(kelvo_tsrbuf_read(v3.h, &hd, &t, st), static_cast<int>(rec.size() - 4));
        EXPECT_EQ(t.REC_LEN, rec.size() - 4);
        EXPECT_EQ(t.EXEC_CNT, 0xFFFFFFFFu);
        EXPECT_STREQ(t.TEST_NAM.str, "");
        EXPECT_EQ(bits_of(st, 1), 0u);
    }
}

TEST(Tsr, GeneratedStructuresRoundTrip) {
    std::mt19937 rng(42);
    std::string texts[3];
    for (int round = 0; round < 200; ++round) {
        kelvo_tsr_struct t = blank_tsr();
        t.HEAD_NUM = rng() & 0xFF;
        t.TEST_TYP = "PF  "[rng() % 4];
        t.TEST_NUM = rng();
        if (rng() % 2) t.EXEC_CNT = rng() % 5000;
        if (rng() % 2) t.FAIL_CNT = rng() % 5000;
        if (rng() % 3 == 0) t.ALRM_CNT = rng() % 3;
        kelvo_cn *names[3] = {&t.TEST_NAM, &t.SEQ_NAME, &t.TEST_LBL};
        for (int i = 0; i < 3; ++i) {
            texts[i] = std::string(rng() % 3 ? rng() % 20 : 0, static_cast<char>('a' + i));
            names[i]->str = texts[i].data();
        }
        t.OPT_FLAG = rng() % 3 ? static_cast<uint8_t>(rng() & 0xFF) : 255;
        t.TEST_TIM = static_cast<float>(rng() % 1000) / 8;
        t.TEST_MIN = -1.5f;
        t.TST_SQRS = 1e6f;
        Bytes out = written([&](int h) { kelvo_tsrwrite(h, &t); });
        ASSERT_EQ(out.size(), t.REC_LEN + 4u);
        kelvo_tsr_struct r;
        kelvo_tsr_to_struct(&r, out.data(), &kLe, nullptr);
        EXPECT_EQ(r.TEST_NUM, t.TEST_NUM);
        EXPECT_EQ(r.EXEC_CNT, t.EXEC_CNT);
        EXPECT_EQ(r.FAIL_CNT, t.FAIL_CNT);
        EXPECT_EQ(r.ALRM_CNT, t.ALRM_CNT);
        EXPECT_EQ(str(r.TEST_NAM) + "|" + str(r.SEQ_NAME) + "|" + str(r.TEST_LBL),
                  texts[0] + "|" + texts[1] + "|" + texts[2]);
        EXPECT_EQ(r.OPT_FLAG, t.OPT_FLAG);
        ASSERT_EQ(kelvo_tsr_buf(&r), 1);
        EXPECT_EQ(written([&](int w) { kelvo_tsrwrite(w, &r); }), out) << round;
    }
}

// ------------------------------------------------------------------ WIR

TEST(Wir, WritesAndDecodesByVersionAndByteOrder) {
    kelvo_wir_struct w{};
    w.HEAD_NUM = 1;
    w.SITE_GRP = 255;
    w.START_T = 0x3B1D460E;
    EXPECT_EQ(write_one(&w, kelvo_wirwrite, 10), (Bytes{6, 0, 2, 10, 1, 255, 0x0E, 0x46, 0x1D, 0x3B}));
    w.WAFER_ID.str = const_cast<char *>("W-001");
    EXPECT_EQ(write_one(&w, kelvo_wirwrite, 16), Image().u1(1).u1(255).u4(0x3B1D460E).cn("W-001").record(2, 10));
    EXPECT_EQ(kelvo_wirwrite(-1, &w), -1);

    Bytes be = Image(1).u1(1).u1(7).u4(991774222).cn("GAL").record(2, 10);
    uint32_t st[2] = {};
    kelvo_wir_to_struct(&w, be.data(), &kBe, st);
    EXPECT_EQ(w.REC_LEN, 10);
    EXPECT_EQ(w.SITE_GRP, 7);
    EXPECT_EQ(w.START_T, 991774222u);
    EXPECT_EQ(str(w.WAFER_ID), "GAL");
    EXPECT_EQ(bits_of(st, 0), PV);
    EXPECT_EQ(bits_of(st, 1), PV);
    Bytes le = Image().u1(1).u1(255).u4(5).record(2, 10);
    kelvo_wir_to_struct(&w, le.data(), &kLe, st);
    EXPECT_EQ(bits_of(st, 0), P);
    EXPECT_EQ(bits_of(st, 1), 0u);
    // A version-3 WIR has no site group in that byte.
    le[5] = 7;
    kelvo_wir_to_struct(&w, le.data(), &kV3, st);
    EXPECT_EQ(w.SITE_GRP, 255);
    EXPECT_EQ(bits_of(st, 0), 0u);
}

TEST(Wir, CopyShortAndHostileRecords) {
    OpenFile f(2, 3, {Image().u1(1).u1(2).u4(3).record(2, 10), Image().u1(1).u1(2).u4(3).cn("ID7").record(2, 10)});
    kelvo_header hd = next_header(f.h);
    kelvo_wir_struct w;
    ASSERT_EQ(kelvo_wirbuf_read(f.h, &hd, &w, nullptr), 6);
    EXPECT_EQ(w.SITE_GRP, 255);  // the reader's handle says version 3
    const char *decoded = w.WAFER_ID.str;
    EXPECT_STREQ(decoded, "");
    EXPECT_EQ(kelvo_wir_buf(&w), 1);
    EXPECT_EQ(w.WAFER_ID.str, decoded);  // an absent id keeps the decoder's pointer
    hd = next_header(f.h);
    ASSERT_EQ(kelvo_wirbuf_read(f.h, &hd, &w, nullptr), 10);
    EXPECT_STREQ(w.WAFER_ID.str, "ID7");
    std::vector<uint8_t> tiny = {1, 0, 2, 10, 4};
    kelvo_wir_to_struct(&w, tiny.data(), &kLe, nullptr);
    EXPECT_EQ(w.HEAD_NUM, 4);
    EXPECT_EQ(w.START_T, 0u);
    Bytes img = Image().u1(1).u1(2).u4(3).u1(99).raw("xy").record(2, 10);
    kelvo_wir_to_struct(&w, img.data(), &kLe, nullptr);
    EXPECT_EQ(str(w.WAFER_ID), "xy");
}

// ------------------------------------------------------------------ WRR

TEST(Wrr, WritesAndDecodesShortAndBigEndianRecords) {
    kelvo_wrr_struct w{};
    w.HEAD_NUM = 1;
    w.SITE_GRP = 255;
    w.FINISH_T = 10;
    w.PART_CNT = 20;
    w.RTST_CNT = w.ABRT_CNT = w.GOOD_CNT = w.FUNC_CNT = 0xFFFFFFFFu;
    Bytes fixed = Image().u1(1).u1(255).u4(10).u4(20).u4(0xFFFFFFFF).u4(0xFFFFFFFF).u4(0xFFFFFFFF)
                      .u4(0xFFFFFFFF).body();
    EXPECT_EQ(write_one(&w, kelvo_wrrwrite, 30), Image().bytes(fixed).record(2, 20));
    w.EXC_DESC.str = const_cast<char *>("abc");
    EXPECT_EQ(write_one(&w, kelvo_wrrwrite, 39), Image().bytes(fixed).bytes({0, 0, 0, 0, 0}).cn("abc").record(2, 20));
    EXPECT_EQ(kelvo_wrrwrite(-1, &w), -1);

    Bytes shortrec = Image().u1(1).u1(3).u4(4).u4(5).record(2, 20);
    uint32_t st[11];
    for (uint32_t &x : st) x = PV;
    kelvo_wrr_to_struct(&w, shortrec.data(), &kLe, st);
    EXPECT_EQ(w.PART_CNT, 5u);
    for (uint32_t c : {w.RTST_CNT, w.ABRT_CNT, w.GOOD_CNT, w.FUNC_CNT}) EXPECT_EQ(c, 0xFFFFFFFFu);
    for (const kelvo_cn *s : {&w.WAFER_ID, &w.FABWF_ID, &w.FRAME_ID, &w.MASK_ID, &w.USR_DESC, &w.EXC_DESC})
        EXPECT_STREQ(s->str, "");
    for (int i = 0; i <= 10; ++i) EXPECT_EQ(bits_of(st, i), i ? 0u : PV) << i;

    Bytes be = Image(1).u1(2).u1(255).u4(991779008).u4(1569).u4(0).u4(7).u4(0xFFFFFFFF).u4(9).cn("W").cn("")
                   .cn("F").cn("M").cn("U").cn("E").record(2, 20);
    kelvo_wrr_to_struct(&w, be.data(), &kBe, st);
    EXPECT_EQ(w.REC_LEN, be.size() - 4);
    EXPECT_EQ(w.FINISH_T, 991779008u);
    EXPECT_EQ(w.ABRT_CNT, 7u);
    EXPECT_EQ(w.FUNC_CNT, 9u);
    EXPECT_EQ(str(w.EXC_DESC), "E");
    const uint32_t expect[11] = {P, PV, PV, P, PV, PV, P, PV, PV, PV, PV};
    for (int i = 0; i <= 10; ++i) EXPECT_EQ(bits_of(st, i), expect[i]) << i;
    std::vector<uint8_t> tiny = {8, 0, 2, 20, 1, 2, 3, 0, 0, 0, 6, 0};  // PART_CNT cut
    kelvo_wrr_to_struct(&w, tiny.data(), &kLe, st);
    EXPECT_EQ(w.PART_CNT, 6u);
}

TEST(Wrr, CopyAndVersionThree) {
    Bytes rec = Image().u1(1).u1(1).u4(1).u4(2).u4(3).u4(4).u4(5).u4(6).cn("wafer").cn("").cn("frame").u1(50)
                    .raw("cut").record(2, 20);
    OpenFile f(2, 4, {rec, Image().u1(1).u1(1).u4(1).u4(2).record(2, 20)});
    kelvo_header hd = next_header(f.h);
    kelvo_wrr_struct w;
    uint32_t st[11] = {};
    ASSERT_EQ(kelvo_wrrbuf_read(f.h, &hd, &w, st), static_cast<int>(rec.size() - 4));
    EXPECT_STREQ(w.WAFER_ID.str, "wafer");
    EXPECT_STREQ(w.FABWF_ID.str, "");
    EXPECT_EQ(w.FRAME_ID.str, w.WAFER_ID.str + 7);
    EXPECT_STREQ(w.FRAME_ID.str, "frame");
    EXPECT_STREQ(w.MASK_ID.str, "cut");  // cut to the bytes the record holds
    EXPECT_STREQ(w.EXC_DESC.str, "");
    hd = next_header(f.h);
    ASSERT_EQ(kelvo_wrrbuf_read(f.h, &hd, &w, st), 10);
    EXPECT_STREQ(w.WAFER_ID.str, "");

    OpenFile v3(2, 3, {rec});
    hd = next_header(v3.h);
    ASSERT_EQ(kelvo_wrrbuf_read(v3.h, &hd, &w, st), static_cast<int>(rec.size() - 4));
    EXPECT_EQ(w.REC_LEN, rec.size() - 4);
    EXPECT_EQ(w.RTST_CNT, 0xFFFFFFFFu);
    EXPECT_STREQ(w.WAFER_ID.str, "");
    EXPECT_EQ(bits_of(st, 5), 0u);
}

// ------------------------------------------------------------------ WCR

TEST(Wcr, WritesUpToTheLastFieldWithAValue) {
    kelvo_wcr_struct w{};
    w.WF_FLAT = w.POS_X = w.POS_Y = ' ';
    w.CENTER_X = w.CENTER_Y = -32768;
    Bytes out = write_one(&w, kelvo_wcrwrite, 4);
    EXPECT_EQ(out, (Bytes{0, 0, 2, 30}));
    kelvo_wcr_struct r;
    uint32_t st[9] = {};
    kelvo_wcr_to_struct(&r, out.data(), &kLe, st);
    EXPECT_EQ(r.WF_FLAT, ' ');
    EXPECT_EQ(r.CENTER_Y, -32768);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(bits_of(st, i), 0u);

    w.WF_UNITS = 1;  // the three sizes are written whatever they hold
    out = write_one(&w, kelvo_wcrwrite, 17);
    EXPECT_EQ(out, Image().r4(0).r4(0).r4(0).u1(1).record(2, 30));
    kelvo_wcr_to_struct(&r, out.data(), &kLe, st);
    EXPECT_EQ(r.CENTER_X, -32768);
    EXPECT_EQ(r.POS_X, ' ');
    const uint32_t expect[9] = {P, P, P, PV, 0, 0, 0, 0, 0};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(bits_of(st, i), expect[i]) << i;

    w.WF_UNITS = 0;
    w.DIE_WID = std::nanf("");  // a NaN is not 0.0: written
    write_one(&w, kelvo_wcrwrite, 16);
    w.POS_Y = 'U';
    EXPECT_EQ(write_one(&w, kelvo_wcrwrite, 24)[23], 'U');
    EXPECT_EQ(kelvo_wcrwrite(-1, &w), -1);
}

TEST(Wcr, DecodesBigEndianCutAndLongerRecords) {
    Bytes be = Image(1).r4(200.0f).r4(0.5f).r4(0.25f).u1(3).u1('D').u2(128).u2(0xFFF6).u1('R').u1('U').record(2, 30);
    kelvo_wcr_struct w;
    uint32_t st[9] = {};
    kelvo_wcr_to_struct(&w, be.data(), &kBe, st);
    EXPECT_EQ(w.REC_LEN, 20);
    EXPECT_EQ(w.WAFR_SIZ, 200.0f);
    EXPECT_EQ(w.DIE_WID, 0.25f);
    EXPECT_EQ(w.CENTER_X, 128);
    EXPECT_EQ(w.CENTER_Y, -10);
    EXPECT_EQ(w.POS_Y, 'U');
    for (int i = 0; i < 9; ++i) EXPECT_EQ(bits_of(st, i), PV) << i;

    // A field the record holds only in part keeps its default.
    Bytes cut = Image().r4(1.0f).bytes({0x11, 0x22}).record(2, 30);
    kelvo_wcr_to_struct(&w, cut.data(), &kLe, st);
    EXPECT_EQ(w.WAFR_SIZ, 1.0f);
    EXPECT_EQ(w.DIE_HT, 0.0f);
    EXPECT_EQ(bits_of(st, 1), 0u);
    cut = Image().r4(1).r4(1).r4(1).u1(1).u1('F').u1(0x7F).record(2, 30);
    kelvo_wcr_to_struct(&w, cut.data(), &kLe, st);
    EXPECT_EQ(w.CENTER_X, -32768);
    EXPECT_EQ(bits_of(st, 4), PV);
    EXPECT_EQ(bits_of(st, 5), 0u);

    // A longer record: only the structure's 24 bytes are taken, every field is whole.
    Bytes body = Image().r4(1).r4(2).r4(3).u1(4).u1('T').u2(5).u2(6).u1('L').u1('D').body();
    body.resize(40, 0xEE);
    Bytes img = Image().bytes(body).record(2, 30);
    kelvo_wcr_to_struct(&w, img.data(), &kLe, st);
    EXPECT_EQ(w.REC_LEN, 40);
    EXPECT_EQ(w.POS_Y, 'D');
    for (int i = 0; i < 9; ++i) EXPECT_EQ(bits_of(st, i), PV) << i;
    // The encoder copies REC_LEN + 4 bytes of the structure, never more than it holds.
    Bytes out(44, 0xAA);
    kelvo_wcr_to_memory(&w, out.data());
    EXPECT_EQ(Bytes(out.begin() + 4, out.begin() + 24), Bytes(body.begin(), body.begin() + 20));
    EXPECT_EQ(out[24], 0xAA);
    // Read and buf_read are one operation.
    OpenFile f(1, 4, {Image(1).r4(7.5f).record(2, 30)});
    kelvo_header hd = next_header(f.h);
    ASSERT_EQ(kelvo_wcrbuf_read(f.h, &hd, &w, st), 4);
    EXPECT_EQ(w.WAFR_SIZ, 7.5f);
    EXPECT_EQ(w.CENTER_X, -32768);
}

// ------------------------------------------------------------------ the real files

// Every TSR, WIR, WRR and WCR of both files decodes; TSRs write back to their own
// length. The values below were checked by hand against the bytes of lot2.
TEST(RealFiles, WaferRecordsAndSynopses) {
    for (std::string name : {"lot2", "lot3"}) {
        int h = kelvo_open(data_file(name).c_str(), "r");
        ASSERT_GE(h, 0);
        kelvo_header hd;
        kelvo_far_struct far;
        ASSERT_EQ(kelvo_headread(h, &hd), 4);
        ASSERT_EQ(kelvo_farread(h, &hd, &far), 2);
        int tsr = 0, wafer = 0;
        bool lot2 = name == "lot2";
        while (kelvo_headread(h, &hd) == 4) {
            int len = (hd.REC_LEN >> 8) | ((hd.REC_LEN & 0xFF) << 8);
            if (hd.REC_TYP == 10 && hd.REC_SUB == 30) {
                kelvo_tsr_struct t;
                ASSERT_EQ(kelvo_tsrbuf_read(h, &hd, &t, nullptr), len);
                ++tsr;
                EXPECT_EQ(kelvo_tsr_size(&t), len + 4);
                if (lot2 && t.TEST_NUM == 1000) {
                    EXPECT_EQ(t.HEAD_NUM, 255);
                    EXPECT_EQ(t.TEST_TYP, 'P');
                    EXPECT_EQ(t.EXEC_CNT, 1569u);
                    EXPECT_EQ(t.FAIL_CNT, 18u);
                    EXPECT_STREQ(t.TEST_NAM.str, "glxy_SS_IH    ");
                    EXPECT_STREQ(t.SEQ_NAME.str, "seqU738");
                    EXPECT_EQ(t.OPT_FLAG, 255);
                }
            } else if (hd.REC_TYP == 2 && hd.REC_SUB == 10) {
                kelvo_wir_struct w;
                ASSERT_EQ(kelvo_wirbuf_read(h, &hd, &w, nullptr), len);
                ++wafer;
                EXPECT_EQ(w.SITE_GRP, 255);
                EXPECT_EQ(w.START_T, lot2 ? 991774222u : 991790025u);
                EXPECT_STREQ(w.WAFER_ID.str, lot2 ? "GAL-LOT-02" : "GAL-LOT-03");
            } else if (hd.REC_TYP == 2 && hd.REC_SUB == 20) {
                kelvo_wrr_struct w;
                ASSERT_EQ(kelvo_wrrbuf_read(h, &hd, &w, nullptr), len);
                ++wafer;
                EXPECT_EQ(w.FINISH_T, lot2 ? 991779008u : 991795688u);
                EXPECT_EQ(w.PART_CNT, lot2 ? 1569u : 1619u);
                EXPECT_EQ(w.RTST_CNT, 0u);
                EXPECT_EQ(w.ABRT_CNT, 0xFFFFFFFFu);
            } else if (hd.REC_TYP == 2 && hd.REC_SUB == 30) {
                kelvo_wcr_struct w;
                uint32_t st[9] = {};
                ASSERT_EQ(kelvo_wcrread(h, &hd, &w, st), len);
                ++wafer;
                EXPECT_EQ(bits_of(st, 0), P);  // WAFR_SIZ 0.0
                EXPECT_EQ(w.WF_FLAT, 'D');
                EXPECT_EQ(w.CENTER_X, 128);
                EXPECT_EQ(w.POS_X, 'R');
                EXPECT_EQ(w.POS_Y, 'U');
            } else {
                kelvo_skip_record(h, &hd);
            }
        }
        kelvo_close(h);
        EXPECT_EQ(tsr, 179) << name;
        EXPECT_EQ(wafer, 3) << name;
    }
}
