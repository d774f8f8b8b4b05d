// GDR (with the scan encoding) and STR: byte images, both byte orders, hostile records.
#include <gtest/gtest.h>

#include "testutil.h"

using namespace kt;

namespace {

const kelvo_attributes kLittle{2, 4};
using Words = std::vector<uint32_t>;

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

// One GDR field of every type code, and one code above 14.
struct EveryType {
    uint8_t u1 = 0xAB, i1 = 0xFE, n1 = 0x3A, bn_bytes[3] = {1, 2, 3}, dn_bytes[2] = {0xFF, 0xFF};
    uint16_t u2 = 0x1234, i2 = static_cast<uint16_t>(-300);
    uint32_t u4 = 0x89ABCDEF, i4 = static_cast<uint32_t>(-70000);
    float r4 = 1.5f;
    double r8 = -2.25;
    uint64_t i8 = 0x0102030405060708;
    kelvo_bn bn{3, bn_bytes};
    kelvo_dn dn{10, dn_bytes};
    char text[3] = "hi";
    kelvo_gdr_field fields[16] = {
        {0, 0, 0, nullptr}, {1, 0, 0, &u1},  {2, 0, 0, &u2},   {3, 0, 0, &u4},  {4, 0, 0, &i1}, {5, 0, 0, &i2},
        {6, 0, 0, &i4},     {7, 0, 0, &r4},  {8, 0, 0, &r8},   {9, 0, 0, nullptr}, {10, 0, 0, text},
        {11, 0, 0, &bn},    {12, 0, 0, &dn}, {13, 0, 0, &n1},  {14, 0, 0, &i8}, {20, 0, 0, nullptr}};
    kelvo_gdr_struct gdr{0, 0, 0, 16, fields};
};

// Sizes and lengths as the writer and the decoders set them; numbers aligned, in host form, as in `want`.
void expect_every_type(const kelvo_gdr_field *f, const EveryType &want) {
    const uint32_t sizes[16] = {0, 1, 2, 4, 1, 2, 4, 4, 8, 0, 3, 4, 4, 1, 8, 0};
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ((Words{f[k].size, f[k].len}), (Words{sizes[k], k == 11 ? 3u : (k == 10 || k == 12) ? 2u : 0u})) << k;
        if (k == 0 || k == 9 || k == 15) {
            EXPECT_EQ(f[k].value, nullptr) << k;
        } else if (k < 10 || k > 12) {
            ASSERT_NE(f[k].value, nullptr) << k;
            EXPECT_EQ(reinterpret_cast<uintptr_t>(f[k].value) % sizes[k], 0u) << k;
            EXPECT_EQ(std::memcmp(f[k].value, want.fields[k].value, sizes[k]), 0) << k;
        }
    }
}

// A full STR: both bit maps, two conditions, sized arrays of widths 1, 2, 3, 4, 8 and 0 (a count and no
// elements), byte arrays, user texts. PMR words carry high bits the width drops; USR3 words are null.
struct FullStr {
    uint8_t mask = 0xE0, fal[3] = {1, 2, 0x30}, cond_len[2] = {3, 0}, exp[2] = {9, 8}, cap = 7, txt_len[2] = {2, 1};
    char none[1] = "", scan[5] = "scan", p[2] = "p", ok[3] = "ok", c0[4] = "c-0", t0[3] = "u0", t1[2] = "v";
    char *cond[2] = {c0, c0}, *txt[2] = {t0, t1};
    uint32_t cyc[2] = {0x11, 0x22}, pmr[3] = {0xAA001234, 5, 0xFFFF}, chn[1] = {0xABCDEF}, bpos[1] = {42};
    uint32_t pat[2] = {0x01020304, 0x05060708}, pat_hi[2] = {0x0A0B0C0D, 1}, usr1[1] = {0x123456};
    kelvo_str_struct s{0, 15, 30, 1, 100000, 2, 3, 0x0405, 0x80, {0, none}, {4, scan}, {0, nullptr}, {1, p}, {2, ok},
                       6, 5, 1, {3, &mask}, 3, {20, fal}, {1000, 2000, 3000, 4000, 5000, 6000}, 77, 2, 9,
                       1, 2, 3, 8, 4, 3, 0, 4, 1, 12, cond_len, cond, 2, cyc, nullptr, 3, pmr, nullptr, 1, chn, nullptr,
                       2, exp, 1, &cap, 0, nullptr, 2, pat, pat_hi, 1, bpos, nullptr, 1, usr1, nullptr,
                       2, nullptr, nullptr, 1, nullptr, nullptr, 2, txt_len, txt};
};

// An STR with zero or empty fields up to FMU_FLG (`fmu_flg`), then `zeros` zero words, then `rest`.
Bytes str_record(uint8_t fmu_flg, int zeros, const Bytes &rest) {
    Image i;
    i.u1(0).u4(1).u1(1).u1(1).u2(0).u1(0).cn("").cn("").cn("").cn("").cn("").u1(0).u1(fmu_flg);
    while (zeros-- > 0) i.u4(0);
    return i.bytes(rest).record(15, 30);
}

}  // namespace

TEST(Gdr, EveryTypeCodeWrittenAndReadInBothByteOrders) {
    EveryType e;
    Bytes expected = every_type_record(2);
    EXPECT_EQ(written([&](int h) { EXPECT_EQ(kelvo_gdrwrite(h, &e.gdr), 4 + 64); }), expected);
    EXPECT_EQ((Words{e.gdr.REC_LEN, e.n1}), (Words{64, 0x0A}));  // N1 cut to its low 4 bits in the caller's storage
    expect_every_type(e.fields, e);
    for (int cpu : {2, 1}) {
        SCOPED_TRACE(cpu);
        kelvo_gdr_struct g{};
        auto read = [&](int h, kelvo_header *hd) { return kelvo_gdrread(h, hd, &g); };
        ASSERT_EQ(read_one(every_type_record(cpu), cpu, read), 64);
        ASSERT_EQ((Words{g.REC_LEN, g.FLD_CNT}), (Words{64, 16}));
        expect_every_type(g.GEN_DATA, e);
        EXPECT_STREQ(static_cast<const char *>(g.GEN_DATA[10].value), "hi");  // terminated even before a copy
        EXPECT_EQ(written([&](int h) { kelvo_gdrwrite(h, &g); }), expected);  // Bn, Dn and type codes too
    }
}

TEST(Gdr, WriterSelectsRecordCodesAndScanEncoding) {
    uint16_t u2 = 0x0102;
    char text[] = "ab";
    kelvo_gdr_field f[3] = {{KELVO_GDR_U2, 0, 0, &u2}, {KELVO_GDR_B0, 0, 0, nullptr}, {KELVO_GDR_CN, 0, 0, text}};
    const uint8_t codes[8][2] = {{50, 10}, {1, 90}, {1, 91}, {1, 92}, {1, 93}, {1, 94}, {15, 30}, {0, 30}};
    for (uint8_t typ = 1; typ < 8; ++typ) {  // the values alone; the scan length is not the structure's
        kelvo_gdr_struct g{0, typ, 77, 3, f};
        Bytes want{5, 0, codes[typ][0], codes[typ][1], 2, 1, 2, 'a', 'b'};
        EXPECT_EQ(written([&](int h) { kelvo_gdrwrite(h, &g); }), want);
        EXPECT_EQ((Words{g.REC_TYP, g.REC_SUB, g.REC_LEN}), (Words{codes[typ][0], codes[typ][1], 0}));
    }
    // REC_TYP 0: a GDR. Codes outside the table are kept, REC_SUB 10 then meaning a GDR. No fields.
    const std::pair<kelvo_gdr_struct, Bytes> more[] = {
        {{0, 0, 77, 3, f}, {10, 0, 50, 10, 3, 0, 2, 2, 1, 0, 10, 2, 'a', 'b'}},
        {{0, 50, 10, 1, f}, {5, 0, 50, 10, 1, 0, 2, 2, 1}}, {{0, 9, 20, 1, f}, {2, 0, 9, 20, 2, 1}},
        {{0, 3, 0, 0, nullptr}, {0, 0, 1, 92}}, {{0, 0, 0, 0, nullptr}, {2, 0, 50, 10, 0, 0}}};
    for (auto c : more)
        EXPECT_EQ(written([&](int h) { EXPECT_EQ(kelvo_gdrwrite(h, &c.first), int(c.second.size())); }), c.second);
    kelvo_gdr_struct g{0, 15, 30, 3, f};
    EXPECT_EQ(kelvo_gdrwrite(-1, &g), -1);
    EXPECT_EQ(written([&](int h) { EXPECT_EQ(kelvo_gdrwrite(h, nullptr), 0); }), Bytes{});
    ASSERT_EQ(kelvo_scan_size(&g), 9);  // the scan pair outside the writer: to_memory stays within size
    Bytes mem(9);
    kelvo_scan_to_memory(&g, mem.data());
    EXPECT_EQ(mem, (Bytes{5, 0, 15, 30, 2, 1, 2, 'a', 'b'}));
}

TEST(Gdr, ClampedValuesAndTooLongRecords) {
    // A 300-character Cn is written with 255 of them; a Dn of 10 bits as 2 + 2 bytes, spare bits cleared.
    std::string text(300, 'c');
    uint8_t bits[2] = {0x12, 0x7F};
    kelvo_dn dn{10, bits};
    kelvo_gdr_field f[2] = {{KELVO_GDR_CN, 0, 0, text.data()}, {KELVO_GDR_DN, 0, 0, &dn}};
    kelvo_gdr_struct g{0, 0, 0, 2, f};
    EXPECT_EQ(written([&](int h) { EXPECT_EQ(kelvo_gdrwrite(h, &g), 4 + 2 + 257 + 5); }),
              concat({{8, 1, 50, 10, 2, 0, 10, 255}, Bytes(255, 'c'), {12, 10, 0, 0x12, 0x40}}));
    std::vector<kelvo_gdr_field> many(256, f[0]);  // past 65535 bytes nothing is written
    g = {0, 0, 0, 256, many.data()};
    EXPECT_EQ(kelvo_gdr_size(&g), 4 + 2 + 256 * 257);
    EXPECT_EQ(written([&](int h) { EXPECT_EQ(kelvo_gdrwrite(h, &g), 0); }), Bytes{});
}

TEST(Gdr, BufReadCopiesTextsInFieldOrder) {
    Bytes rec = Image().u2(4).u1(10).cn("first").u1(3).u4(7).u1(10).cn("").u1(10).cn("third").record(50, 10);
    kelvo_gdr_struct g{};
    ASSERT_EQ(read_one(rec, 2, [&](int h, kelvo_header *hd) { return kelvo_gdrbuf_read(h, hd, &g); }), 23);
    ASSERT_EQ(g.FLD_CNT, 4);
    auto *first = static_cast<const char *>(g.GEN_DATA[0].value);
    EXPECT_EQ((std::vector<const void *>{g.GEN_DATA[2].value, g.GEN_DATA[3].value}),
              (std::vector<const void *>{first + 6, first + 7}));
    EXPECT_EQ(std::string(first, 13), std::string("first\0\0third", 13));
    EXPECT_EQ(*static_cast<const uint32_t *>(g.GEN_DATA[1].value), 7u);
    EXPECT_EQ(kelvo_gdr_buf(&g), 1);  // copying the copy again keeps it
    EXPECT_STREQ(static_cast<const char *>(g.GEN_DATA[3].value), "third");
}

TEST(Gdr, ShortAndHostileRecordsStayInside) {
    kelvo_gdr_struct g{};
    auto decode = [&](const Bytes &img) { kelvo_gdr_to_struct(&g, img.data(), &kLittle); return int(g.FLD_CNT); };
    EXPECT_EQ(decode(Image().u2(65535).u1(1).u1(9).u1(0).record(50, 10)), 2);  // the fields that begin inside
    for (const Bytes &b : {Bytes{2, 0, 50, 10, 0, 0}, Bytes{1, 0, 50, 10, 3}}) EXPECT_EQ(decode(b), 0);  // empty; cut
    ASSERT_EQ(decode(Image().u2(3).u1(2).u2(5).u1(3).bytes({1, 2}).record(50, 10)), 1);  // a cut value ends the list
    EXPECT_EQ(*static_cast<const uint16_t *>(g.GEN_DATA[0].value), 5);
    for (uint8_t code : {10, 11, 12}) {  // Cn, Bn and Dn that run past the end are cut to the bytes held
        Image i;
        (code == 12 ? i.u2(1).u1(code).u2(1000) : i.u2(1).u1(code).u1(200)).raw("xyz");
        ASSERT_EQ(decode(i.record(50, 10)), 1);
        EXPECT_EQ((Words{g.GEN_DATA[0].len, g.GEN_DATA[0].size}), (Words{3, code == 12 ? 5u : 4u}));
    }
    EXPECT_EQ(static_cast<const kelvo_dn *>(g.GEN_DATA[0].value)->bits, 24);
    // A record cut short by the end of the file is not decoded, and buf_read copies nothing.
    Bytes cut = Image().u2(1).u1(10).cn("abc").record(50, 10, 40);
    kelvo_gdr_struct untouched{0, 0, 0, 99, nullptr};
    EXPECT_EQ(read_one(cut, 2, [&](int h, kelvo_header *hd) { return kelvo_gdrbuf_read(h, hd, &untouched); }), 0);
    EXPECT_EQ(untouched.FLD_CNT, 99);
    EXPECT_EQ(untouched.GEN_DATA, nullptr);
}

TEST(Str, FullRecordWrittenReadAndCopiedInBothByteOrders) {
    FullStr f;
    int total = kelvo_str_size(&f.s);
    Bytes expected = full_str_record(2);
    EXPECT_EQ(written([&](int h) { EXPECT_EQ(kelvo_strwrite(h, &f.s), total); }), expected);
    Words status(18, 0xF0);  // words the record does not describe keep what the caller put there
    for (int cpu : {2, 1}) {
        SCOPED_TRACE(cpu);
        const Words want{0xF0, 0xF0, 0xF1, 0xF3, 0xF1, 0xF3, 0xF3, 0xF0, 0xF0,
                         0xF3, 0xF3, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF3};
        kelvo_str_struct s{};
        for (auto read : {kelvo_strread, kelvo_strbuf_read}) {
            auto read_str = [&](int h, kelvo_header *hd) { return read(h, hd, &s, status.data()); };
            ASSERT_EQ(read_one(full_str_record(cpu), cpu, read_str), total - 4);
            EXPECT_EQ(status, want);
            EXPECT_EQ(s.CHN_NUM_HI, nullptr);  // what writing back cannot show: no high words, dropped bits, 0s
            EXPECT_EQ((Words{s.CHN_NUM[0], s.PMR_INDX[0], s.USR3[0]}), (Words{0xABCDEF, 0x1234, 0}));
            EXPECT_EQ(written([&](int h) { kelvo_strwrite(h, &s); }), expected);
        }
        // buf_read: every text NUL-terminated in the string buffer, in order; a copy of the copy keeps them.
        for (int round = 0; round < 2; ++round) {
            std::vector<std::string> texts{s.LOG_TYP.str, s.TEST_TXT.str, s.ALARM_ID.str, s.PROG_TXT.str,
                                           s.RSLT_TXT.str, s.COND_LST[0], s.COND_LST[1], s.USER_TXT[0], s.USER_TXT[1]};
            EXPECT_EQ(texts, (std::vector<std::string>{"", "scan", "", "p", "ok", "c-0", "", "u0", "v"}));
            EXPECT_EQ(s.TEST_TXT.str, s.LOG_TYP.str + 1);
            EXPECT_EQ(kelvo_str_buf(&s), 1);
            EXPECT_EQ(written([&](int h) { kelvo_strwrite(h, &s); }), expected);
        }
    }
    for (size_t cut = 0; cut + 4 < expected.size(); ++cut) {  // every cut decodes inside, encodes within its size
        Bytes img(expected.begin(), expected.begin() + 4 + cut);
        img[0] = static_cast<uint8_t>(cut), img[1] = static_cast<uint8_t>(cut >> 8);
        kelvo_str_to_struct(&f.s, img.data(), &kLittle, status.data());
        EXPECT_LE(f.s.EXP_CNT, 2);
        Bytes again(static_cast<size_t>(kelvo_str_size(&f.s)));
        kelvo_str_to_memory(&f.s, again.data());
    }
}

TEST(Str, WriterKeepsTheCallersHeader) {
    kelvo_str_struct s{};
    s.REC_TYP = 99, s.REC_SUB = 7, s.MASK_LEN = 5;  // FMU_FLG 0: no bit map
    ASSERT_EQ(kelvo_str_size(&s), 4 + 10 + 5 + 2 + 24 + 4 + 4 + 9 + 2 + 8 * 2 + 3 * 2 + 2);  // 88
    s.REC_LEN = 87;  // a longer REC_LEN is written whole, the rest zeros; a shorter one writes nothing
    EXPECT_EQ(written([&](int h) { EXPECT_EQ(kelvo_strwrite(h, &s), 91); }), concat({{87, 0, 99, 7}, Bytes(87, 0)}));
    s.REC_LEN = 83;
    EXPECT_EQ(written([&](int h) { EXPECT_EQ(kelvo_strwrite(h, &s), 0); }), Bytes{});
    EXPECT_EQ(kelvo_strwrite(-1, &s), -1);
    Bytes mem(20, 0xEE);  // to_memory never writes past REC_LEN + 4
    s.REC_LEN = 8;
    kelvo_str_to_memory(&s, mem.data());
    EXPECT_EQ(Bytes(mem.begin() + 12, mem.end()), Bytes(8, 0xEE));
}

TEST(Str, HostileCountsStayInsideTheRecord) {
    kelvo_str_struct s{};
    Words status(18, 0);
    Bytes img;  // kept while `s` points into it
    auto decode = [&](Bytes b) { img = std::move(b), kelvo_str_to_struct(&s, img.data(), &kLittle, status.data()); };
    decode(str_record(1, 0, {0xA0, 0x0F, 0xAB}));  // a bit map of 4000 bits holding one byte
    EXPECT_EQ((Words{s.MASK_MAP.bits, s.MASK_LEN, s.COND_CNT}), (Words{8, 1, 0}));
    // FMU_FLG 0: no bit maps, status words cleared. 65535 conditions in a few bytes: the rest read as empty.
    status[9] = status[10] = 3;
    Image conds;  // the second condition cut to the bytes held
    conds.u2(65535).u2(0).bytes({4, 4, 4, 4, 4, 4, 4, 4, 200}).u2(0).cn("ab").u1(250).raw("cd");
    decode(str_record(0, 7, conds.body()));
    EXPECT_EQ(s.MASK_MAP.data, nullptr);
    EXPECT_EQ((Words{s.MASK_LEN, s.FAL_MAP.bits, status[9], status[10], status[17]}), (Words{0, 0, 0, 0, 3}));
    ASSERT_EQ(s.COND_CNT, 65535);
    EXPECT_EQ(std::string(s.COND_LST[0], s.COND_LEN[0]) + std::string(s.COND_LST[1], s.COND_LEN[1]), "abcd");
    EXPECT_EQ((Words{s.COND_LEN[1], s.COND_LEN[65534], s.CYCO_CNT}), (Words{2, 0, 0}));
    // No conditions: no list, status word cleared. CYC elements beyond the record read as 0, byte arrays cut.
    Bytes rest = Image().u2(0).u2(0).bytes({8, 4, 4, 4, 4, 4, 4, 4, 4}).u2(0).u2(1000).u8(0x100000002).body();
    decode(str_record(0, 7, concat({rest, {1, 2, 3}})));
    EXPECT_EQ(s.COND_LST, nullptr);
    ASSERT_EQ(s.CYCO_CNT, 1000);
    EXPECT_EQ((Words{status[17], s.CYC_OFST[0], s.CYC_OFST_HI[0], s.CYC_OFST[1], s.CYC_OFST_HI[999], s.EXP_CNT}),
              (Words{0, 2, 1, 0, 0, 0}));
}
