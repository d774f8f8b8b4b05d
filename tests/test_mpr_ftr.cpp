// MPR and FTR: byte images, short and hostile records, byte orders, copies, round trips.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <random>

#include "testutil.h"

using namespace kt;

namespace {

const kelvo_attributes kLe{2, 4}, kBe{1, 4}, kVax{0, 4};

const kelvo_attributes &attr_of(int cpu) { return cpu == 1 ? kBe : cpu == 0 ? kVax : kLe; }

// The VAX F image of an IEEE single (exact for the values used here).
uint32_t vax_bits(float f) {
    uint32_t b = bits(f * 4.0f);
    return (b >> 16) | (b << 16);
}

// Builds a record image and remembers where each optional field begins.
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

// A record cut to `body` bytes: its header says so and the image holds no more.
Bytes cut(const Bytes &rec, uint32_t body, int cpu) {
    Bytes c(rec.begin(), rec.begin() + 4 + body);
    if (cpu == 1) c[0] = static_cast<uint8_t>(body >> 8), c[1] = static_cast<uint8_t>(body);
    else c[0] = static_cast<uint8_t>(body), c[1] = static_cast<uint8_t>(body >> 8);
    return c;
}

std::string hexf(float f) {
    char b[16];
    std::snprintf(b, sizeof b, "%08x", bits(f));
    return b;
}
std::string text(const kelvo_cn &s) { return s.str ? "'" + std::string(s.str, s.len) + "'" : "null"; }
std::string dn(const kelvo_dn &d) {
    if (!d.data) return "null:" + std::to_string(d.bits);
    std::string r = std::to_string(d.bits) + ":";
    for (uint32_t i = 0; i < (d.bits + 7u) / 8u; ++i) r += std::to_string(d.data[i]) + ",";
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

template <class S>
using Fields = std::vector<std::function<std::string(const S &)>>;

const Fields<kelvo_mpr_struct> kMprFields = {
    [](auto &s) { return std::to_string(s.RTN_ICNT); },
    [](auto &s) { return std::to_string(s.RSLT_CNT); },
    [](auto &s) { return list(s.RTN_STAT, s.RTN_ICNT); },
    [](auto &s) { return list(s.RTN_RSLT, s.RSLT_CNT); },
    [](auto &s) { return text(s.TEST_TXT); },
    [](auto &s) { return text(s.ALARM_ID); },
    [](auto &s) { return std::to_string(s.OPT_FLAG); },
    [](auto &s) { return std::to_string(s.RES_SCAL); },
    [](auto &s) { return std::to_string(s.LLM_SCAL); },
    [](auto &s) { return std::to_string(s.HLM_SCAL); },
    [](auto &s) { return hexf(s.LO_LIMIT); },
    [](auto &s) { return hexf(s.HI_LIMIT); },
    [](auto &s) { return hexf(s.START_IN); },
    [](auto &s) { return hexf(s.INCR_IN); },
    [](auto &s) { return list(s.RTN_INDX, s.RTN_ICNT); },
    [](auto &s) { return text(s.UNITS); },
    [](auto &s) { return text(s.UNITS_IN); },
    [](auto &s) { return text(s.C_RESFMT); },
    [](auto &s) { return text(s.C_LLMFMT); },
    [](auto &s) { return text(s.C_HLMFMT); },
    [](auto &s) { return hexf(s.LO_SPEC); },
    [](auto &s) { return hexf(s.HI_SPEC); },
};
// What each field reads as when the record does not hold it.
const std::vector<std::string> kMprDefaults = {
    "0", "0", "null", "null", "''", "''", "255", "0", "0", "0", "ffc00000", "ffc00000", "ffc00000",
    "ffc00000", "null", "''", "''", "''", "''", "''", "ffc00000", "ffc00000"};

const Fields<kelvo_ftr_struct> kFtrFields = {
    [](auto &s) { return std::to_string(s.OPT_FLAG); },
    [](auto &s) { return std::to_string(s.CYCL_CNT); },
    [](auto &s) { return std::to_string(s.REL_VADR); },
    [](auto &s) { return std::to_string(s.REPT_CNT); },
    [](auto &s) { return std::to_string(s.NUM_FAIL); },
    [](auto &s) { return std::to_string(s.XFAIL_AD); },
    [](auto &s) { return std::to_string(s.YFAIL_AD); },
    [](auto &s) { return std::to_string(s.VECT_OFF); },
    [](auto &s) { return std::to_string(s.RTN_ICNT); },
    [](auto &s) { return std::to_string(s.PGM_ICNT); },
    [](auto &s) { return list(s.RTN_INDX, s.RTN_ICNT); },
    [](auto &s) { return list(s.RTN_STAT, s.RTN_ICNT); },
    [](auto &s) { return list(s.PGM_INDX, s.PGM_ICNT); },
    [](auto &s) { return list(s.PGM_STAT, s.PGM_ICNT); },
    [](auto &s) { return dn(s.FAIL_PIN); },
    [](auto &s) { return text(s.VECT_NAM); },
    [](auto &s) { return text(s.TIME_SET); },
    [](auto &s) { return text(s.OP_CODE); },
    [](auto &s) { return text(s.TEST_TXT); },
    [](auto &s) { return text(s.ALARM_ID); },
    [](auto &s) { return text(s.PROG_TXT); },
    [](auto &s) { return text(s.RSLT_TXT); },
    [](auto &s) { return std::to_string(s.PATG_NUM); },
    [](auto &s) { return dn(s.SPIN_MAP); },
};
const std::vector<std::string> kFtrDefaults = {
    "255", "4294967295", "4294967295", "4294967295", "4294967295", "-1", "-1", "-1", "0", "0",
    "null", "null", "null", "null", "null:0", "''", "''", "''", "''", "''", "''", "''", "255", "null:0"};

// A complete MPR: states 1, 2, 3 (the last byte's high nibble 0xA), two results,
// every text, OPT_FLAG 0.
Builder full_mpr(int cpu) {
    Builder b(cpu);
    b.im.u4(1234).u1(1).u1(2).u1(0).u1(0x40);
    b.mark().im.u2(3);
    b.mark().im.u2(2);
    b.mark().im.bytes({0x21, 0xA3});
    b.mark().r4(1.5f).r4(-2.25f);
    b.mark().im.cn("volts");
    b.mark().im.cn("al");
    b.mark().im.u1(0);
    b.mark().im.u1(0xFE);
    b.mark().im.u1(3);
    b.mark().im.u1(0xFD);
    b.mark().r4(0.5f);
    b.mark().r4(4.0f);
    b.mark().r4(0.125f);
    b.mark().r4(0.25f);
    b.mark().im.u2(7).u2(8).u2(9);
    b.mark().im.cn("V");
    b.mark().im.cn("mA");
    b.mark().im.cn("%7.3f");
    b.mark().im.cn("%5.1f");
    b.mark().im.cn("");
    b.mark().r4(-1.0f);
    b.mark().r4(9.0f);
    return b;
}

Builder full_ftr(int cpu) {
    Builder b(cpu);
    b.im.u4(4321).u1(3).u1(4).u1(0x80);
    b.mark().im.u1(0);
    b.mark().im.u4(100);
    b.mark().im.u4(200);
    b.mark().im.u4(3);
    b.mark().im.u4(4);
    b.mark().im.u4(static_cast<uint32_t>(-5));
    b.mark().im.u4(6);
    b.mark().im.u2(static_cast<uint16_t>(-7));
    b.mark().im.u2(3);
    b.mark().im.u2(2);
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

// Decodes every cut of a complete record and checks each field: present exactly when
// it begins inside the record, its default when absent, its full value when whole.
template <class S, class Decode, class Valid>
void check_cuts(const Builder &b, uint8_t typ, uint8_t sub, const Fields<S> &fields,
                const std::vector<std::string> &defaults, Decode decode, Valid valid) {
    const Bytes rec = b.im.record(typ, sub);
    const kelvo_attributes &attr = attr_of(b.cpu);
    const uint32_t n = static_cast<uint32_t>(fields.size());
    ASSERT_EQ(b.off.size(), n);
    S whole{};
    decode(&whole, rec.data(), &attr, nullptr);
    std::vector<std::string> full;
    for (auto &f : fields) full.push_back(f(whole));
    for (uint32_t body = 0; body + 4 <= rec.size(); ++body) {
        Bytes img = cut(rec, body, b.cpu);
        S s;
        std::memset(&s, 0x5A, sizeof s);
        std::vector<uint32_t> st(n, 0xF0u | KELVO_PRESENT | KELVO_VALID);
        decode(&s, img.data(), &attr, st.data());
        EXPECT_EQ(s.REC_LEN, body);
        for (uint32_t i = 0; i < n; ++i) {
            SCOPED_TRACE("body " + std::to_string(body) + " field " + std::to_string(i));
            bool present = b.off[i] < body + 4;
            bool held = (i + 1 < n ? b.off[i + 1] : rec.size()) <= body + 4;
            EXPECT_EQ((st[i] & KELVO_PRESENT) != 0, present);
            EXPECT_EQ(st[i] & 0xF0u, 0xF0u);
            EXPECT_EQ((st[i] & KELVO_VALID) != 0, valid(s, i, present));
            if (!present) {
                EXPECT_EQ(fields[i](s), defaults[i]);
            } else if (held) {
                EXPECT_EQ(fields[i](s), full[i]);
            }
        }
    }
}

bool mpr_valid(const kelvo_mpr_struct &s, uint32_t i, bool present) {
    switch (i) {
    case 0: case 1: case 6: return true;
    case 2: case 14: return present && s.RTN_ICNT != 0;
    case 3: return present && s.RSLT_CNT != 0;
    case 4: return present && s.TEST_TXT.len; case 5: return present && s.ALARM_ID.len;
    case 15: return present && s.UNITS.len; case 16: return present && s.UNITS_IN.len;
    case 17: return present && s.C_RESFMT.len; case 18: return present && s.C_LLMFMT.len;
    case 19: return present && s.C_HLMFMT.len;
    default: return s.OPT_FLAG == 0;  // OPT_FLAG 0 when held, 255 when not
    }
}

bool ftr_valid(const kelvo_ftr_struct &s, uint32_t i, bool present) {
    switch (i) {
    case 0: case 8: case 9: return true;
    case 1: case 2: case 3: case 4: case 5: case 6: case 7: return s.OPT_FLAG == 0;
    case 10: case 11: return present && s.RTN_ICNT != 0;
    case 12: case 13: return present && s.PGM_ICNT != 0;
    case 14: return present && s.FAIL_PIN.bits != 0;
    case 15: return present && s.VECT_NAM.len; case 16: return present && s.TIME_SET.len;
    case 17: return present && s.OP_CODE.len; case 18: return present && s.TEST_TXT.len;
    case 19: return present && s.ALARM_ID.len; case 20: return present && s.PROG_TXT.len;
    case 21: return present && s.RSLT_TXT.len;
    case 22: return present && s.PATG_NUM != 255;
    default: return present && s.SPIN_MAP.bits != 0;
    }
}

// The bytes of one record written through the file API (header included).
template <class S, class Write>
Bytes write_one(S &s, Write write, int expect) {
    int result = 0;
    Bytes out = written([&](int h) { result = write(h, &s); });
    EXPECT_EQ(result, expect);
    return out;
}

std::string dump_of(const Bytes &file) {
    TempFile tmp(file);
    std::string cmd = std::string(KELVO_TOOLS_DIR) + "/kelvo-dump " + tmp.path();
    std::string out;
    if (FILE *p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

}  // namespace

// First in the file, so that the array buffer is still exactly this record's size and
// the address sanitizer sees any store past the layout of odd counts.
TEST(FtrArrays, OddCountsStayInsideTheArrayBuffer) {
    Bytes rec = Image().u4(1).u1(0).u1(0).u1(0).u1(0).bytes(Bytes(26, 0)).u2(1).u2(1)
                    .u2(0x1234).u1(0xB5).u2(0x5678).u1(0x7C).record(15, 20);
    kelvo_ftr_struct f{};
    kelvo_ftr_to_struct(&f, rec.data(), &kLe, nullptr);
    auto *base = reinterpret_cast<uint8_t *>(f.RTN_INDX);
    EXPECT_EQ(f.RTN_STAT - base, 2);
    EXPECT_EQ(reinterpret_cast<uint8_t *>(f.PGM_INDX) - base, 8);  // next 4-byte step after 4 bytes
    EXPECT_EQ(f.PGM_STAT - base, 10);
    EXPECT_EQ(f.RTN_INDX[0], 0x1234);
    EXPECT_EQ(f.RTN_STAT[0], 5);
    EXPECT_EQ(f.RTN_STAT[1], 0xB);  // the odd count's spare nibble is stored too
    EXPECT_EQ(f.PGM_INDX[0], 0x5678);
    EXPECT_EQ(f.PGM_STAT[0], 0xC);
    EXPECT_EQ(f.PGM_STAT[1], 7);
}

TEST(Mpr, WrittenImages) {
    kelvo_mpr_struct m{};
    m.TEST_NUM = 0x01020304;
    m.HEAD_NUM = 1;
    m.SITE_NUM = 2;
    m.LO_LIMIT = 1.0f;
    // OPT_FLAG 0, no arrays, no texts: every field, seven zero length bytes.
    Bytes out = write_one(m, kelvo_mprwrite, 51);
    Bytes expect = Image().u4(0x01020304).u1(1).u1(2).u1(0).u1(0).u2(0).u2(0).u1(0).u1(0).u1(0)
                       .bytes({0, 0, 0}).r4(1.0f).r4(0).r4(0).r4(0).bytes({0, 0, 0, 0, 0}).r4(0).r4(0)
                       .record(15, 15);
    EXPECT_EQ(out, expect);
    EXPECT_EQ(m.REC_LEN, 47);
    EXPECT_EQ(m.REC_TYP, 15);
    EXPECT_EQ(m.REC_SUB, 15);
    // OPT_FLAG 255: only the fixed fields; two results bring the counts along.
    m.OPT_FLAG = 255;
    EXPECT_EQ(write_one(m, kelvo_mprwrite, 12).size(), 12u);
    float res[2] = {2.0f, -1.0f};
    m.RSLT_CNT = 2;
    m.RTN_RSLT = res;
    EXPECT_EQ(write_one(m, kelvo_mprwrite, 24),
              Image().u4(0x01020304).u1(1).u1(2).u1(0).u1(0).u2(0).u2(2).r4(2.0f).r4(-1.0f).record(15, 15));
    // One index forces everything before RTN_INDX, but none of the texts after it.
    uint8_t st[3] = {1, 2, 3};
    uint16_t ix[3] = {7, 8, 0xABCD};
    m.RSLT_CNT = 0;
    m.RTN_ICNT = 1;
    m.RTN_STAT = st;
    m.RTN_INDX = ix;
    out = write_one(m, kelvo_mprwrite, 41);
    EXPECT_EQ(m.REC_LEN, 37);
    EXPECT_EQ(out[16], 1);                      // the single state
    EXPECT_EQ(out[19], 255);                    // OPT_FLAG
    EXPECT_EQ(Bytes(out.end() - 2, out.end()), (Bytes{7, 0}));
    // Three states pack into 0x21 0x03.
    m.RTN_ICNT = 3;
    out = write_one(m, kelvo_mprwrite, 46);
    EXPECT_EQ(Bytes(out.begin() + 16, out.begin() + 18), (Bytes{0x21, 0x03}));
    EXPECT_EQ(Bytes(out.end() - 6, out.end()), (Bytes{7, 0, 8, 0, 0xCD, 0xAB}));
    // Null arrays with counts are written as missing values: states and indexes 0, NaN results.
    m.RTN_STAT = nullptr;
    m.RTN_INDX = nullptr;
    m.RTN_RSLT = nullptr;
    m.RSLT_CNT = 1;
    out = write_one(m, kelvo_mprwrite, 50);
    EXPECT_EQ(Bytes(out.begin() + 16, out.begin() + 22), (Bytes{0, 0, 0x00, 0x00, 0xC0, 0xFF}));
    EXPECT_EQ(Bytes(out.end() - 6, out.end()), Bytes(6, 0));
    // HI_SPEC not valid, LO_SPEC valid: the record ends with LO_SPEC.
    kelvo_mpr_struct s{};
    s.OPT_FLAG = 0x08;
    s.LO_SPEC = 3.0f;
    out = write_one(s, kelvo_mprwrite, 47);
    EXPECT_EQ(Bytes(out.end() - 4, out.end()), (Bytes{0, 0, 0x40, 0x40}));
    // START_IN alone keeps everything up to INCR_IN; texts are clamped to 255.
    std::string longtext(300, 'u');
    s = {};
    s.OPT_FLAG = 0xFD;
    s.TEST_TXT.str = longtext.data();
    EXPECT_EQ(kelvo_mpr_size(&s), 4 + 8 + 4 + 256 + 1 + 2 + 2 + 16);
    EXPECT_EQ(s.TEST_TXT.len, 255);
    EXPECT_EQ(kelvo_mprwrite(-1, &s), -1);
}

TEST(Mpr, LargestAndTooLargeRecords) {
    std::vector<float> res(20000, 1.0f);
    kelvo_mpr_struct m{};
    m.OPT_FLAG = 255;
    m.RSLT_CNT = 16380;
    m.RTN_RSLT = res.data();
    m.TEST_TXT.str = const_cast<char *>("ab");
    Bytes out = write_one(m, kelvo_mprwrite, 65539);
    ASSERT_EQ(out.size(), 65539u);
    kelvo_mpr_struct back{};
    kelvo_mpr_to_struct(&back, out.data(), &kLe, nullptr);
    EXPECT_EQ(back.REC_LEN, 65535);
    EXPECT_EQ(back.RTN_RSLT[16379], 1.0f);
    EXPECT_EQ(text(back.TEST_TXT), "'ab'");
    // One byte more is not written at all.
    m.TEST_TXT.str = const_cast<char *>("abc");
    EXPECT_TRUE(write_one(m, kelvo_mprwrite, 0).empty());
    m.RSLT_CNT = 20000;
    EXPECT_TRUE(write_one(m, kelvo_mprwrite, 0).empty());
}

TEST(Mpr, CompleteRecordInEveryByteOrder) {
    for (int cpu : {2, 1, 0}) {
        SCOPED_TRACE(cpu);
        Bytes rec = full_mpr(cpu).im.record(15, 15);
        kelvo_mpr_struct m{};
        uint32_t st[22] = {};
        kelvo_mpr_to_struct(&m, rec.data(), &attr_of(cpu), st);
        EXPECT_EQ(m.REC_LEN, rec.size() - 4);
        EXPECT_EQ(m.TEST_NUM, 1234u);
        EXPECT_EQ(m.PARM_FLG, 0x40);
        EXPECT_EQ(list(m.RTN_STAT, 4), "[1,2,3,10,]");  // the spare high nibble is stored too
        EXPECT_EQ(m.RTN_RSLT[0], 1.5f);
        EXPECT_EQ(m.RTN_RSLT[1], -2.25f);
        EXPECT_EQ(m.RES_SCAL, -2);
        EXPECT_EQ(m.HLM_SCAL, -3);
        EXPECT_EQ(m.START_IN, 0.125f);
        EXPECT_EQ(m.INCR_IN, 0.25f);
        EXPECT_EQ(list(m.RTN_INDX, 3), "[7,8,9,]");
        EXPECT_EQ(text(m.C_RESFMT), "'%7.3f'");
        EXPECT_EQ(m.LO_SPEC, -1.0f);
        EXPECT_EQ(m.HI_SPEC, 9.0f);
        // Results on the next 4-byte step after the 4 unpacked states, indexes 4 bytes after the results.
        EXPECT_EQ(reinterpret_cast<uint8_t *>(m.RTN_RSLT) - m.RTN_STAT, 8);
        EXPECT_EQ(reinterpret_cast<uint8_t *>(m.RTN_INDX) - reinterpret_cast<uint8_t *>(m.RTN_RSLT), 12);
        for (int i = 0; i < 22; ++i) EXPECT_EQ(st[i] & KELVO_PRESENT, KELVO_PRESENT) << i;
        EXPECT_EQ(st[19], KELVO_PRESENT);  // C_HLMFMT is empty
    }
    // Even and zero state counts still step at least one byte.
    kelvo_mpr_struct m{};
    Bytes rec = Image().u4(1).u4(0).u2(2).u2(1).u1(0x21).r4(5.0f).record(15, 15);
    kelvo_mpr_to_struct(&m, rec.data(), &kLe, nullptr);
    EXPECT_EQ(reinterpret_cast<uint8_t *>(m.RTN_RSLT) - m.RTN_STAT, 4);
    rec = Image().u4(1).u4(0).u2(0).u2(1).r4(5.0f).record(15, 15);
    kelvo_mpr_to_struct(&m, rec.data(), &kLe, nullptr);
    EXPECT_EQ(reinterpret_cast<uint8_t *>(m.RTN_RSLT) - m.RTN_STAT, 4);
    EXPECT_EQ(m.RTN_RSLT[0], 5.0f);
}

TEST(Mpr, ShortRecordsFieldByField) {
    for (int cpu : {2, 1, 0}) {
        SCOPED_TRACE(cpu);
        check_cuts<kelvo_mpr_struct>(full_mpr(cpu), 15, 15, kMprFields, kMprDefaults, kelvo_mpr_to_struct,
                                     mpr_valid);
    }
    // Shorter than the leading block: the bytes not held read as zero.
    Bytes rec = {3, 0, 15, 15, 0x11, 0x22, 0x33};
    kelvo_mpr_struct m{};
    kelvo_mpr_to_struct(&m, rec.data(), &kLe, nullptr);
    EXPECT_EQ(m.TEST_NUM, 0x332211u);
    EXPECT_EQ(m.HEAD_NUM, 0);
    EXPECT_TRUE(is_missing_nan(m.HI_SPEC));
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
        kelvo_mpr_to_struct(&m, rec.data(), &kLe, st);
        for (auto [word, mask] : {std::pair{7, 0x01}, {8, 0x50}, {9, 0xA0}, {10, 0x50}, {11, 0xA0}, {12, 0x02},
                                  {13, 0x02}, {20, 0x04}, {21, 0x08}})
            EXPECT_EQ(st[word], KELVO_PRESENT | ((opt & mask) ? 0u : KELVO_VALID)) << word;
        rec = fb.im.record(15, 20);
        rec[fb.off[0]] = opt;
        kelvo_ftr_struct f{};
        uint32_t fst[24] = {};
        kelvo_ftr_to_struct(&f, rec.data(), &kBe, fst);
        for (auto [word, mask] : {std::pair{1, 0x01}, {2, 0x02}, {3, 0x04}, {4, 0x08}, {5, 0x10}, {6, 0x10}, {7, 0x20}})
            EXPECT_EQ(fst[word], KELVO_PRESENT | ((opt & mask) ? 0u : KELVO_VALID)) << word;
        EXPECT_EQ(f.OPT_FLAG, opt);
    }
}

TEST(Mpr, HostileCounts) {
    // Huge counts in a short record: states not held are 0, and the results begin past the end.
    Bytes rec = Image().u4(1).u4(0).u2(65535).u2(65535).bytes({0x21, 0x43}).record(15, 15);
    kelvo_mpr_struct m{};
    uint32_t st[22] = {};
    kelvo_mpr_to_struct(&m, rec.data(), &kLe, st);
    EXPECT_EQ(m.RTN_ICNT, 65535);
    EXPECT_EQ(m.RTN_STAT[3], 4);
    EXPECT_EQ(m.RTN_STAT[4], 0);
    EXPECT_EQ(m.RTN_STAT[65534], 0);
    EXPECT_EQ(m.RTN_RSLT, nullptr);
    EXPECT_EQ(st[2], KELVO_PRESENT | KELVO_VALID);
    EXPECT_EQ(st[3], 0u);
    // Such a structure is too large to write back.
    EXPECT_TRUE(write_one(m, kelvo_mprwrite, 0).empty());
    // Results not held are the missing NaN.
    rec = Image().u4(1).u4(0).u2(1).u2(65535).u1(0x05).r4(2.0f).u1(0x40).record(15, 15);
    kelvo_mpr_to_struct(&m, rec.data(), &kLe, st);
    EXPECT_EQ(m.RTN_RSLT[0], 2.0f);
    EXPECT_TRUE(is_missing_nan(m.RTN_RSLT[1]));
    EXPECT_TRUE(is_missing_nan(m.RTN_RSLT[65534]));
    EXPECT_EQ(m.RTN_INDX, nullptr);
    EXPECT_EQ(st[3], KELVO_PRESENT | KELVO_VALID);
    EXPECT_EQ(st[4], 0u);

    // RTN_INDX begun inside the longest record and running far past its end.
    Image im;
    im.u4(2).u4(0).u2(65535).u2(0).bytes(Bytes(32768, 0x11)).u1(0).u1(0).u1(0).bytes(Bytes(19, 0));
    uint32_t index_at = static_cast<uint32_t>(im.body().size()) + 4;
    while (im.body().size() < 65535) im.u1(0x01);
    rec = im.record(15, 15);
    kelvo_mpr_to_struct(&m, rec.data(), &kLe, st);
    ASSERT_NE(m.RTN_INDX, nullptr);
    uint32_t held = (65539 - index_at) / 2;
    EXPECT_EQ(m.RTN_INDX[0], 0x0101);
    EXPECT_EQ(m.RTN_INDX[held - 1], 0x0101);
    EXPECT_EQ(m.RTN_INDX[held], 0);  // the last byte alone is not an element
    EXPECT_EQ(m.RTN_INDX[65534], 0);
    EXPECT_EQ(m.RTN_STAT[65534], 1);
    EXPECT_EQ(st[14], KELVO_PRESENT | KELVO_VALID);
    EXPECT_EQ(st[15], 0u);
    EXPECT_EQ(text(m.UNITS), "''");

    // A text whose length runs past the end is cut to the bytes held.
    rec = Image().u4(1).u4(0).u2(0).u2(0).u1(200).raw("abc").record(15, 15);
    kelvo_mpr_to_struct(&m, rec.data(), &kLe, st);
    EXPECT_EQ(text(m.TEST_TXT), "'abc'");
    EXPECT_EQ(st[5], 0u);
}

TEST(Mpr, BufReadPacksTextsAndIgnoresVersion) {
    Bytes rec = full_mpr(2).im.record(15, 15);
    Bytes early = Image().u4(1).u4(0).u2(0).u2(0).record(15, 15);  // ends before TEST_TXT
    TempFile tmp;
    int h = open_bytes(concat({far_record(2, 3), rec, early}), tmp);
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    ASSERT_EQ(kelvo_farread(h, &hd, &far), 2);
    hd = next_header(h);
    kelvo_mpr_struct m{};
    uint32_t st[22] = {};
    // MPR decodes with its own decoder on a version-3 handle too.
    ASSERT_EQ(kelvo_mprbuf_read(h, &hd, &m, st), static_cast<int>(rec.size() - 4));
    const kelvo_cn *texts[] = {&m.TEST_TXT, &m.ALARM_ID, &m.UNITS, &m.UNITS_IN, &m.C_RESFMT, &m.C_LLMFMT, &m.C_HLMFMT};
    const char *want[] = {"volts", "al", "V", "mA", "%7.3f", "%5.1f", ""};
    for (int i = 0; i < 7; ++i) {
        EXPECT_STREQ(texts[i]->str, want[i]);
        if (i) { EXPECT_EQ(texts[i]->str, texts[i - 1]->str + texts[i - 1]->len + 1); }
    }
    EXPECT_EQ(list(m.RTN_INDX, 3), "[7,8,9,]");
    // Copying a copy again keeps it.
    ASSERT_EQ(kelvo_mpr_buf(&m), 1);
    EXPECT_STREQ(m.UNITS_IN.str, "mA");
    // A record that ends before its texts, into a freshly allocated string buffer.
    kelvo_free();
    hd = next_header(h);
    ASSERT_EQ(kelvo_mprbuf_read(h, &hd, &m, st), 12);
    for (int i = 0; i < 7; ++i) {
        EXPECT_STREQ(texts[i]->str, "");
        if (i) { EXPECT_EQ(texts[i]->str, texts[i - 1]->str + 1); }
    }
    EXPECT_EQ(kelvo_mprread(h, &hd, &m, st), 0);  // end of file
    kelvo_close(h);
    // Texts a caller set (not from a record) are copied one by one.
    kelvo_mpr_struct c{};
    c.TEST_TXT = {3, const_cast<char *>("xyz")};
    c.C_HLMFMT = {2, const_cast<char *>("hi")};
    ASSERT_EQ(kelvo_mpr_buf(&c), 1);
    EXPECT_STREQ(c.TEST_TXT.str, "xyz");
    EXPECT_STREQ(c.ALARM_ID.str, "");
    EXPECT_STREQ(c.C_HLMFMT.str, "hi");
}

TEST(Ftr, WrittenImages) {
    kelvo_ftr_struct f{};
    Bytes out = write_one(f, kelvo_ftrwrite, 52);
    Bytes expect = Image().u4(0).u1(0).u1(0).u1(0).bytes(Bytes(27, 0)).u2(0).u2(0).u2(0).bytes(Bytes(7, 0))
                       .u1(0).record(15, 20);
    EXPECT_EQ(out, expect);
    EXPECT_EQ(f.REC_LEN, 48);
    f.OPT_FLAG = 255;
    f.PATG_NUM = 255;
    EXPECT_EQ(write_one(f, kelvo_ftrwrite, 11).size(), 11u);
    // Without anything after the fixed numbers the record ends where OPT_FLAG says.
    for (auto [opt, len] : {std::pair{0xFE, 12}, {0xDF, 34}, {0xFD, 16}, {0xFB, 20}, {0xF7, 24}, {0xEF, 32},
                            {0xC0, 34}}) {
        f.OPT_FLAG = static_cast<uint8_t>(opt);
        EXPECT_EQ(kelvo_ftr_size(&f), len + 4) << opt;
    }
    f.OPT_FLAG = 255;
    // Program states alone: both counts, an empty RTN_INDX and RTN_STAT, then PGM_INDX and PGM_STAT.
    uint16_t pix[2] = {5, 6};
    uint8_t pst[2] = {0x1F, 0x02};
    f.PGM_ICNT = 2;
    f.PGM_INDX = pix;
    f.PGM_STAT = pst;
    out = write_one(f, kelvo_ftrwrite, 47);
    EXPECT_EQ(f.REC_LEN, 43);
    EXPECT_EQ(Bytes(out.end() - 9, out.end()), (Bytes{0, 0, 2, 0, 5, 0, 6, 0, 0x2F}));
    // Three return states pack into 0x21 0x03; a null FAIL_PIN with bits is written as 0 bits.
    uint16_t rix[3] = {1, 2, 3};
    uint8_t rst[3] = {1, 2, 3};
    f.PGM_ICNT = 0;
    f.RTN_ICNT = 3;
    f.RTN_INDX = rix;
    f.RTN_STAT = rst;
    f.FAIL_PIN.bits = 12;
    f.PATG_NUM = 7;
    out = write_one(f, kelvo_ftrwrite, 4 + 38 + 6 + 2 + 2 + 7 + 1);
    EXPECT_EQ(f.FAIL_PIN.bits, 0);
    EXPECT_EQ(Bytes(out.begin() + 42, out.begin() + 52), (Bytes{1, 0, 2, 0, 3, 0, 0x21, 0x03, 0, 0}));
    EXPECT_EQ(out.back(), 7);
    // Bit strings keep only their bits; SPIN_MAP brings PATG_NUM 255 along.
    uint8_t pins[2] = {0xAB, 0xFF};
    f = {};
    f.OPT_FLAG = 255;
    f.PATG_NUM = 255;
    f.FAIL_PIN = {11, pins};
    out = write_one(f, kelvo_ftrwrite, 4 + 38 + 4 + 0);
    EXPECT_EQ(Bytes(out.end() - 4, out.end()), (Bytes{11, 0, 0xAB, 0xE0}));
    f.SPIN_MAP = {3, pins};
    out = write_one(f, kelvo_ftrwrite, 4 + 38 + 4 + 7 + 1 + 3);
    EXPECT_EQ(Bytes(out.end() - 4, out.end()), (Bytes{255, 3, 0, 0xA0}));
    // Without SPIN_MAP bits neither it nor PATG_NUM 255 is written: the record ends with RSLT_TXT.
    f.SPIN_MAP = {0, pins};
    f.RSLT_TXT.str = const_cast<char *>("bad");
    out = write_one(f, kelvo_ftrwrite, 4 + 38 + 4 + 6 + 4);
    EXPECT_EQ(Bytes(out.end() - 4, out.end()), (Bytes{3, 'b', 'a', 'd'}));
    f.SPIN_MAP = {16, nullptr};
    EXPECT_EQ(kelvo_ftr_size(&f), 4 + 38 + 4 + 6 + 4);
    EXPECT_EQ(kelvo_ftrwrite(-1, &f), -1);
    // Null arrays with counts are written as zeros; too large a record is not written.
    f = {};
    f.RTN_ICNT = 3;
    out = write_one(f, kelvo_ftrwrite, 4 + 38 + 8 + 2 + 7 + 1);
    EXPECT_EQ(Bytes(out.begin() + 42, out.begin() + 50), Bytes(8, 0));
    f.RTN_ICNT = 30000;
    f.PGM_ICNT = 30000;
    EXPECT_TRUE(write_one(f, kelvo_ftrwrite, 0).empty());
}

TEST(Ftr, CompleteRecordAndByteOrders) {
    for (int cpu : {2, 1, 0}) {
        SCOPED_TRACE(cpu);
        Bytes rec = full_ftr(cpu).im.record(15, 20);
        kelvo_ftr_struct f{};
        uint32_t st[24] = {};
        kelvo_ftr_to_struct(&f, rec.data(), &attr_of(cpu), st);
        EXPECT_EQ(f.REC_LEN, rec.size() - 4);
        EXPECT_EQ(f.TEST_NUM, 4321u);
        EXPECT_EQ(f.TEST_FLG, 0x80);
        EXPECT_EQ(f.REL_VADR, 200u);
        EXPECT_EQ(f.XFAIL_AD, -5);
        EXPECT_EQ(f.VECT_OFF, -7);
        EXPECT_EQ(list(f.RTN_INDX, 3), "[10,11,12,]");
        EXPECT_EQ(list(f.RTN_STAT, 4), "[1,2,3,5,]");
        EXPECT_EQ(list(f.PGM_INDX, 2), "[20,21,]");
        EXPECT_EQ(list(f.PGM_STAT, 2), "[8,9,]");
        EXPECT_EQ(dn(f.FAIL_PIN), "11:171,224,");
        EXPECT_EQ(text(f.TIME_SET), "'ts1'");
        EXPECT_EQ(text(f.RSLT_TXT), "'rslt'");
        EXPECT_EQ(f.PATG_NUM, 4);
        EXPECT_EQ(dn(f.SPIN_MAP), "9:255,128,");
        for (int i = 0; i < 24; ++i) EXPECT_EQ(st[i], KELVO_PRESENT | KELVO_VALID) << i;
        // PGM_INDX on the 4-byte step after RTN_INDX and the 4 unpacked states.
        EXPECT_EQ(reinterpret_cast<uint8_t *>(f.PGM_INDX) - reinterpret_cast<uint8_t *>(f.RTN_INDX), 12);
    }
}

TEST(Ftr, ShortRecordsFieldByField) {
    for (int cpu : {2, 1}) {
        SCOPED_TRACE(cpu);
        check_cuts<kelvo_ftr_struct>(full_ftr(cpu), 15, 20, kFtrFields, kFtrDefaults, kelvo_ftr_to_struct,
                                     ftr_valid);
    }
    // OPT_FLAG 0x10 alone: the flag-driven valid bits without the fields.
    Bytes rec = Image().u4(1).u1(0).u1(0).u1(0).u1(0x10).record(15, 20);
    kelvo_ftr_struct f{};
    uint32_t st[24] = {};
    kelvo_ftr_to_struct(&f, rec.data(), &kLe, st);
    for (int i : {1, 2, 3, 4, 7}) EXPECT_EQ(st[i], KELVO_VALID) << i;
    EXPECT_EQ(st[5], 0u);
    EXPECT_EQ(st[6], 0u);
    EXPECT_EQ(f.NUM_FAIL, 0xFFFFFFFFu);
    EXPECT_EQ(st[8], KELVO_VALID);
}

TEST(Ftr, HostileCounts) {
    // RTN_ICNT 65535 in a short record: indexes not held read 0, the rest is absent.
    Bytes rec = Image().u4(1).u1(0).u1(0).u1(0).u1(0).bytes(Bytes(26, 0)).u2(65535).u2(65535).u2(9).u1(1)
                    .record(15, 20);
    kelvo_ftr_struct f{};
    uint32_t st[24] = {};
    kelvo_ftr_to_struct(&f, rec.data(), &kLe, st);
    EXPECT_EQ(f.RTN_INDX[0], 9);
    EXPECT_EQ(f.RTN_INDX[1], 0);
    EXPECT_EQ(f.RTN_INDX[65534], 0);
    EXPECT_EQ(f.RTN_STAT, nullptr);
    EXPECT_EQ(f.PGM_INDX, nullptr);
    EXPECT_EQ(st[11], 0u);
    EXPECT_TRUE(write_one(f, kelvo_ftrwrite, 0).empty());
    // PGM_INDX begun in the longest record, its states beyond the end.
    Image im;
    im.u4(1).u1(0).u1(0).u1(0).u1(0).bytes(Bytes(26, 0)).u2(1).u2(65535).u2(4).u1(0x0F);
    while (im.body().size() < 65535) im.u1(0x02);
    rec = im.record(15, 20);
    kelvo_ftr_to_struct(&f, rec.data(), &kLe, st);
    EXPECT_EQ(f.RTN_STAT[0], 0xF);
    EXPECT_EQ(f.PGM_INDX[0], 0x0202);
    EXPECT_EQ(f.PGM_INDX[32746], 0x0202);
    EXPECT_EQ(f.PGM_INDX[32747], 0);
    EXPECT_EQ(f.PGM_INDX[65534], 0);
    EXPECT_EQ(f.PGM_STAT, nullptr);
    EXPECT_EQ(st[12], KELVO_PRESENT | KELVO_VALID);
    // Bit strings and texts that run past the end are cut to the bytes held.
    rec = Image().u4(1).u1(0).u1(0).u1(0).u1(0).bytes(Bytes(26, 0)).u2(0).u2(0).u2(65535).bytes({1, 2, 3})
              .record(15, 20);
    kelvo_ftr_to_struct(&f, rec.data(), &kLe, st);
    EXPECT_EQ(dn(f.FAIL_PIN), "24:1,2,3,");
    EXPECT_EQ(text(f.VECT_NAM), "''");
    rec = Image(1).u4(1).u1(0).u1(0).u1(0).u1(0).bytes(Bytes(26, 0)).u2(0).u2(0).u2(0).cn("v").u1(9).raw("ab")
              .record(15, 20);
    kelvo_ftr_to_struct(&f, rec.data(), &kBe, st);
    EXPECT_EQ(text(f.TIME_SET), "'ab'");
    EXPECT_EQ(f.OP_CODE.len, 0);
    EXPECT_EQ(st[17], 0u);
    // Shorter than the leading block.
    rec = {2, 0, 15, 20, 0x7F, 0x01};
    kelvo_ftr_to_struct(&f, rec.data(), &kLe, st);
    EXPECT_EQ(f.TEST_NUM, 0x017Fu);
    EXPECT_EQ(f.OPT_FLAG, 255);
    EXPECT_EQ(st[0], KELVO_VALID);
}

TEST(Ftr, BufReadAndVersionDispatch) {
    Bytes rec = full_ftr(2).im.record(15, 20);
    for (int version : {4, 3, 0}) {
        SCOPED_TRACE(version);
        TempFile tmp;
        int h = open_bytes(version ? concat({far_record(2, version), rec}) : rec, tmp);
        kelvo_header hd = next_header(h);
        kelvo_far_struct far;
        if (version) {
            ASSERT_EQ(kelvo_farread(h, &hd, &far), 2);
            hd = next_header(h);
        }
        kelvo_ftr_struct f{};
        uint32_t st[24] = {};
        ASSERT_EQ(kelvo_ftrbuf_read(h, &hd, &f, st), static_cast<int>(rec.size() - 4));
        EXPECT_EQ(f.REC_LEN, rec.size() - 4);
        if (version == 4) {
            const kelvo_cn *t[] = {&f.VECT_NAM, &f.TIME_SET, &f.OP_CODE, &f.TEST_TXT, &f.ALARM_ID, &f.PROG_TXT, &f.RSLT_TXT};
            const char *want[] = {"vec", "ts1", "op", "test", "al", "prog", "rslt"};
            for (int i = 0; i < 7; ++i) {
                EXPECT_STREQ(t[i]->str, want[i]);
                if (i) { EXPECT_EQ(t[i]->str, t[i - 1]->str + t[i - 1]->len + 1); }
            }
            EXPECT_EQ(dn(f.FAIL_PIN), "11:171,224,");
        } else {
            // A version-3 record is not taken for a version-4 one: no field is decoded.
            EXPECT_EQ(f.OPT_FLAG, 255);
            EXPECT_EQ(f.RTN_INDX, nullptr);
            EXPECT_EQ(text(f.RSLT_TXT), "''");
            EXPECT_EQ(st[0], KELVO_VALID);
            EXPECT_EQ(st[23], 0u);
        }
        kelvo_close(h);
    }
    // A record that ends before its texts, into a freshly allocated string buffer.
    kelvo_free();
    TempFile tmp;
    int h = open_bytes(concat({far_record(1), Image(1).u4(1).u1(0).u1(0).u1(0).u1(0xFE).u4(77).record(15, 20)}), tmp);
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    kelvo_farread(h, &hd, &far);
    hd = next_header(h);
    kelvo_ftr_struct f{};
    ASSERT_EQ(kelvo_ftrbuf_read(h, &hd, &f, nullptr), 12);
    EXPECT_EQ(f.CYCL_CNT, 77u);
    EXPECT_STREQ(f.VECT_NAM.str, "");
    EXPECT_EQ(f.RSLT_TXT.str, f.VECT_NAM.str + 6);
    EXPECT_EQ(kelvo_ftrread(h, &hd, &f, nullptr), 0);
    kelvo_close(h);
    EXPECT_EQ(kelvo_ftrread(h, &hd, &f, nullptr), 0);
}

namespace {

std::mt19937 rng(20240607);

uint32_t pick(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(rng); }

// Random texts, arrays and flags; some arrays null with their counts set.
struct Pool {
    std::vector<std::string> texts;
    std::vector<std::vector<uint8_t>> bytes;
    std::vector<std::vector<uint16_t>> shorts;
    std::vector<std::vector<float>> floats;
    void text(kelvo_cn &s) {
        if (pick(3) == 0) return void(s = {0, nullptr});
        std::string t;
        for (uint32_t n = pick(12); n; --n) t += static_cast<char>('!' + pick(90));
        texts.push_back(t);
        s = {0, texts.back().data()};
    }
    template <class T>
    T *array(std::vector<std::vector<T>> &store, uint32_t n, uint32_t range) {
        if (pick(6) == 0) return nullptr;
        std::vector<T> v(n);
        for (auto &x : v) x = static_cast<T>(pick(range));
        store.push_back(v);
        return store.back().data();
    }
    float *reals(uint32_t n) {
        if (pick(6) == 0) return nullptr;
        std::vector<float> v(n);
        for (auto &x : v) x = static_cast<float>(static_cast<int>(pick(20000)) - 10000) / 64.0f;
        floats.push_back(v);
        return floats.back().data();
    }
    Pool() { texts.reserve(64), bytes.reserve(64), shorts.reserve(64), floats.reserve(64); }
};

float real() { return pick(5) == 0 ? -0.0f : static_cast<float>(pick(1000)) / 8.0f; }

// Writes `s`, reads it back, writes again: the same bytes; every field the record
// holds equals what was written, every field it leaves off could be left off.
template <class S, class Fields, class Size, class Mem, class Decode, class Buf, class Omittable>
void round_trip(S &s, const Fields &fields, Size size, Mem mem, Decode decode, Buf buf, Omittable omittable) {
    int total = size(&s);
    ASSERT_GE(total, 8);
    Bytes out(static_cast<size_t>(total));
    mem(&s, out.data());
    S back{};
    std::vector<uint32_t> st(fields.size(), 0);
    decode(&back, out.data(), &kLe, st.data());
    for (size_t i = 0; i < fields.size(); ++i) {
        if (st[i] & KELVO_PRESENT) {
            S ref = s;  // null arrays read back as their missing values
            EXPECT_EQ(fields[i](back).find("null"), std::string::npos) << i;
            if (fields[i](ref).find("null") == std::string::npos) {
                EXPECT_EQ(fields[i](back), fields[i](ref)) << i;
            }
        } else {
            EXPECT_TRUE(omittable(s, i)) << i;
        }
    }
    ASSERT_EQ(buf(&back), 1);  // texts NUL-terminated, as a writer takes them
    ASSERT_EQ(size(&back), total);
    Bytes again(static_cast<size_t>(total));
    mem(&back, again.data());
    EXPECT_EQ(again, out);
}

}  // namespace

TEST(RoundTrip, GeneratedMpr) {
    for (int n = 0; n < 400; ++n) {
        SCOPED_TRACE(n);
        Pool pool;
        kelvo_mpr_struct m{};
        m.TEST_NUM = static_cast<uint32_t>(rng());
        m.HEAD_NUM = static_cast<uint8_t>(pick(256));
        m.TEST_FLG = static_cast<uint8_t>(pick(256));
        m.PARM_FLG = static_cast<uint8_t>(pick(256));
        m.RTN_ICNT = static_cast<uint16_t>(pick(3) ? 0 : pick(7));
        m.RSLT_CNT = static_cast<uint16_t>(pick(3) ? 0 : pick(7));
        m.RTN_STAT = pool.array(pool.bytes, m.RTN_ICNT, 16);
        m.RTN_RSLT = pool.reals(m.RSLT_CNT);
        m.RTN_INDX = pool.array(pool.shorts, m.RTN_ICNT, 65536);
        for (kelvo_cn *t : {&m.TEST_TXT, &m.ALARM_ID, &m.UNITS, &m.UNITS_IN, &m.C_RESFMT, &m.C_LLMFMT, &m.C_HLMFMT})
            if (pick(2)) pool.text(*t);
        m.OPT_FLAG = static_cast<uint8_t>(pick(2) ? 0xFF ^ (1u << pick(8)) : pick(256));
        m.RES_SCAL = static_cast<int8_t>(pick(256));
        m.LLM_SCAL = static_cast<int8_t>(pick(256));
        m.HLM_SCAL = static_cast<int8_t>(pick(256));
        for (float *r : {&m.LO_LIMIT, &m.HI_LIMIT, &m.START_IN, &m.INCR_IN, &m.LO_SPEC, &m.HI_SPEC}) *r = real();
        round_trip(m, kMprFields, kelvo_mpr_size, kelvo_mpr_to_memory, kelvo_mpr_to_struct, kelvo_mpr_buf,
                   [](const kelvo_mpr_struct &s, size_t i) {
                       const uint8_t o = s.OPT_FLAG;
                       switch (i) {
                       case 0: case 2: case 14: return s.RTN_ICNT == 0;
                       case 1: case 3: return s.RSLT_CNT == 0;
                       case 4: return s.TEST_TXT.len == 0; case 5: return s.ALARM_ID.len == 0;
                       case 6: case 7: return (o & 0x01) != 0;
                       case 8: case 10: return (o & 0x50) != 0;
                       case 9: case 11: return (o & 0xA0) != 0;
                       case 12: case 13: return (o & 0x02) != 0;
                       case 15: return s.UNITS.len == 0; case 16: return s.UNITS_IN.len == 0;
                       case 17: return s.C_RESFMT.len == 0; case 18: return s.C_LLMFMT.len == 0;
                       case 19: return s.C_HLMFMT.len == 0;
                       case 20: return (o & 0x04) != 0;
                       default: return (o & 0x08) != 0;
                       }
                   });
        if (n % 50 == 0) {
            // Through the file API as well.
            Bytes out = write_one(m, kelvo_mprwrite, m.REC_LEN + 4);
            TempFile tmp;
            int h = open_bytes(out, tmp);
            kelvo_header hd = next_header(h);
            kelvo_mpr_struct back{};
            EXPECT_EQ(kelvo_mprbuf_read(h, &hd, &back, nullptr), m.REC_LEN);
            kelvo_close(h);
            EXPECT_EQ(write_one(back, kelvo_mprwrite, m.REC_LEN + 4), out);
        }
    }
}

TEST(RoundTrip, GeneratedFtr) {
    for (int n = 0; n < 400; ++n) {
        SCOPED_TRACE(n);
        Pool pool;
        kelvo_ftr_struct f{};
        f.TEST_NUM = static_cast<uint32_t>(rng());
        f.SITE_NUM = static_cast<uint8_t>(pick(256));
        f.TEST_FLG = static_cast<uint8_t>(pick(256));
        f.OPT_FLAG = static_cast<uint8_t>(pick(2) ? 0xFF ^ (1u << pick(8)) : pick(256));
        for (uint32_t *u : {&f.CYCL_CNT, &f.REL_VADR, &f.REPT_CNT, &f.NUM_FAIL}) *u = static_cast<uint32_t>(rng());
        f.XFAIL_AD = static_cast<int32_t>(rng());
        f.YFAIL_AD = static_cast<int32_t>(rng());
        f.VECT_OFF = static_cast<int16_t>(pick(65536));
        f.RTN_ICNT = static_cast<uint16_t>(pick(3) ? 0 : pick(7));
        f.PGM_ICNT = static_cast<uint16_t>(pick(3) ? 0 : pick(7));
        f.RTN_INDX = pool.array(pool.shorts, f.RTN_ICNT, 65536);
        f.RTN_STAT = pool.array(pool.bytes, f.RTN_ICNT, 16);
        f.PGM_INDX = pool.array(pool.shorts, f.PGM_ICNT, 65536);
        f.PGM_STAT = pool.array(pool.bytes, f.PGM_ICNT, 16);
        for (kelvo_dn *d : {&f.FAIL_PIN, &f.SPIN_MAP}) {
            if (pick(2)) continue;
            uint16_t b = static_cast<uint16_t>(pick(40));
            std::vector<uint8_t> v((b + 7) / 8);
            // Bits past the count are not carried: keep them clear.
            for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<uint8_t>(pick(256));
            if (b % 8) v.back() &= static_cast<uint8_t>(0xFF << (8 - b % 8));
            pool.bytes.push_back(v);
            *d = {b, pick(8) ? pool.bytes.back().data() : nullptr};
        }
        for (kelvo_cn *t : {&f.VECT_NAM, &f.TIME_SET, &f.OP_CODE, &f.TEST_TXT, &f.ALARM_ID, &f.PROG_TXT, &f.RSLT_TXT})
            if (pick(2)) pool.text(*t);
        f.PATG_NUM = static_cast<uint8_t>(pick(2) ? 255 : pick(256));
        round_trip(f, kFtrFields, kelvo_ftr_size, kelvo_ftr_to_memory, kelvo_ftr_to_struct, kelvo_ftr_buf,
                   [](const kelvo_ftr_struct &s, size_t i) {
                       const uint8_t o = s.OPT_FLAG;
                       switch (i) {
                       case 0: return (o & 0x3F) == 0x3F;
                       case 1: case 2: case 3: case 4: return (o & (1u << (i - 1))) != 0;
                       case 5: case 6: return (o & 0x10) != 0;
                       case 7: return (o & 0x20) != 0;
                       case 8: case 10: case 11: return s.RTN_ICNT == 0 && s.PGM_ICNT == 0;
                       case 9: case 12: case 13: return s.PGM_ICNT == 0;
                       case 14: return s.FAIL_PIN.bits == 0;
                       case 15: return s.VECT_NAM.len == 0; case 16: return s.TIME_SET.len == 0;
                       case 17: return s.OP_CODE.len == 0; case 18: return s.TEST_TXT.len == 0;
                       case 19: return s.ALARM_ID.len == 0; case 20: return s.PROG_TXT.len == 0;
                       case 21: return s.RSLT_TXT.len == 0;
                       case 22: return s.PATG_NUM == 255;
                       default: return !s.SPIN_MAP.data || s.SPIN_MAP.bits == 0;
                       }
                   });
    }
}

TEST(Dump, PrintsMprAndFtrInFull) {
    std::string out = dump_of(concat({far_record(1), full_mpr(1).im.record(15, 15), full_ftr(1).im.record(15, 20)}));
    for (const char *line : {"MPR (15,15)", "RTN_STAT  [1, 2, 3]", "RTN_RSLT  [1.5, -2.25]", "RTN_INDX  [7, 8, 9]",
                             "C_HLMFMT  missing", "HI_SPEC   9", "FTR (15,20)", "PGM_STAT  [8, 9]",
                             "FAIL_PIN  [11 bits] ab e0", "RSLT_TXT  \"rslt\"", "SPIN_MAP  [9 bits] ff 80"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
}
