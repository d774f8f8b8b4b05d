// MPR and FTR: byte images, short and hostile records, byte orders, copies, round trips.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <random>

#include "testutil.h"

using namespace kt;

namespace {

const kelvo_attributes kAttr[3] = {{0, 4}, {1, 4}, {2, 4}};  // by CPU type

// The VAX F image of an IEEE single (exact for the values used here).
uint32_t vax_bits(float f) {
    uint32_t b = bits(f * 4.0f);
    return (b >> 16) | (b << 16);
}

// A record image that remembers where each optional field begins.
struct Builder {
    explicit Builder(int cpu) : cpu(cpu), im(cpu) {}
    Builder &mark() {
        off.push_back(static_cast<uint32_t>(4 + im.body().size()));
        return *this;
    }
    Builder &r4(float f) {
        if (cpu == 0) im.u4(vax_bits(f));
        else im.r4(f);
        return *this;
    }
    int cpu;
    Image im;
    std::vector<uint32_t> off;
};

std::string hexf(float f) {
    char b[16];
    std::snprintf(b, sizeof b, "%08x", bits(f));
    return b;
}
std::string text(const kelvo_cn &s) { return s.str ? "'" + std::string(s.str, s.len) + "'" : "null"; }
std::string dn(const kelvo_dn &d) {
    std::string r = d.data ? std::to_string(d.bits) + ":" : "null:" + std::to_string(d.bits);
    for (uint32_t i = 0; d.data && i < (d.bits + 7u) / 8u; ++i) r += std::to_string(d.data[i]) + ",";
    return r;
}
template <class T>
std::string list(const T *p, uint32_t n) {
    if (!p) return "null";
    std::string r = "[";
    for (uint32_t i = 0; i < n; ++i) {
        if constexpr (std::is_same_v<T, float>) r += hexf(p[i]) + ",";
        else r += std::to_string(p[i]) + ",";
    }
    return r + "]";
}
template <class T>
std::string num(T v) { return std::to_string(v); }

// A field: how to print it, its value in the complete record below, and when absent.
template <class S>
struct Field {
    std::function<std::string(const S &)> get;
    std::string whole, absent;
};
const char *const kNan = "ffc00000";

// A complete MPR: states 1, 2, 3 (the last byte's high nibble 0xA), two results, OPT_FLAG 0.
Builder full_mpr(int cpu) {
    Builder b(cpu);
    b.im.u4(1234).u1(1).u1(2).u1(0).u1(0x40);
    b.mark().im.u2(3);
    b.mark().im.u2(2);
    b.mark().im.bytes({0x21, 0xA3});
    b.mark().r4(1.5f).r4(-2.25f);
    b.mark().im.cn("volts");
    b.mark().im.cn("al");
    for (uint8_t v : {0x00, 0xFE, 0x03, 0xFD}) b.mark().im.u1(v);
    for (float v : {0.5f, 4.0f, 0.125f, 0.25f}) b.mark().r4(v);
    b.mark().im.u2(7).u2(8).u2(9);
    for (const char *t : {"V", "mA", "%7.3f", "%5.1f", ""}) b.mark().im.cn(t);
    b.mark().r4(-1.0f);
    b.mark().r4(9.0f);
    return b;
}

const std::vector<Field<kelvo_mpr_struct>> kMpr = {
    {[](auto &s) { return num(s.RTN_ICNT); }, "3", "0"},
    {[](auto &s) { return num(s.RSLT_CNT); }, "2", "0"},
    {[](auto &s) { return list(s.RTN_STAT, s.RTN_ICNT); }, "[1,2,3,]", "null"},
    {[](auto &s) { return list(s.RTN_RSLT, s.RSLT_CNT); }, "[3fc00000,c0100000,]", "null"},
    {[](auto &s) { return text(s.TEST_TXT); }, "'volts'", "''"},
    {[](auto &s) { return text(s.ALARM_ID); }, "'al'", "''"},
    {[](auto &s) { return num(s.OPT_FLAG); }, "0", "255"},
    {[](auto &s) { return num(s.RES_SCAL); }, "-2", "0"},
    {[](auto &s) { return num(s.LLM_SCAL); }, "3", "0"},
    {[](auto &s) { return num(s.HLM_SCAL); }, "-3", "0"},
    {[](auto &s) { return hexf(s.LO_LIMIT); }, "3f000000", kNan},
    {[](auto &s) { return hexf(s.HI_LIMIT); }, "40800000", kNan},
    {[](auto &s) { return hexf(s.START_IN); }, "3e000000", kNan},
    {[](auto &s) { return hexf(s.INCR_IN); }, "3e800000", kNan},
    {[](auto &s) { return list(s.RTN_INDX, s.RTN_ICNT); }, "[7,8,9,]", "null"},
    {[](auto &s) { return text(s.UNITS); }, "'V'", "''"},
    {[](auto &s) { return text(s.UNITS_IN); }, "'mA'", "''"},
    {[](auto &s) { return text(s.C_RESFMT); }, "'%7.3f'", "''"},
    {[](auto &s) { return text(s.C_LLMFMT); }, "'%5.1f'", "''"},
    {[](auto &s) { return text(s.C_HLMFMT); }, "''", "''"},
    {[](auto &s) { return hexf(s.LO_SPEC); }, "bf800000", kNan},
    {[](auto &s) { return hexf(s.HI_SPEC); }, "41100000", kNan},
};

bool mpr_valid(const kelvo_mpr_struct &s, size_t i, bool present) {
    switch (i) {
    case 0: case 1: case 6: return true;
    case 2: case 14: return present && s.RTN_ICNT != 0;
    case 3: return present && s.RSLT_CNT != 0;
    case 4: case 5: case 15: case 16: case 17: case 18: case 19: return present && kMpr[i].get(s) != "''";
    default: return s.OPT_FLAG == 0;  // 0 when held, 255 when not
    }
}

Builder full_ftr(int cpu) {
    Builder b(cpu);
    b.im.u4(4321).u1(3).u1(4).u1(0x80);
    b.mark().im.u1(0);
    for (uint32_t v : {100u, 200u, 3u, 4u, static_cast<uint32_t>(-5), 6u}) b.mark().im.u4(v);
    for (uint16_t v : {static_cast<uint16_t>(-7), uint16_t{3}, uint16_t{2}}) b.mark().im.u2(v);
    b.mark().im.u2(10).u2(11).u2(12);
    b.mark().im.bytes({0x21, 0x53});
    b.mark().im.u2(20).u2(21);
    b.mark().im.bytes({0x98});
    b.mark().im.u2(11).bytes({0xAB, 0xE0});
    for (const char *t : {"vec", "ts1", "op", "test", "al", "prog", "rslt"}) b.mark().im.cn(t);
    b.mark().im.u1(4);
    b.mark().im.u2(9).bytes({0xFF, 0x80});
    return b;
}

const std::vector<Field<kelvo_ftr_struct>> kFtr = {
    {[](auto &s) { return num(s.OPT_FLAG); }, "0", "255"},
    {[](auto &s) { return num(s.CYCL_CNT); }, "100", "4294967295"},
    {[](auto &s) { return num(s.REL_VADR); }, "200", "4294967295"},
    {[](auto &s) { return num(s.REPT_CNT); }, "3", "4294967295"},
    {[](auto &s) { return num(s.NUM_FAIL); }, "4", "4294967295"},
    {[](auto &s) { return num(s.XFAIL_AD); }, "-5", "-1"},
    {[](auto &s) { return num(s.YFAIL_AD); }, "6", "-1"},
    {[](auto &s) { return num(s.VECT_OFF); }, "-7", "-1"},
    {[](auto &s) { return num(s.RTN_ICNT); }, "3", "0"},
    {[](auto &s) { return num(s.PGM_ICNT); }, "2", "0"},
    {[](auto &s) { return list(s.RTN_INDX, s.RTN_ICNT); }, "[10,11,12,]", "null"},
    {[](auto &s) { return list(s.RTN_STAT, s.RTN_ICNT); }, "[1,2,3,]", "null"},
    {[](auto &s) { return list(s.PGM_INDX, s.PGM_ICNT); }, "[20,21,]", "null"},
    {[](auto &s) { return list(s.PGM_STAT, s.PGM_ICNT); }, "[8,9,]", "null"},
    {[](auto &s) { return dn(s.FAIL_PIN); }, "11:171,224,", "null:0"},
    {[](auto &s) { return text(s.VECT_NAM); }, "'vec'", "''"},
    {[](auto &s) { return text(s.TIME_SET); }, "'ts1'", "''"},
    {[](auto &s) { return text(s.OP_CODE); }, "'op'", "''"},
    {[](auto &s) { return text(s.TEST_TXT); }, "'test'", "''"},
    {[](auto &s) { return text(s.ALARM_ID); }, "'al'", "''"},
    {[](auto &s) { return text(s.PROG_TXT); }, "'prog'", "''"},
    {[](auto &s) { return text(s.RSLT_TXT); }, "'rslt'", "''"},
    {[](auto &s) { return num(s.PATG_NUM); }, "4", "255"},
    {[](auto &s) { return dn(s.SPIN_MAP); }, "9:255,128,", "null:0"},
};

bool ftr_valid(const kelvo_ftr_struct &s, size_t i, bool present) {
    switch (i) {
    case 0: case 8: case 9: return true;
    case 10: case 11: return present && s.RTN_ICNT != 0;
    case 12: case 13: return present && s.PGM_ICNT != 0;
    case 14: return present && s.FAIL_PIN.bits != 0;
    case 22: return present && s.PATG_NUM != 255;
    case 23: return present && s.SPIN_MAP.bits != 0;
    default: return i < 8 ? s.OPT_FLAG == 0 : present && kFtr[i].get(s) != "''";
    }
}

// Decodes the complete record and every cut of it (an image holding no more than its
// header says): each field present exactly when it begins inside the record, its
// value when held whole, its default when absent; other status bits untouched.
template <class S, class Decode, class Valid>
void check_cuts(const Builder &b, uint8_t typ, uint8_t sub, const std::vector<Field<S>> &fields, Decode decode,
                Valid valid) {
    const Bytes rec = b.im.record(typ, sub);
    ASSERT_EQ(b.off.size(), fields.size());
    for (uint32_t body = 0; body + 4 <= rec.size(); ++body) {
        Bytes img(rec.begin(), rec.begin() + 4 + body);
        img[b.cpu == 1 ? 1 : 0] = static_cast<uint8_t>(body);
        img[b.cpu == 1 ? 0 : 1] = static_cast<uint8_t>(body >> 8);
        S s;
        std::memset(&s, 0x5A, sizeof s);
        std::vector<uint32_t> st(fields.size(), 0xF3u);
        decode(&s, img.data(), &kAttr[b.cpu], st.data());
        EXPECT_EQ(s.REC_LEN, body);
        for (size_t i = 0; i < fields.size(); ++i) {
            SCOPED_TRACE("body " + std::to_string(body) + " field " + std::to_string(i));
            bool present = b.off[i] < body + 4;
            bool held = (i + 1 < fields.size() ? b.off[i + 1] : rec.size()) <= body + 4;
            EXPECT_EQ(st[i] & 0xF1u, 0xF0u | (present ? KELVO_PRESENT : 0u));
            EXPECT_EQ((st[i] & KELVO_VALID) != 0, valid(s, i, present));
            if (!present || held) {
                EXPECT_EQ(fields[i].get(s), present ? fields[i].whole : fields[i].absent);
            }
        }
    }
}

// The bytes one writer call puts into a fresh file.
template <class S, class Write>
Bytes write_one(S &s, Write write, int expect) {
    int result = 0;
    Bytes out = written([&](int h) { result = write(h, &s); });
    EXPECT_EQ(result, expect);
    return out;
}

// Opens a file of records behind a FAR and reads up to the first record's header.
int open_records(const Bytes &far, const Bytes &records, TempFile &tmp, kelvo_header &hd) {
    int h = open_bytes(concat({far, records}), tmp);
    hd = next_header(h);
    kelvo_far_struct f;
    if (!far.empty()) {
        EXPECT_EQ(kelvo_farread(h, &hd, &f), 2);
        hd = next_header(h);
    }
    return h;
}

Bytes tail(const Bytes &b, size_t n) { return Bytes(b.end() - static_cast<long>(n), b.end()); }

}  // namespace

// First in the file, so that the array buffer is still exactly this record's size and
// the address sanitizer sees any store past the layout of odd counts.
TEST(FtrArrays, OddCountsStayInsideTheArrayBuffer) {
    Bytes rec = Image().u4(1).u4(0).bytes(Bytes(26, 0)).u2(1).u2(1).u2(0x1234).u1(0xB5).u2(0x5678).u1(0x7C)
                    .record(15, 20);
    kelvo_ftr_struct f{};
    kelvo_ftr_to_struct(&f, rec.data(), &kAttr[2], nullptr);
    auto *base = reinterpret_cast<uint8_t *>(f.RTN_INDX);
    EXPECT_EQ(f.RTN_STAT - base, 2);
    EXPECT_EQ(reinterpret_cast<uint8_t *>(f.PGM_INDX) - base, 8);  // the 4-byte step after 4 bytes
    EXPECT_EQ(f.PGM_STAT - base, 10);
    EXPECT_EQ(list(f.RTN_STAT, 2), "[5,11,]");  // an odd count's spare nibble is stored too
    EXPECT_EQ(list(f.PGM_INDX, 1), "[22136,]");
    EXPECT_EQ(list(f.PGM_STAT, 2), "[12,7,]");
}

TEST(Mpr, CompleteAndShortRecordsInEveryByteOrder) {
    for (int cpu : {2, 1, 0}) {
        SCOPED_TRACE(cpu);
        check_cuts<kelvo_mpr_struct>(full_mpr(cpu), 15, 15, kMpr, kelvo_mpr_to_struct, mpr_valid);
    }
    kelvo_mpr_struct m{};
    Bytes rec = full_mpr(1).im.record(15, 15);
    kelvo_mpr_to_struct(&m, rec.data(), &kAttr[1], nullptr);
    EXPECT_EQ(m.TEST_NUM, 1234u);
    EXPECT_EQ(m.RTN_STAT[3], 0xA);
    // Results on the 4-byte step after the 4 unpacked states, indexes on the step after them.
    EXPECT_EQ(reinterpret_cast<uint8_t *>(m.RTN_RSLT) - m.RTN_STAT, 8);
    EXPECT_EQ(reinterpret_cast<uint8_t *>(m.RTN_INDX) - m.RTN_STAT, 20);
    rec = Image().u4(1).u4(0).u2(0).u2(1).r4(5.0f).record(15, 15);
    kelvo_mpr_to_struct(&m, rec.data(), &kAttr[2], nullptr);
    EXPECT_EQ(reinterpret_cast<uint8_t *>(m.RTN_RSLT) - m.RTN_STAT, 4);
    // Shorter than the leading block: the bytes not held read as zero.
    rec = {3, 0, 15, 15, 0x11, 0x22, 0x33};
    kelvo_mpr_to_struct(&m, rec.data(), &kAttr[2], nullptr);
    EXPECT_EQ(m.TEST_NUM, 0x332211u);
    EXPECT_EQ(m.HEAD_NUM, 0);
}

TEST(Ftr, CompleteAndShortRecordsInEveryByteOrder) {
    for (int cpu : {2, 1, 0}) {
        SCOPED_TRACE(cpu);
        check_cuts<kelvo_ftr_struct>(full_ftr(cpu), 15, 20, kFtr, kelvo_ftr_to_struct, ftr_valid);
    }
    // PATG_NUM 255 is present but not valid.
    Builder b = full_ftr(2);
    Bytes rec = b.im.record(15, 20);
    rec[b.off[22]] = 255;
    kelvo_ftr_struct f{};
    uint32_t st[24] = {};
    kelvo_ftr_to_struct(&f, rec.data(), &kAttr[2], st);
    EXPECT_EQ(st[22], KELVO_PRESENT);
    rec = {2, 0, 15, 20, 0x7F, 0x01};
    kelvo_ftr_to_struct(&f, rec.data(), &kAttr[2], nullptr);
    EXPECT_EQ(f.TEST_NUM, 0x017Fu);
}

TEST(OptFlag, DecidesTheValidBitsOfPresentFields) {
    Builder mb = full_mpr(2), fb = full_ftr(1);
    for (int bit = 0; bit < 8; ++bit) {
        SCOPED_TRACE(bit);
        const uint8_t opt = static_cast<uint8_t>(1u << bit);
        Bytes rec = mb.im.record(15, 15);
        rec[mb.off[6]] = opt;
        kelvo_mpr_struct m{};
        uint32_t st[22] = {};
        kelvo_mpr_to_struct(&m, rec.data(), &kAttr[2], st);
        for (auto [word, mask] : {std::pair{7, 0x01}, {8, 0x50}, {9, 0xA0}, {10, 0x50}, {11, 0xA0}, {12, 0x02},
                                  {13, 0x02}, {20, 0x04}, {21, 0x08}})
            EXPECT_EQ(st[word], KELVO_PRESENT | ((opt & mask) ? 0u : KELVO_VALID)) << word;
        rec = fb.im.record(15, 20);
        rec[fb.off[0]] = opt;
        kelvo_ftr_struct f{};
        uint32_t fst[24] = {};
        kelvo_ftr_to_struct(&f, rec.data(), &kAttr[1], fst);
        for (auto [word, mask] : {std::pair{1, 0x01}, {2, 0x02}, {3, 0x04}, {4, 0x08}, {5, 0x10}, {6, 0x10}, {7, 0x20}})
            EXPECT_EQ(fst[word], KELVO_PRESENT | ((opt & mask) ? 0u : KELVO_VALID)) << word;
    }
}

TEST(Mpr, WrittenImages) {
    kelvo_mpr_struct m{};
    m.TEST_NUM = 0x01020304;
    m.HEAD_NUM = 1;
    m.LO_LIMIT = 1.0f;
    // OPT_FLAG 0, no arrays, no texts: every field, seven zero length bytes.
    EXPECT_EQ(write_one(m, kelvo_mprwrite, 51),
              Image().u4(0x01020304).u1(1).bytes(Bytes(13, 0)).r4(1.0f).bytes(Bytes(25, 0)).record(15, 15));
    EXPECT_EQ(m.REC_TYP * 100 + m.REC_SUB, 1515);
    // OPT_FLAG 255: the fixed fields; results bring the counts along.
    m.OPT_FLAG = 255;
    EXPECT_EQ(write_one(m, kelvo_mprwrite, 12).size(), 12u);
    float res[2] = {2.0f, -1.0f};
    m.RSLT_CNT = 2;
    m.RTN_RSLT = res;
    EXPECT_EQ(tail(write_one(m, kelvo_mprwrite, 24), 12), Image().u2(0).u2(2).r4(2.0f).r4(-1.0f).body());
    // Indexes force everything before RTN_INDX but no text after it; three states pack into 21 03.
    uint8_t st[3] = {1, 2, 3};
    uint16_t ix[3] = {7, 8, 0xABCD};
    m = {};
    m.OPT_FLAG = 255;
    m.RTN_ICNT = 3;
    m.RTN_STAT = st;
    m.RTN_INDX = ix;
    Bytes out = write_one(m, kelvo_mprwrite, 46);
    EXPECT_EQ(Bytes(out.begin() + 12, out.begin() + 21), (Bytes{3, 0, 0, 0, 0x21, 0x03, 0, 0, 255}));
    EXPECT_EQ(tail(out, 6), (Bytes{7, 0, 8, 0, 0xCD, 0xAB}));
    // Null arrays with counts are written as missing values: states and indexes 0, results NaN.
    m.RTN_STAT = nullptr;
    m.RTN_INDX = nullptr;
    m.RSLT_CNT = 1;
    out = write_one(m, kelvo_mprwrite, 50);
    EXPECT_EQ(Bytes(out.begin() + 16, out.begin() + 22), (Bytes{0, 0, 0x00, 0x00, 0xC0, 0xFF}));
    EXPECT_EQ(tail(out, 6), Bytes(6, 0));
    // HI_SPEC not valid, LO_SPEC valid: the record ends with LO_SPEC.
    m = {};
    m.OPT_FLAG = 0x08;
    m.LO_SPEC = 3.0f;
    EXPECT_EQ(tail(write_one(m, kelvo_mprwrite, 47), 4), (Bytes{0, 0, 0x40, 0x40}));
    // START_IN valid keeps everything up to INCR_IN; texts are clamped to 255.
    std::string longtext(300, 'u');
    m.OPT_FLAG = 0xFD;
    m.TEST_TXT.str = longtext.data();
    EXPECT_EQ(kelvo_mpr_size(&m), 4 + 8 + 4 + 256 + 1 + 4 + 16);
    EXPECT_EQ(m.TEST_TXT.len, 255);
    EXPECT_EQ(kelvo_mprwrite(-1, &m), -1);
    // The largest record is written; one byte more is not written at all.
    std::vector<float> many(20000, 1.0f);
    m = {};
    m.OPT_FLAG = 255;
    m.RSLT_CNT = 16380;
    m.RTN_RSLT = many.data();
    m.TEST_TXT.str = const_cast<char *>("ab");
    out = write_one(m, kelvo_mprwrite, 65539);
    kelvo_mpr_struct back{};
    kelvo_mpr_to_struct(&back, out.data(), &kAttr[2], nullptr);
    EXPECT_EQ(back.RTN_RSLT[16379], 1.0f);
    EXPECT_EQ(text(back.TEST_TXT), "'ab'");
    m.TEST_TXT.str = const_cast<char *>("abc");
    EXPECT_TRUE(write_one(m, kelvo_mprwrite, 0).empty());
}

TEST(Ftr, WrittenImages) {
    kelvo_ftr_struct f{};
    EXPECT_EQ(write_one(f, kelvo_ftrwrite, 52), Image().bytes(Bytes(48, 0)).record(15, 20));
    EXPECT_EQ(f.REC_LEN, 48);
    f.OPT_FLAG = 255;
    f.PATG_NUM = 255;
    EXPECT_EQ(write_one(f, kelvo_ftrwrite, 11).size(), 11u);
    // With nothing after the fixed numbers the record ends where OPT_FLAG says.
    for (auto [opt, len] : {std::pair{0xFE, 12}, {0xFD, 16}, {0xFB, 20}, {0xF7, 24}, {0xEF, 32}, {0xDF, 34}})
        EXPECT_EQ(kelvo_ftr_size((f.OPT_FLAG = static_cast<uint8_t>(opt), &f)), len + 4) << opt;
    f.OPT_FLAG = 255;
    // Program states alone: both counts, empty RTN_INDX and RTN_STAT, then PGM_INDX and PGM_STAT.
    uint16_t ix[3] = {1, 2, 3};
    uint8_t st[3] = {1, 0x12, 3};
    f.PGM_ICNT = 2;
    f.PGM_INDX = ix;
    f.PGM_STAT = st;
    EXPECT_EQ(tail(write_one(f, kelvo_ftrwrite, 47), 9), (Bytes{0, 0, 2, 0, 1, 0, 2, 0, 0x21}));
    // Three return states pack into 21 03; a null FAIL_PIN with bits is written as 0 bits.
    f = {};
    f.RTN_ICNT = 3;
    f.RTN_INDX = ix;
    f.RTN_STAT = st;
    f.FAIL_PIN.bits = 12;
    f.PATG_NUM = 7;
    Bytes out = write_one(f, kelvo_ftrwrite, 60);
    EXPECT_EQ(f.FAIL_PIN.bits, 0);
    EXPECT_EQ(Bytes(out.begin() + 42, out.begin() + 52), (Bytes{1, 0, 2, 0, 3, 0, 0x21, 0x03, 0, 0}));
    EXPECT_EQ(out.back(), 7);
    // Null arrays with counts are written as zeros.
    f.RTN_INDX = nullptr;
    f.RTN_STAT = nullptr;
    out = write_one(f, kelvo_ftrwrite, 60);
    EXPECT_EQ(Bytes(out.begin() + 42, out.begin() + 50), Bytes(8, 0));
    // Bit strings keep only their bits; SPIN_MAP brings PATG_NUM 255 along.
    uint8_t pins[2] = {0xAB, 0xFF};
    f = {};
    f.OPT_FLAG = 255;
    f.PATG_NUM = 255;
    f.FAIL_PIN = {11, pins};
    EXPECT_EQ(tail(write_one(f, kelvo_ftrwrite, 46), 4), (Bytes{11, 0, 0xAB, 0xE0}));
    f.SPIN_MAP = {3, pins};
    EXPECT_EQ(tail(write_one(f, kelvo_ftrwrite, 57), 4), (Bytes{255, 3, 0, 0xA0}));
    // Without SPIN_MAP bits neither it nor PATG_NUM 255 is written: the record ends with RSLT_TXT.
    f.SPIN_MAP = {16, nullptr};
    f.RSLT_TXT.str = const_cast<char *>("bad");
    EXPECT_EQ(tail(write_one(f, kelvo_ftrwrite, 56), 4), (Bytes{3, 'b', 'a', 'd'}));
    EXPECT_EQ(kelvo_ftrwrite(-1, &f), -1);
    f.RTN_ICNT = 30000;
    f.PGM_ICNT = 30000;
    EXPECT_TRUE(write_one(f, kelvo_ftrwrite, 0).empty());
}

TEST(Mpr, HostileCounts) {
    // Huge counts in a short record: states not held are 0; the results begin past the end.
    Bytes rec = Image().u4(1).u4(0).u2(65535).u2(65535).bytes({0x21, 0x43}).record(15, 15);
    kelvo_mpr_struct m{};
    uint32_t st[22] = {};
    kelvo_mpr_to_struct(&m, rec.data(), &kAttr[2], st);
    EXPECT_EQ(m.RTN_STAT[3], 4);
    EXPECT_EQ(m.RTN_STAT[4] | m.RTN_STAT[65534], 0);
    EXPECT_EQ(m.RTN_RSLT, nullptr);
    EXPECT_EQ(st[3], 0u);
    EXPECT_TRUE(write_one(m, kelvo_mprwrite, 0).empty());  // too large to write back
    // Results not held are the missing NaN.
    rec = Image().u4(1).u4(0).u2(1).u2(65535).u1(0x05).r4(2.0f).u1(0x40).record(15, 15);
    kelvo_mpr_to_struct(&m, rec.data(), &kAttr[2], st);
    EXPECT_EQ(m.RTN_RSLT[0], 2.0f);
    EXPECT_TRUE(is_missing_nan(m.RTN_RSLT[1]) && is_missing_nan(m.RTN_RSLT[65534]));
    EXPECT_EQ(st[3], KELVO_PRESENT | KELVO_VALID);
    // RTN_INDX begun inside the longest record and running far past its end.
    Image im;
    im.u4(2).u4(0).u2(65535).u2(0).bytes(Bytes(32768, 0x11)).bytes(Bytes(22, 0));
    uint32_t held = (65535 - static_cast<uint32_t>(im.body().size())) / 2;
    while (im.body().size() < 65535) im.u1(0x01);
    rec = im.record(15, 15);
    kelvo_mpr_to_struct(&m, rec.data(), &kAttr[2], st);
    EXPECT_EQ(m.RTN_INDX[held - 1], 0x0101);
    EXPECT_EQ(m.RTN_INDX[held] | m.RTN_INDX[65534], 0);  // a lone last byte is not an element
    EXPECT_EQ(m.RTN_STAT[65534], 1);
    EXPECT_EQ(st[14], KELVO_PRESENT | KELVO_VALID);
    EXPECT_EQ(st[15], 0u);
    // A text whose length runs past the end is cut to the bytes held.
    rec = Image().u4(1).u4(0).u2(0).u2(0).u1(200).raw("abc").record(15, 15);
    kelvo_mpr_to_struct(&m, rec.data(), &kAttr[2], st);
    EXPECT_EQ(text(m.TEST_TXT), "'abc'");
}

TEST(Ftr, HostileCounts) {
    Image fixed;
    fixed.u4(1).u4(0).bytes(Bytes(26, 0));
    // Huge counts in a short record: indexes not held read 0, the rest is absent.
    Bytes rec = Image(fixed).u2(65535).u2(65535).u2(9).u1(1).record(15, 20);
    kelvo_ftr_struct f{};
    uint32_t st[24] = {};
    kelvo_ftr_to_struct(&f, rec.data(), &kAttr[2], st);
    EXPECT_EQ(f.RTN_INDX[0], 9);
    EXPECT_EQ(f.RTN_INDX[1] | f.RTN_INDX[65534], 0);
    EXPECT_EQ(f.RTN_STAT, nullptr);
    EXPECT_EQ(st[11], 0u);
    EXPECT_TRUE(write_one(f, kelvo_ftrwrite, 0).empty());
    // PGM_INDX begun in the longest record, its states beyond the end.
    Image im(fixed);
    im.u2(1).u2(65535).u2(4).u1(0x0F);
    while (im.body().size() < 65535) im.u1(0x02);
    rec = im.record(15, 20);
    kelvo_ftr_to_struct(&f, rec.data(), &kAttr[2], st);
    EXPECT_EQ(f.PGM_INDX[32746], 0x0202);
    EXPECT_EQ(f.PGM_INDX[32747] | f.PGM_INDX[65534], 0);
    EXPECT_EQ(f.PGM_STAT, nullptr);
    EXPECT_EQ(st[12], KELVO_PRESENT | KELVO_VALID);
    // Bit strings and texts that run past the end are cut to the bytes held.
    rec = Image(fixed).u2(0).u2(0).u2(65535).bytes({1, 2, 3}).record(15, 20);
    kelvo_ftr_to_struct(&f, rec.data(), &kAttr[2], st);
    EXPECT_EQ(dn(f.FAIL_PIN), "24:1,2,3,");
    rec = Image(fixed).u2(0).u2(0).u2(0).cn("v").u1(9).raw("ab").record(15, 20);
    kelvo_ftr_to_struct(&f, rec.data(), &kAttr[2], st);
    EXPECT_EQ(text(f.TIME_SET), "'ab'");
    EXPECT_EQ(st[17], 0u);
}

TEST(Mpr, BufReadPacksTextsOnAnyVersion) {
    Bytes rec = full_mpr(2).im.record(15, 15);
    Bytes early = Image().u4(1).u4(0).u2(0).u2(0).record(15, 15);  // ends before TEST_TXT
    TempFile tmp;
    kelvo_header hd;
    int h = open_records(far_record(2, 3), concat({rec, early}), tmp, hd);
    kelvo_mpr_struct m{};
    uint32_t st[22] = {};
    ASSERT_EQ(kelvo_mprbuf_read(h, &hd, &m, st), static_cast<int>(rec.size() - 4));
    kelvo_cn *t[] = {&m.TEST_TXT, &m.ALARM_ID, &m.UNITS, &m.UNITS_IN, &m.C_RESFMT, &m.C_LLMFMT, &m.C_HLMFMT};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(text(*t[i]), kMpr[i < 2 ? 4 + i : 13 + i].whole);
        EXPECT_EQ(t[i]->str[t[i]->len], '\0');
        if (i) {
            EXPECT_EQ(t[i]->str, t[i - 1]->str + t[i - 1]->len + 1) << i;
        }
    }
    ASSERT_EQ(kelvo_mpr_buf(&m), 1);  // copying the copy keeps it
    EXPECT_STREQ(m.UNITS_IN.str, "mA");
    kelvo_free();  // a fresh string buffer for a record that holds no text
    hd = next_header(h);
    ASSERT_EQ(kelvo_mprbuf_read(h, &hd, &m, st), 12);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(t[i]->str, t[0]->str + i) << i;
    EXPECT_STREQ(m.C_HLMFMT.str, "");
    EXPECT_EQ(kelvo_mprread(h, &hd, &m, st), 0);  // end of file
    kelvo_close(h);
    // Texts a caller set are copied one by one.
    kelvo_mpr_struct c{};
    c.TEST_TXT = {3, const_cast<char *>("xyz")};
    c.C_HLMFMT = {2, const_cast<char *>("hi")};
    ASSERT_EQ(kelvo_mpr_buf(&c), 1);
    EXPECT_STREQ(c.TEST_TXT.str, "xyz");
    EXPECT_STREQ(c.C_HLMFMT.str, "hi");
}

TEST(Ftr, BufReadAndVersionDispatch) {
    Bytes rec = full_ftr(2).im.record(15, 20);
    for (int version : {4, 3, 0}) {
        SCOPED_TRACE(version);
        TempFile tmp;
        kelvo_header hd;
        int h = open_records(version ? far_record(2, version) : Bytes{}, rec, tmp, hd);
        kelvo_ftr_struct f{};
        uint32_t st[24] = {};
        ASSERT_EQ(kelvo_ftrbuf_read(h, &hd, &f, st), static_cast<int>(rec.size() - 4));
        EXPECT_EQ(f.REC_LEN, rec.size() - 4);
        kelvo_cn *t[] = {&f.VECT_NAM, &f.TIME_SET, &f.OP_CODE, &f.TEST_TXT, &f.ALARM_ID, &f.PROG_TXT, &f.RSLT_TXT};
        for (int i = 0; i < 7; ++i) {
            // A version-3 record is not taken for a version-4 one: no field is decoded.
            EXPECT_EQ(text(*t[i]), version == 4 ? kFtr[15 + i].whole : "''");
            if (version == 4 && i) {
                EXPECT_EQ(t[i]->str, t[i - 1]->str + t[i - 1]->len + 1);
            }
        }
        EXPECT_EQ(st[0], version == 4 ? KELVO_PRESENT | KELVO_VALID : KELVO_VALID);
        EXPECT_EQ(dn(f.SPIN_MAP), version == 4 ? "9:255,128," : "null:0");
        kelvo_close(h);
    }
    kelvo_free();  // a fresh string buffer for a record that holds no text
    TempFile tmp;
    kelvo_header hd;
    int h = open_records(far_record(1), Image(1).u4(1).u1(0).u1(0).u1(0).u1(0xFE).u4(77).record(15, 20), tmp, hd);
    kelvo_ftr_struct f{};
    ASSERT_EQ(kelvo_ftrbuf_read(h, &hd, &f, nullptr), 12);
    EXPECT_EQ(f.CYCL_CNT, 77u);
    EXPECT_EQ(f.RSLT_TXT.str, f.VECT_NAM.str + 6);
    EXPECT_STREQ(f.RSLT_TXT.str, "");
    EXPECT_EQ(kelvo_ftrread(h, &hd, &f, nullptr), 0);
    kelvo_close(h);
}

namespace {

std::mt19937 rng(20240607);
uint32_t pick(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(rng); }
template <class T>
T any() { return static_cast<T>(rng()); }

// Random arrays (sometimes null with their count set), texts and bit strings.
struct Pool {
    std::deque<std::string> texts;
    std::deque<std::vector<uint8_t>> b8;
    std::deque<std::vector<uint16_t>> b16;
    std::deque<std::vector<float>> r4;
    template <class T>
    T *array(std::deque<std::vector<T>> &d, uint32_t n, uint32_t range) {
        if (!pick(6)) return nullptr;
        d.emplace_back(n);
        for (T &x : d.back()) x = static_cast<T>(pick(range));
        return d.back().data();
    }
    void text(kelvo_cn &s) {
        if (!pick(2)) return;
        texts.emplace_back(pick(12), ' ');
        for (char &c : texts.back()) c = static_cast<char>('!' + pick(90));
        s.str = texts.back().data();
    }
    void bits(kelvo_dn &d) {
        if (!pick(2)) return;
        d.bits = static_cast<uint16_t>(pick(40));
        auto *p = array(b8, (d.bits + 7u) / 8u, 256);
        if (p && d.bits % 8) p[d.bits / 8] &= static_cast<uint8_t>(0xFF << (8 - d.bits % 8));
        d.data = p;
    }
};

// Encodes, decodes and encodes again: the same bytes, and every field the record
// holds reads back as it was written (null arrays as their missing values).
template <class S, class Size, class Mem, class Decode, class Buf>
void round_trip(S &s, const std::vector<Field<S>> &fields, Size size, Mem mem, Decode decode, Buf buf) {
    Bytes out(static_cast<size_t>(size(&s)));
    mem(&s, out.data());
    S back{};
    std::vector<uint32_t> st(fields.size(), 0);
    decode(&back, out.data(), &kAttr[2], st.data());
    for (size_t i = 0; i < fields.size(); ++i) {
        std::string want = fields[i].get(s);
        if ((st[i] & KELVO_PRESENT) && want.find("null") == std::string::npos) {
            EXPECT_EQ(fields[i].get(back), want) << i;
        }
    }
    ASSERT_EQ(buf(&back), 1);  // texts NUL-terminated, as a writer takes them
    ASSERT_EQ(size(&back), static_cast<int>(out.size()));
    Bytes again(out.size());
    mem(&back, again.data());
    EXPECT_EQ(again, out);
}

uint8_t opt_flag() { return static_cast<uint8_t>(pick(2) ? 0xFF ^ (1u << pick(8)) : pick(256)); }

}  // namespace

TEST(RoundTrip, GeneratedMprAndFtr) {
    for (int n = 0; n < 400; ++n) {
        SCOPED_TRACE(n);
        Pool pool;
        kelvo_mpr_struct m{};
        m.TEST_NUM = any<uint32_t>();
        m.HEAD_NUM = any<uint8_t>();
        m.PARM_FLG = any<uint8_t>();
        m.RTN_ICNT = static_cast<uint16_t>(pick(3) ? 0 : pick(7));
        m.RSLT_CNT = static_cast<uint16_t>(pick(3) ? 0 : pick(7));
        m.RTN_STAT = pool.array(pool.b8, m.RTN_ICNT, 16);
        m.RTN_RSLT = pool.array(pool.r4, m.RSLT_CNT, 100000);
        m.RTN_INDX = pool.array(pool.b16, m.RTN_ICNT, 65536);
        for (kelvo_cn *t : {&m.TEST_TXT, &m.ALARM_ID, &m.UNITS, &m.UNITS_IN, &m.C_RESFMT, &m.C_LLMFMT, &m.C_HLMFMT})
            pool.text(*t);
        m.OPT_FLAG = opt_flag();
        m.RES_SCAL = any<int8_t>();
        m.HLM_SCAL = any<int8_t>();
        for (float *r : {&m.LO_LIMIT, &m.HI_LIMIT, &m.START_IN, &m.INCR_IN, &m.LO_SPEC, &m.HI_SPEC})
            *r = static_cast<float>(pick(1000)) / -8.0f;
        round_trip(m, kMpr, kelvo_mpr_size, kelvo_mpr_to_memory, kelvo_mpr_to_struct, kelvo_mpr_buf);

        kelvo_ftr_struct f{};
        f.TEST_NUM = any<uint32_t>();
        f.SITE_NUM = any<uint8_t>();
        f.OPT_FLAG = opt_flag();
        for (uint32_t *u : {&f.CYCL_CNT, &f.REL_VADR, &f.REPT_CNT, &f.NUM_FAIL}) *u = any<uint32_t>();
        f.XFAIL_AD = any<int32_t>();
        f.VECT_OFF = any<int16_t>();
        f.RTN_ICNT = static_cast<uint16_t>(pick(3) ? 0 : pick(7));
        f.PGM_ICNT = static_cast<uint16_t>(pick(3) ? 0 : pick(7));
        f.RTN_INDX = pool.array(pool.b16, f.RTN_ICNT, 65536);
        f.RTN_STAT = pool.array(pool.b8, f.RTN_ICNT, 16);
        f.PGM_INDX = pool.array(pool.b16, f.PGM_ICNT, 65536);
        f.PGM_STAT = pool.array(pool.b8, f.PGM_ICNT, 16);
        pool.bits(f.FAIL_PIN);
        pool.bits(f.SPIN_MAP);
        for (kelvo_cn *t : {&f.VECT_NAM, &f.TIME_SET, &f.OP_CODE, &f.TEST_TXT, &f.ALARM_ID, &f.PROG_TXT, &f.RSLT_TXT})
            pool.text(*t);
        f.PATG_NUM = static_cast<uint8_t>(pick(2) ? 255 : pick(256));
        round_trip(f, kFtr, kelvo_ftr_size, kelvo_ftr_to_memory, kelvo_ftr_to_struct, kelvo_ftr_buf);

        if (n % 50 == 0) {  // through the file API as well
            Bytes out = concat({write_one(m, kelvo_mprwrite, m.REC_LEN + 4), write_one(f, kelvo_ftrwrite, f.REC_LEN + 4)});
            TempFile tmp;
            kelvo_header hd;
            int h = open_records(far_record(2), out, tmp, hd);
            kelvo_mpr_struct mb{};
            kelvo_ftr_struct fb{};
            EXPECT_EQ(kelvo_mprbuf_read(h, &hd, &mb, nullptr), m.REC_LEN);
            Bytes again = write_one(mb, kelvo_mprwrite, m.REC_LEN + 4);
            hd = next_header(h);
            EXPECT_EQ(kelvo_ftrbuf_read(h, &hd, &fb, nullptr), f.REC_LEN);
            EXPECT_EQ(concat({again, write_one(fb, kelvo_ftrwrite, f.REC_LEN + 4)}), out);
            kelvo_close(h);
        }
    }
}

TEST(Dump, PrintsMprAndFtrInFull) {
    TempFile tmp(concat({far_record(1), full_mpr(1).im.record(15, 15), full_ftr(1).im.record(15, 20)}));
    std::string out;
    if (FILE *p = popen((std::string(KELVO_TOOLS_DIR) + "/kelvo-dump " + tmp.path()).c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    for (const char *line : {"MPR (15,15)", "RTN_STAT  [1, 2, 3]", "RTN_RSLT  [1.5, -2.25]", "RTN_INDX  [7, 8, 9]",
                             "C_HLMFMT  missing", "HI_SPEC   9", "FTR (15,20)", "PGM_STAT  [8, 9]",
                             "FAIL_PIN  [11 bits] ab e0", "RSLT_TXT  \"rslt\"", "SPIN_MAP  [9 bits] ff 80"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
}
