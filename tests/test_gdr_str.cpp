// GDR (with the scan encoding) and STR: byte images, both byte orders, hostile records.
#include <gtest/gtest.h>

#include "testutil.h"

using namespace kt;

namespace {

const kelvo_attributes kLittle{2, 4}, kBig{1, 4};

// Reads the one record of `rec` (after a FAR of `cpu`) with `read`; returns its result.
template <class Read>
int read_one(const Bytes &rec, int cpu, Read read) {
    TempFile tmp;
    int h = open_bytes(concat({far_record(cpu), rec}), tmp);
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    EXPECT_EQ(kelvo_farread(h, &hd, &far), 2);
    hd = next_header(h);
    int r = read(h, &hd);
    kelvo_close(h);
    return r;
}

template <class T>
T value(const kelvo_gdr_field &f) {
    T v;
    std::memcpy(&v, f.value, sizeof(T));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(f.value) % sizeof(T), 0u) << "type " << int(f.type);
    return v;
}

// One field of every type code, and one code above 14.
struct EveryType {
    uint8_t u1 = 0xAB, i1 = 0xFE, n1 = 0x3A;
    uint16_t u2 = 0x1234;
    int16_t i2 = -300;
    uint32_t u4 = 0x89ABCDEF;
    int32_t i4 = -70000;
    float r4 = 1.5f;
    double r8 = -2.25;
    int64_t i8 = 0x0102030405060708;
    uint8_t bn_bytes[3] = {1, 2, 3}, dn_bytes[2] = {0xFF, 0xFF};
    kelvo_bn bn{3, bn_bytes};
    kelvo_dn dn{10, dn_bytes};
    char text[3] = "hi";
    kelvo_gdr_field fields[16] = {
        {0, 0, 0, nullptr}, {1, 0, 0, &u1},  {2, 0, 0, &u2},   {3, 0, 0, &u4},  {4, 0, 0, &i1}, {5, 0, 0, &i2},
        {6, 0, 0, &i4},     {7, 0, 0, &r4},  {8, 0, 0, &r8},   {9, 0, 0, nullptr}, {10, 0, 0, text},
        {11, 0, 0, &bn},    {12, 0, 0, &dn}, {13, 0, 0, &n1},  {14, 0, 0, &i8}, {20, 0, 0, nullptr}};
    kelvo_gdr_struct gdr{0, 0, 0, 16, fields};
};

// The fields of EveryType on the wire, in the byte order of `cpu`.
Image every_type_body(int cpu) {
    Image i(cpu);
    i.u2(16).u1(0).u1(1).u1(0xAB).u1(2).u2(0x1234).u1(3).u4(0x89ABCDEF).u1(4).u1(0xFE);
    i.u1(5).u2(static_cast<uint16_t>(-300)).u1(6).u4(static_cast<uint32_t>(-70000)).u1(7).r4(1.5f).u1(8).r8(-2.25);
    i.u1(9).u1(10).cn("hi").u1(11).bytes({3, 1, 2, 3}).u1(12).u2(10).bytes({0xFF, 0xC0});
    i.u1(13).u1(0x0A).u1(14).u8(0x0102030405060708).u1(20);
    return i;
}

void expect_every_type(const kelvo_gdr_struct &g) {
    ASSERT_EQ(g.FLD_CNT, 16);
    const kelvo_gdr_field *f = g.GEN_DATA;
    uint8_t codes[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 20};
    uint32_t sizes[16] = {0, 1, 2, 4, 1, 2, 4, 4, 8, 0, 3, 4, 4, 1, 8, 0};
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(f[k].type, codes[k]);
        EXPECT_EQ(f[k].size, sizes[k]) << k;
    }
    EXPECT_EQ(f[0].value, nullptr);
    EXPECT_EQ(f[9].value, nullptr);
    EXPECT_EQ(f[15].value, nullptr);
    EXPECT_EQ(value<uint8_t>(f[1]), 0xAB);
    EXPECT_EQ(value<uint16_t>(f[2]), 0x1234);
    EXPECT_EQ(value<uint32_t>(f[3]), 0x89ABCDEFu);
    EXPECT_EQ(value<int8_t>(f[4]), -2);
    EXPECT_EQ(value<int16_t>(f[5]), -300);
    EXPECT_EQ(value<int32_t>(f[6]), -70000);
    EXPECT_EQ(value<float>(f[7]), 1.5f);
    EXPECT_EQ(value<double>(f[8]), -2.25);
    EXPECT_EQ(f[10].len, 2);
    EXPECT_STREQ(static_cast<const char *>(f[10].value), "hi");  // terminated even before a copy
    auto *bn = static_cast<const kelvo_bn *>(f[11].value);
    EXPECT_EQ(f[11].len, 3);
    ASSERT_EQ(bn->len, 3);
    EXPECT_EQ(Bytes(bn->data, bn->data + 3), (Bytes{1, 2, 3}));
    auto *dn = static_cast<const kelvo_dn *>(f[12].value);
    EXPECT_EQ(f[12].len, 2);
    ASSERT_EQ(dn->bits, 10);
    EXPECT_EQ(Bytes(dn->data, dn->data + 2), (Bytes{0xFF, 0xC0}));
    EXPECT_EQ(value<uint8_t>(f[13]), 0x0A);
    EXPECT_EQ(value<int64_t>(f[14]), 0x0102030405060708);
}

}  // namespace

TEST(Gdr, EveryTypeCodeWrittenAndReadInBothByteOrders) {
    EveryType e;
    Bytes out = written([&](int h) { EXPECT_EQ(kelvo_gdrwrite(h, &e.gdr), 4 + 64); });
    Bytes expected = every_type_body(2).record(50, 10);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(e.gdr.REC_LEN, 64);
    EXPECT_EQ(e.n1, 0x0A);  // N1 cut to its low 4 bits in the caller's storage
    EXPECT_EQ(e.fields[10].len, 2);
    EXPECT_EQ(e.fields[10].size, 3u);
    EXPECT_EQ(e.fields[12].size, 4u);

    for (int cpu : {2, 1}) {
        SCOPED_TRACE(cpu);
        Bytes rec = every_type_body(cpu).record(50, 10);
        kelvo_gdr_struct g{};
        ASSERT_EQ(read_one(rec, cpu, [&](int h, kelvo_header *hd) { return kelvo_gdrread(h, hd, &g); }), 64);
        EXPECT_EQ(g.REC_LEN, 64);
        expect_every_type(g);
        // The decoded structure writes back as the little-endian record.
        Bytes again = written([&](int h) { kelvo_gdrwrite(h, &g); });
        EXPECT_EQ(again, expected);
    }
}

TEST(Gdr, SmallRecords) {
    // No fields: REC_LEN 2, read back as an empty table.
    kelvo_gdr_struct g{};
    Bytes out = written([&](int h) { EXPECT_EQ(kelvo_gdrwrite(h, &g), 6); });
    EXPECT_EQ(out, (Bytes{2, 0, 50, 10, 0, 0}));
    kelvo_gdr_struct r{};
    ASSERT_EQ(read_one(out, 2, [&](int h, kelvo_header *hd) { return kelvo_gdrbuf_read(h, hd, &r); }), 2);
    EXPECT_EQ(r.FLD_CNT, 0);

    // A 300-character Cn is written with 255 of them; a Dn of 10 bits as 2 + 2 bytes.
    std::string text(300, 'c');
    uint8_t bits[2] = {0x12, 0x7F};
    kelvo_dn dn{10, bits};
    kelvo_gdr_field f[2] = {{KELVO_GDR_CN, 0, 0, text.data()}, {KELVO_GDR_DN, 0, 0, &dn}};
    g = {0, 0, 0, 2, f};
    out = written([&](int h) { EXPECT_EQ(kelvo_gdrwrite(h, &g), 4 + 2 + 257 + 5); });
    ASSERT_EQ(out.size(), 268u);
    EXPECT_EQ(out[6], 10);
    EXPECT_EQ(out[7], 255);
    EXPECT_EQ(Bytes(out.end() - 5, out.end()), (Bytes{12, 10, 0, 0x12, 0x40}));

    // A U2 field alone: REC_LEN 5.
    uint16_t u2 = 0xBEEF;
    kelvo_gdr_field one{KELVO_GDR_U2, 0, 0, &u2};
    g = {0, 0, 0, 1, &one};
    out = written([&](int h) { kelvo_gdrwrite(h, &g); });
    EXPECT_EQ(out, (Bytes{5, 0, 50, 10, 1, 0, 2, 0xEF, 0xBE}));
}

TEST(Gdr, WriterSelectsRecordCodesAndScanEncoding) {
    uint16_t u2 = 0x0102;
    char text[] = "ab";
    kelvo_gdr_field f[3] = {{KELVO_GDR_U2, 0, 0, &u2}, {KELVO_GDR_B0, 0, 0, nullptr}, {KELVO_GDR_CN, 0, 0, text}};
    const uint8_t codes[8][2] = {{50, 10}, {1, 90}, {1, 91}, {1, 92}, {1, 93}, {1, 94}, {15, 30}, {0, 30}};
    for (uint8_t typ = 0; typ < 8; ++typ) {
        kelvo_gdr_struct g{0, typ, 77, 3, f};
        Bytes out = written([&](int h) { kelvo_gdrwrite(h, &g); });
        EXPECT_EQ(g.REC_TYP, codes[typ][0]);
        EXPECT_EQ(g.REC_SUB, codes[typ][1]);
        if (typ == 0) {
            EXPECT_EQ(out, (Bytes{10, 0, 50, 10, 3, 0, 2, 2, 1, 0, 10, 2, 'a', 'b'}));
        } else {
            // The values alone, without FLD_CNT and type codes; REC_LEN is not the structure's.
            EXPECT_EQ(out, (Bytes{5, 0, codes[typ][0], codes[typ][1], 2, 1, 2, 'a', 'b'}));
            EXPECT_EQ(g.REC_LEN, 0);
        }
    }
    // Codes outside the table are kept; REC_SUB 10 then means a GDR encoding.
    kelvo_gdr_struct g{0, 50, 10, 1, f};
    EXPECT_EQ(written([&](int h) { kelvo_gdrwrite(h, &g); }), (Bytes{5, 0, 50, 10, 1, 0, 2, 2, 1}));
    g = {0, 9, 20, 1, f};
    EXPECT_EQ(written([&](int h) { kelvo_gdrwrite(h, &g); }), (Bytes{2, 0, 9, 20, 2, 1}));
    g = {0, 3, 0, 0, nullptr};
    EXPECT_EQ(written([&](int h) { EXPECT_EQ(kelvo_gdrwrite(h, &g), 4); }), (Bytes{0, 0, 1, 92}));
    EXPECT_EQ(kelvo_gdrwrite(-1, &g), -1);
    EXPECT_EQ(written([&](int h) { EXPECT_EQ(kelvo_gdrwrite(h, nullptr), 0); }), Bytes{});

    // The scan pair outside the writer: to_memory stays within what size returned.
    g = {0, 15, 30, 3, f};
    int total = kelvo_scan_size(&g);
    ASSERT_EQ(total, 9);
    Bytes mem(static_cast<size_t>(total));
    kelvo_scan_to_memory(&g, mem.data());
    EXPECT_EQ(mem, (Bytes{5, 0, 15, 30, 2, 1, 2, 'a', 'b'}));
}

TEST(Gdr, TooLongIsNotWritten) {
    std::string text(255, 't');
    std::vector<kelvo_gdr_field> f(256, kelvo_gdr_field{KELVO_GDR_CN, 0, 0, text.data()});
    kelvo_gdr_struct g{0, 0, 0, 256, f.data()};
    EXPECT_EQ(kelvo_gdr_size(&g), 4 + 2 + 256 * 257);
    EXPECT_EQ(written([&](int h) { EXPECT_EQ(kelvo_gdrwrite(h, &g), 0); }), Bytes{});
}

TEST(Gdr, BufReadCopiesTextsInFieldOrder) {
    Bytes rec = Image().u2(4).u1(10).cn("first").u1(3).u4(7).u1(10).cn("").u1(10).cn("third").record(50, 10);
    kelvo_gdr_struct g{};
    ASSERT_EQ(read_one(rec, 2, [&](int h, kelvo_header *hd) { return kelvo_gdrbuf_read(h, hd, &g); }), 23);
    ASSERT_EQ(g.FLD_CNT, 4);
    auto *first = static_cast<const char *>(g.GEN_DATA[0].value);
    EXPECT_STREQ(first, "first");
    EXPECT_EQ(static_cast<const char *>(g.GEN_DATA[2].value), first + 6);
    EXPECT_EQ(static_cast<const char *>(g.GEN_DATA[3].value), first + 7);
    EXPECT_STREQ(first + 7, "third");
    EXPECT_EQ(value<uint32_t>(g.GEN_DATA[1]), 7u);
    // Copying the copy again keeps it.
    EXPECT_EQ(kelvo_gdr_buf(&g), 1);
    EXPECT_STREQ(static_cast<const char *>(g.GEN_DATA[3].value), "third");
}

TEST(Gdr, ShortAndHostileRecordsStayInside) {
    kelvo_gdr_struct g{};
    // FLD_CNT far beyond the fields held: the fields that begin inside are kept.
    Bytes img = Image().u2(65535).u1(1).u1(9).u1(0).record(50, 10);
    kelvo_gdr_to_struct(&g, img.data(), &kLittle);
    EXPECT_EQ(g.FLD_CNT, 2);
    // A value cut off by the end ends the list before it.
    img = Image().u2(3).u1(2).u2(5).u1(3).bytes({1, 2}).record(50, 10);
    kelvo_gdr_to_struct(&g, img.data(), &kLittle);
    EXPECT_EQ(g.FLD_CNT, 1);
    EXPECT_EQ(value<uint16_t>(g.GEN_DATA[0]), 5);
    // Cn, Bn and Dn that run past the end are cut to the bytes held.
    for (uint8_t code : {10, 11}) {
        img = Image().u2(1).u1(code).u1(200).raw("xyz").record(50, 10);
        kelvo_gdr_to_struct(&g, img.data(), &kLittle);
        ASSERT_EQ(g.FLD_CNT, 1);
        EXPECT_EQ(g.GEN_DATA[0].len, 3);
        EXPECT_EQ(g.GEN_DATA[0].size, 4u);
    }
    img = Image().u2(1).u1(12).u2(1000).bytes({1, 2}).record(50, 10);
    kelvo_gdr_to_struct(&g, img.data(), &kLittle);
    ASSERT_EQ(g.FLD_CNT, 1);
    EXPECT_EQ(static_cast<const kelvo_dn *>(g.GEN_DATA[0].value)->bits, 16);
    EXPECT_EQ(g.GEN_DATA[0].len, 2);
    // A REC_LEN beyond the bytes given is never trusted past a cut read: a record cut
    // short by the end of the file is not decoded, and buf_read copies nothing.
    Bytes file_rec = Image().u2(1).u1(10).cn("abc").record(50, 10, 40);
    kelvo_gdr_struct untouched{};
    untouched.FLD_CNT = 99;
    EXPECT_EQ(read_one(file_rec, 2, [&](int h, kelvo_header *hd) { return kelvo_gdrbuf_read(h, hd, &untouched); }), 0);
    EXPECT_EQ(untouched.FLD_CNT, 99);
    EXPECT_EQ(untouched.GEN_DATA, nullptr);
    // A record shorter than FLD_CNT itself.
    img = {1, 0, 50, 10, 3};
    kelvo_gdr_to_struct(&g, img.data(), &kLittle);
    EXPECT_EQ(g.FLD_CNT, 0);
}

TEST(Gdr, DecodesReuseTheLibraryTable) {
    Bytes a = Image().u2(2).u1(11).bytes({1, 9}).u1(12).u2(8).u1(0xAA).record(50, 10);
    Bytes b = Image().u2(1).u1(11).bytes({0}).record(50, 10);
    kelvo_gdr_struct g{}, h{};
    kelvo_gdr_to_struct(&g, a.data(), &kLittle);
    kelvo_gdr_to_struct(&h, b.data(), &kLittle);
    EXPECT_EQ(h.GEN_DATA, g.GEN_DATA);
    EXPECT_EQ(h.GEN_DATA[0].size, 1u);  // a Bn's value size is its wire bytes: count + 1
}

// ------------------------------------------------------------------ STR

namespace {

// A full STR: both bit maps, two conditions, sized arrays of widths 1, 2, 3, 4, 8 and 0,
// byte arrays and user texts.
struct FullStr {
    uint8_t mask[1] = {0xE0}, fal[3] = {1, 2, 0x30};
    uint8_t cond_len[2] = {3, 0};
    char c0[4] = "c-0";
    char *cond[2] = {c0, c0};
    uint32_t cyc[2] = {0x11, 0x22}, pmr[3] = {0x1234, 5, 0xFFFF}, chn[1] = {0xABCDEF};
    uint32_t pat[2] = {0x01020304, 0x05060708}, pat_hi[2] = {0x0A0B0C0D, 0x00000001};
    uint32_t bpos[1] = {42}, usr1[1] = {0x123456};
    uint8_t exp[2] = {9, 8}, cap[1] = {7};
    uint8_t txt_len[2] = {2, 1};
    char t0[3] = "u0", t1[2] = "v";
    char *txt[2] = {t0, t1};
    kelvo_str_struct s{};

    FullStr() {
        s.REC_TYP = 15;
        s.REC_SUB = 30;
        s.CONT_FLG = 1;
        s.TEST_NUM = 100000;
        s.HEAD_NUM = 2;
        s.SITE_NUM = 3;
        s.PSR_REF = 0x0405;
        s.TEST_FLG = 0x80;
        s.LOG_TYP = {0, const_cast<char *>("")};
        s.TEST_TXT = {4, const_cast<char *>("scan")};
        s.ALARM_ID = {0, nullptr};
        s.PROG_TXT = {1, const_cast<char *>("p")};
        s.RSLT_TXT = {2, const_cast<char *>("ok")};
        s.Z_VAL = 6;
        s.FMU_FLG = 5;
        s.MASK_LEN = 1;
        s.MASK_MAP = {3, mask};
        s.FAL_LEN = 3;
        s.FAL_MAP = {20, fal};
        for (int k = 0; k < 6; ++k) s.CNT_BLOCK[k] = 1000u * (k + 1);
        s.BIT_BASE = 77;
        s.COND_CNT = 2;
        s.LIM_CNT = 9;
        s.CYC_SIZE = 1;
        s.PMR_SIZE = 2;
        s.CHN_SIZE = 3;
        s.PAT_SIZE = 8;
        s.BIT_SIZE = 4;
        s.U1_SIZE = 3;
        s.U2_SIZE = 0;
        s.U3_SIZE = 4;
        s.UTX_SIZE = 1;
        s.CAP_BGN = 12;
        s.COND_LEN = cond_len;
        s.COND_LST = cond;
        s.CYCO_CNT = 2, s.CYC_OFST = cyc;
        s.PMR_CNT = 3, s.PMR_INDX = pmr;
        s.CHN_CNT = 1, s.CHN_NUM = chn;
        s.EXP_CNT = 2, s.EXP_DATA = exp;
        s.CAP_CNT = 1, s.CAP_DATA = cap;
        s.PAT_CNT = 2, s.PAT_NUM = pat, s.PAT_NUM_HI = pat_hi;
        s.BPOS_CNT = 1, s.BIT_POS = bpos;
        s.USR1_CNT = 1, s.USR1 = usr1;
        s.USR2_CNT = 2;  // width 0: a count and no elements
        s.TXT_CNT = 2, s.USER_TXT_LEN = txt_len, s.USER_TXT = txt;
    }
};

// The body of FullStr in the byte order of `cpu`.
Image full_str_body(int cpu) {
    Image i(cpu);
    i.u1(1).u4(100000).u1(2).u1(3).u2(0x0405).u1(0x80);
    i.cn("").cn("scan").cn("").cn("p").cn("ok").u1(6).u1(5);
    i.u2(3).u1(0xE0).u2(20).bytes({1, 2, 0x30});
    for (int k = 0; k < 6; ++k) i.u4(1000u * (k + 1));
    i.u4(77).u2(2).u2(9).bytes({1, 2, 3, 8, 4, 3, 0, 4, 1}).u2(12);
    i.cn("c-0").cn("");
    i.u2(2).bytes({0x11, 0x22});
    i.u2(3).u2(0x1234).u2(5).u2(0xFFFF);
    i.u2(1);
    if (cpu == 1) i.bytes({0xAB, 0xCD, 0xEF}); else i.bytes({0xEF, 0xCD, 0xAB});
    i.u2(2).bytes({9, 8}).u2(1).bytes({7}).u2(0);
    i.u2(2).u8(0x0A0B0C0D01020304).u8(0x0000000105060708);
    i.u2(1).u4(42);
    i.u2(1);
    if (cpu == 1) i.bytes({0x12, 0x34, 0x56}); else i.bytes({0x56, 0x34, 0x12});
    i.u2(2).u2(0);
    i.u2(2).cn("u0").cn("v");
    return i;
}

void expect_full_str(const kelvo_str_struct &s) {
    EXPECT_EQ(s.CONT_FLG, 1);
    EXPECT_EQ(s.TEST_NUM, 100000u);
    EXPECT_EQ(s.PSR_REF, 0x0405);
    EXPECT_EQ(std::string(s.TEST_TXT.str, s.TEST_TXT.len), "scan");
    EXPECT_EQ(s.LOG_TYP.len, 0);
    EXPECT_EQ(std::string(s.RSLT_TXT.str, s.RSLT_TXT.len), "ok");
    EXPECT_EQ(s.MASK_LEN, 1);
    EXPECT_EQ(s.MASK_MAP.bits, 3);
    EXPECT_EQ(s.FAL_LEN, 3);
    EXPECT_EQ(s.FAL_MAP.bits, 20);
    EXPECT_EQ(s.FAL_MAP.data[2], 0x30);
    EXPECT_EQ(s.CNT_BLOCK[5], 6000u);
    EXPECT_EQ(s.BIT_BASE, 77u);
    EXPECT_EQ(s.LIM_CNT, 9);
    EXPECT_EQ(s.CAP_BGN, 12);
    ASSERT_EQ(s.COND_CNT, 2);
    EXPECT_EQ(std::string(s.COND_LST[0], s.COND_LEN[0]), "c-0");
    EXPECT_EQ(s.COND_LEN[1], 0);
    ASSERT_EQ(s.CYCO_CNT, 2);
    EXPECT_EQ(s.CYC_OFST[1], 0x22u);
    EXPECT_EQ(s.CYC_OFST_HI, nullptr);
    EXPECT_EQ(s.PMR_INDX[2], 0xFFFFu);
    EXPECT_EQ(s.CHN_NUM[0], 0xABCDEFu);
    EXPECT_EQ(Bytes(s.EXP_DATA, s.EXP_DATA + s.EXP_CNT), (Bytes{9, 8}));
    EXPECT_EQ(s.NEW_CNT, 0);
    ASSERT_EQ(s.PAT_CNT, 2);
    EXPECT_EQ(s.PAT_NUM[0], 0x01020304u);
    EXPECT_EQ(s.PAT_NUM_HI[0], 0x0A0B0C0Du);
    EXPECT_EQ(s.PAT_NUM_HI[1], 1u);
    EXPECT_EQ(s.BIT_POS[0], 42u);
    EXPECT_EQ(s.USR1[0], 0x123456u);
    EXPECT_EQ(s.USR2_CNT, 2);
    EXPECT_EQ(s.USR3_CNT, 0);
    ASSERT_EQ(s.TXT_CNT, 2);
    EXPECT_EQ(std::string(s.USER_TXT[0], s.USER_TXT_LEN[0]), "u0");
    EXPECT_EQ(std::string(s.USER_TXT[1], s.USER_TXT_LEN[1]), "v");
}

}  // namespace

TEST(Str, FullRecordWrittenAndReadInBothByteOrders) {
    FullStr f;
    int total = kelvo_str_size(&f.s);
    Bytes expected = full_str_body(2).record(15, 30);
    ASSERT_EQ(total, static_cast<int>(expected.size()));
    Bytes out = written([&](int h) { EXPECT_EQ(kelvo_strwrite(h, &f.s), total); });
    EXPECT_EQ(out, expected);

    for (int cpu : {2, 1}) {
        SCOPED_TRACE(cpu);
        Bytes rec = full_str_body(cpu).record(15, 30);
        // Words the record does not describe keep what the caller put there.
        uint32_t status[18];
        std::fill(std::begin(status), std::end(status), 0xF0u);
        kelvo_str_struct s{};
        ASSERT_EQ(read_one(rec, cpu, [&](int h, kelvo_header *hd) { return kelvo_strread(h, hd, &s, status); }),
                  total - 4);
        expect_full_str(s);
        uint32_t want[18] = {0xF0, 0xF0, 0xF1, 0xF3, 0xF1, 0xF3, 0xF3, 0xF0, 0xF0,
                             0xF3, 0xF3, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF3};
        EXPECT_EQ(Bytes(std::begin(status), std::end(status)), Bytes(std::begin(want), std::end(want)));
        // Decoded as read, or copied: the record writes back unchanged, little-endian.
        EXPECT_EQ(written([&](int h) { kelvo_strwrite(h, &s); }), expected);
        ASSERT_EQ(read_one(rec, cpu, [&](int h, kelvo_header *hd) { return kelvo_strbuf_read(h, hd, &s, nullptr); }),
                  total - 4);
        expect_full_str(s);
        EXPECT_EQ(written([&](int h) { kelvo_strwrite(h, &s); }), expected);
    }
}

TEST(Str, BufTerminatesEveryTextAndSurvivesACopyOfItself) {
    FullStr f;
    f.s.LOG_TYP = {0, nullptr};
    f.s.TEST_TXT = {1, const_cast<char *>("x")};  // the only character of the five
    f.s.PROG_TXT = f.s.RSLT_TXT = {0, nullptr};
    kelvo_str_size(&f.s);
    Bytes rec = written([&](int h) { kelvo_strwrite(h, &f.s); });
    kelvo_str_struct s{};
    ASSERT_GT(read_one(rec, 2, [&](int h, kelvo_header *hd) { return kelvo_strbuf_read(h, hd, &s, nullptr); }), 0);
    for (int round = 0; round < 2; ++round) {
        EXPECT_STREQ(s.LOG_TYP.str, "");
        EXPECT_STREQ(s.TEST_TXT.str, "x");
        EXPECT_STREQ(s.RSLT_TXT.str, "");
        EXPECT_STREQ(s.COND_LST[0], "c-0");
        EXPECT_STREQ(s.COND_LST[1], "");
        EXPECT_STREQ(s.USER_TXT[0], "u0");
        EXPECT_STREQ(s.USER_TXT[1], "v");
        EXPECT_EQ(s.USER_TXT_LEN[1], 1);
        EXPECT_EQ(s.TEST_TXT.str, s.LOG_TYP.str + 1);
        EXPECT_EQ(kelvo_str_buf(&s), 1);
    }
    EXPECT_EQ(written([&](int h) { kelvo_strwrite(h, &s); }), rec);
}

TEST(Str, WriterKeepsTheCallersHeader) {
    kelvo_str_struct s{};
    s.REC_TYP = 99;
    s.REC_SUB = 7;
    int need = kelvo_str_size(&s);
    EXPECT_EQ(need, 4 + 10 + 5 + 2 + 24 + 4 + 4 + 9 + 2 + 8 * 2 + 3 * 2 + 2);
    // A longer REC_LEN is written whole, the rest zeros; a shorter one writes nothing.
    s.REC_LEN = static_cast<uint16_t>(need - 4 + 3);
    Bytes out = written([&](int h) { EXPECT_EQ(kelvo_strwrite(h, &s), need + 3); });
    ASSERT_EQ(out.size(), static_cast<size_t>(need + 3));
    EXPECT_EQ(out[2], 99);
    EXPECT_EQ(out[3], 7);
    EXPECT_EQ(Bytes(out.end() - 3, out.end()), (Bytes{0, 0, 0}));
    s.REC_LEN = static_cast<uint16_t>(need - 5);
    EXPECT_EQ(written([&](int h) { EXPECT_EQ(kelvo_strwrite(h, &s), 0); }), Bytes{});
    EXPECT_EQ(kelvo_strwrite(-1, &s), -1);
    // to_memory never writes past REC_LEN + 4.
    Bytes mem(20, 0xEE);
    s.REC_LEN = 8;
    kelvo_str_to_memory(&s, mem.data());
    EXPECT_EQ(mem[12], 0xEE);
}

TEST(Str, SizedArraysFromWords) {
    uint32_t words[3] = {0xAAAA0102, 0xBBBB0304, 0xCCCC0506}, high[2] = {0x11, 0x22};
    kelvo_str_struct s{};
    s.PMR_SIZE = 2;
    s.PMR_CNT = 3;
    s.PMR_INDX = words;
    s.PAT_SIZE = 8;
    s.PAT_CNT = 2;
    s.PAT_NUM = words;
    s.PAT_NUM_HI = high;
    s.BIT_SIZE = 1;
    s.BPOS_CNT = 2;  // null words: written as zeros
    kelvo_str_size(&s);
    Bytes out = written([&](int h) { kelvo_strwrite(h, &s); });
    Bytes pmr = {3, 0, 2, 1, 4, 3, 6, 5};
    Bytes pat = {2, 0, 2, 1, 0xAA, 0xAA, 0x11, 0, 0, 0, 4, 3, 0xBB, 0xBB, 0x22, 0, 0, 0};
    EXPECT_NE(std::search(out.begin(), out.end(), pmr.begin(), pmr.end()), out.end());
    EXPECT_NE(std::search(out.begin(), out.end(), pat.begin(), pat.end()), out.end());
    kelvo_str_struct r{};
    kelvo_str_to_struct(&r, out.data(), &kLittle, nullptr);
    EXPECT_EQ(r.PMR_INDX[0], 0x0102u);
    EXPECT_EQ(r.PAT_NUM_HI[1], 0x22u);
    EXPECT_EQ(r.BIT_POS[1], 0u);
}

TEST(Str, NoBitMapsAndShortRecords) {
    kelvo_str_struct s{};
    s.FMU_FLG = 0;
    s.MASK_LEN = 5;
    kelvo_str_size(&s);
    Bytes rec = written([&](int h) { kelvo_strwrite(h, &s); });
    uint32_t status[18] = {};
    status[9] = status[10] = 3;
    kelvo_str_struct r{};
    r.MASK_MAP.data = rec.data();
    kelvo_str_to_struct(&r, rec.data(), &kLittle, status);
    EXPECT_EQ(r.MASK_LEN, 0);
    EXPECT_EQ(r.MASK_MAP.data, nullptr);
    EXPECT_EQ(r.FAL_MAP.bits, 0);
    EXPECT_EQ(status[9], 0u);
    EXPECT_EQ(status[10], 0u);
    EXPECT_EQ(status[17], 0u);
    EXPECT_EQ(r.COND_LST, nullptr);

    // Every cut of the full record decodes inside the record, and writes back.
    FullStr f;
    kelvo_str_size(&f.s);
    Bytes full = written([&](int h) { kelvo_strwrite(h, &f.s); });
    for (size_t cut = 0; cut + 4 < full.size(); ++cut) {
        Bytes img(full.begin(), full.begin() + 4 + cut);
        img[0] = static_cast<uint8_t>(cut);
        img[1] = static_cast<uint8_t>(cut >> 8);
        kelvo_str_to_struct(&r, img.data(), &kLittle, status);
        EXPECT_LE(r.EXP_CNT, 2);
        int total = kelvo_str_size(&r);
        Bytes again(static_cast<size_t>(total));
        kelvo_str_to_memory(&r, again.data());
    }
}

TEST(Str, HostileCountsStayInsideTheRecord) {
    // Counts far beyond the record: conditions and user texts read as empty strings,
    // sized elements as 0, byte arrays and bit maps cut to the bytes held.
    Image i;
    i.u1(0).u4(1).u1(1).u1(1).u2(0).u1(0).cn("").cn("").cn("").cn("").cn("").u1(0).u1(1).u2(4000).bytes({0xAB});
    Bytes img = i.record(15, 30);
    kelvo_str_struct s{};
    kelvo_str_to_struct(&s, img.data(), &kLittle, nullptr);
    EXPECT_EQ(s.MASK_MAP.bits, 8);
    EXPECT_EQ(s.MASK_LEN, 1);
    EXPECT_EQ(s.COND_CNT, 0);

    Image j;
    j.u1(0).u4(1).u1(1).u1(1).u2(0).u1(0).cn("").cn("").cn("").cn("").cn("").u1(0).u1(0);
    for (int k = 0; k < 6; ++k) j.u4(0);
    j.u4(0).u2(65535).u2(0).bytes({4, 4, 4, 4, 4, 4, 4, 4, 200}).u2(0).u1(2).raw("ab").u1(250).raw("cd");
    img = j.record(15, 30);
    uint32_t status[18] = {};
    kelvo_str_to_struct(&s, img.data(), &kLittle, status);
    ASSERT_EQ(s.COND_CNT, 65535);
    EXPECT_EQ(status[17], 3u);
    EXPECT_EQ(std::string(s.COND_LST[0], s.COND_LEN[0]), "ab");
    EXPECT_EQ(std::string(s.COND_LST[1], s.COND_LEN[1]), "cd");
    EXPECT_EQ(s.COND_LEN[65534], 0);
    EXPECT_EQ(s.CYCO_CNT, 0);

    // An element count whose elements the record does not hold.
    Image k;
    k.u1(0).u4(1).u1(1).u1(1).u2(0).u1(0).cn("").cn("").cn("").cn("").cn("").u1(0).u1(0);
    for (int n = 0; n < 6; ++n) k.u4(0);
    k.u4(0).u2(0).u2(0).bytes({8, 4, 4, 4, 4, 4, 4, 4, 4}).u2(0).u2(1000).u8(0x100000002).bytes({1, 2, 3});
    img = k.record(15, 30);
    kelvo_str_to_struct(&s, img.data(), &kLittle, nullptr);
    ASSERT_EQ(s.CYCO_CNT, 1000);
    EXPECT_EQ(s.CYC_OFST[0], 2u);
    EXPECT_EQ(s.CYC_OFST_HI[0], 1u);
    EXPECT_EQ(s.CYC_OFST[1], 0u);
    EXPECT_EQ(s.CYC_OFST_HI[999], 0u);
    EXPECT_EQ(s.EXP_CNT, 0);
}
