// MPR and FTR: every cut in every byte order, images, hostile records, copies, versions, a round trip.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <random>

#include "testutil.h"

using namespace kt;

namespace {

const kelvo_attributes kAttr[3] = {{0, 4}, {1, 4}, {2, 4}};  // by CPU type
const char *const kNan = "ffc00000";

std::string hexf(float f) { char b[16]; std::snprintf(b, sizeof b, "%08x", bits(f)); return b; }
std::string text(const kelvo_cn &s) { return s.str ? "'" + std::string(s.str, s.len) + "'" : "null"; }
std::string num(long long v) { return std::to_string(v); }
template <class T> std::string list(const T *p, uint32_t n) {
    std::string r = "[";
    for (uint32_t i = 0; p && i < n; ++i) r += (std::is_same_v<T, float> ? hexf(float(p[i])) : num(p[i])) + ",";
    return p ? r + "]" : "null";
}
std::string dn(const kelvo_dn &d) { return (d.data ? "" : "null") + num(d.bits) + ":" + list(d.data, (d.bits + 7u) / 8u); }
// Printed fields that hold nothing: null or empty arrays, texts and bit strings, PATG_NUM 255.
bool empty(const std::string &s) { return std::string(" null [] '' 0:[] null0:null 255 ").find(" " + s + " ") != s.npos; }

// The optional fields of a record, printed, in wire order (one per status word).
std::vector<std::string> show(const kelvo_mpr_struct &s) {
    return {num(s.RTN_ICNT), num(s.RSLT_CNT), list(s.RTN_STAT, s.RTN_ICNT), list(s.RTN_RSLT, s.RSLT_CNT),
            text(s.TEST_TXT), text(s.ALARM_ID), num(s.OPT_FLAG), num(s.RES_SCAL), num(s.LLM_SCAL), num(s.HLM_SCAL),
            hexf(s.LO_LIMIT), hexf(s.HI_LIMIT), hexf(s.START_IN), hexf(s.INCR_IN), list(s.RTN_INDX, s.RTN_ICNT),
            text(s.UNITS), text(s.UNITS_IN), text(s.C_RESFMT), text(s.C_LLMFMT), text(s.C_HLMFMT), hexf(s.LO_SPEC),
            hexf(s.HI_SPEC)};
}
std::vector<std::string> show(const kelvo_ftr_struct &s) {
    return {num(s.OPT_FLAG), num(s.CYCL_CNT), num(s.REL_VADR), num(s.REPT_CNT), num(s.NUM_FAIL), num(s.XFAIL_AD),
            num(s.YFAIL_AD), num(s.VECT_OFF), num(s.RTN_ICNT), num(s.PGM_ICNT), list(s.RTN_INDX, s.RTN_ICNT),
            list(s.RTN_STAT, s.RTN_ICNT), list(s.PGM_INDX, s.PGM_ICNT), list(s.PGM_STAT, s.PGM_ICNT), dn(s.FAIL_PIN),
            text(s.VECT_NAM), text(s.TIME_SET), text(s.OP_CODE), text(s.TEST_TXT), text(s.ALARM_ID), text(s.PROG_TXT),
            text(s.RSLT_TXT), num(s.PATG_NUM), dn(s.SPIN_MAP)};
}

// A record image in a CPU type's order (VAX F reals exact for the values used). Each optional field
// is marked where it begins, with its print when held whole and when absent, and its valid bit's kind:
// c always, O so for OPT_FLAG, o when OPT_FLAG (0 here) is held, v when present and not empty.
struct Builder {
    struct Field { size_t at; std::string whole, absent; char kind; };
    explicit Builder(int cpu) : cpu(cpu), im(cpu) {}
    Builder &mark(std::string whole, std::string absent, char kind) {
        fields.push_back({4 + im.body().size(), whole, absent, kind});
        return *this;
    }
    Builder &r4(float f) { uint32_t v = bits(f * 4.0f); cpu ? im.r4(f) : im.u4(v >> 16 | v << 16); return *this; }
    size_t opt() const { size_t i = 0; while (fields[i].kind != 'O') ++i; return i; }
    int cpu;
    Image im;
    std::vector<Field> fields;
};
std::string quoted(const char *t) { return "'" + std::string(t) + "'"; }

// States 1, 2, 3 (the last byte's high nibble 0xA), two results.
Builder full_mpr(int cpu) {
    Builder b(cpu);
    b.im.u4(1234).u1(1).u1(2).u1(0).u1(0x40);
    for (uint16_t v : {3, 2}) b.mark(num(v), "0", 'c').im.u2(v);
    b.mark("[1,2,3,]", "null", 'v').im.bytes({0x21, 0xA3});
    b.mark("[3fc00000,c0100000,]", "null", 'v').r4(1.5f).r4(-2.25f);
    for (const char *t : {"volts", "al"}) b.mark(quoted(t), "''", 'v').im.cn(t);
    b.mark("0", "255", 'O').im.u1(0);
    for (int v : {-2, 3, -3}) b.mark(num(v), "0", 'o').im.u1(static_cast<uint8_t>(v));
    for (float v : {0.5f, 4.0f, 0.125f, 0.25f}) b.mark(hexf(v), kNan, 'o').r4(v);
    b.mark("[7,8,9,]", "null", 'v').im.u2(7).u2(8).u2(9);
    for (const char *t : {"V", "mA", "%7.3f", "%5.1f", ""}) b.mark(quoted(t), "''", 'v').im.cn(t);
    for (float v : {-1.0f, 9.0f}) b.mark(hexf(v), kNan, 'o').r4(v);
    return b;
}

// Return states 1, 2, 3 (high nibble 5), program states 8, 9, 11 and 9 bits.
Builder full_ftr(int cpu) {
    Builder b(cpu);
    b.im.u4(4321).u1(3).u1(4).u1(0x80);
    b.mark("0", "255", 'O').im.u1(0);
    for (uint32_t v : {100u, 200u, 3u, 4u}) b.mark(num(v), "4294967295", 'o').im.u4(v);
    for (int v : {-5, 6}) b.mark(num(v), "-1", 'o').im.u4(static_cast<uint32_t>(v));
    b.mark("-7", "-1", 'o').im.u2(static_cast<uint16_t>(-7));
    for (uint16_t v : {3, 2}) b.mark(num(v), "0", 'c').im.u2(v);
    b.mark("[10,11,12,]", "null", 'v').im.u2(10).u2(11).u2(12);
    b.mark("[1,2,3,]", "null", 'v').im.bytes({0x21, 0x53});
    b.mark("[20,21,]", "null", 'v').im.u2(20).u2(21);
    b.mark("[8,9,]", "null", 'v').im.bytes({0x98});
    b.mark("11:[171,224,]", "null0:null", 'v').im.u2(11).bytes({0xAB, 0xE0});
    for (const char *t : {"vec", "ts1", "op", "test", "al", "prog", "rslt"}) b.mark(quoted(t), "''", 'v').im.cn(t);
    b.mark("4", "255", 'v').im.u1(4);
    b.mark("9:[255,128,]", "null0:null", 'v').im.u2(9).bytes({0xFF, 0x80});
    return b;
}

// Decodes the complete record and every cut of it (no more bytes than REC_LEN): each field present
// when it begins inside, whole when held whole, absent otherwise; valid bits by kind, others kept.
template <class S, class Decode>
void check_cuts(const Builder &b, uint8_t typ, uint8_t sub, Decode decode) {
    const Bytes rec = b.im.record(typ, sub);
    for (uint32_t body = 0; body + 4 <= rec.size(); ++body) {
        Bytes img = Image(b.cpu).bytes(Bytes(rec.begin() + 4, rec.begin() + 4 + body)).record(typ, sub);
        S s;
        std::memset(&s, 0x5A, sizeof s);
        std::vector<uint32_t> st(b.fields.size(), 0xF3u);
        decode(&s, img.data(), &kAttr[b.cpu], st.data());
        EXPECT_EQ(s.REC_LEN, body);
        const std::vector<std::string> got = show(s);
        for (size_t i = 0; i < b.fields.size(); ++i) {
            SCOPED_TRACE("body " + std::to_string(body) + " field " + std::to_string(i));
            const Builder::Field &f = b.fields[i];
            bool present = f.at < body + 4;
            bool valid = f.kind == 'c' || f.kind == 'O' || (f.kind == 'o' ? got[b.opt()] == "0" : present && !empty(got[i]));
            EXPECT_EQ(st[i], 0xF0u | (present ? KELVO_PRESENT : 0u) | (valid ? KELVO_VALID : 0u));
            if (!present || (i + 1 < b.fields.size() ? b.fields[i + 1].at : rec.size()) <= body + 4) {
                EXPECT_EQ(got[i], present ? f.whole : f.absent);
            }
        }
    }
}

// The bytes one writer call puts into a fresh file; it returns their count, `expect`.
template <class S, class Write> Bytes write_one(S &s, Write write, int expect) {
    int result = -2;
    Bytes out = written([&](int h) { result = write(h, &s); });
    EXPECT_EQ(result, expect);
    EXPECT_EQ(out.size(), static_cast<size_t>(expect));
    return out;
}

// Opens a file of records behind a FAR (none when empty); `hd` gets the first record's header.
int open_records(const Bytes &far, const Bytes &records, TempFile &tmp, kelvo_header &hd) {
    int h = open_bytes(concat({far, records}), tmp);
    kelvo_far_struct f;
    if (hd = next_header(h); !far.empty()) {
        EXPECT_EQ(kelvo_farread(h, &hd, &f), 2);
        hd = next_header(h);
    }
    return h;
}

Bytes tail(const Bytes &b, size_t n) { return Bytes(b.end() - static_cast<long>(n), b.end()); }

}  // namespace

// First: the array buffer is then exactly this record's size, and ASan sees stores past odd counts.
TEST(FtrArrays, OddCountsStayInsideTheArrayBuffer) {
    Bytes rec = Image().u4(1).u4(0).bytes(Bytes(26, 0)).u2(1).u2(1).u2(0x1234).u1(0xB5).u2(0x5678).u1(0x7C).record(15, 20);
    kelvo_ftr_struct f{};
    kelvo_ftr_to_struct(&f, rec.data(), &kAttr[2], nullptr);
    EXPECT_EQ(list(f.RTN_STAT, 2) + list(f.PGM_INDX, 1) + list(f.PGM_STAT, 2), "[5,11,][22136,][12,7,]");  // spare nibbles
}

TEST(Records, CompleteAndShortInEveryByteOrder) {
    for (int cpu : {2, 1, 0}) {
        SCOPED_TRACE(cpu);
        check_cuts<kelvo_mpr_struct>(full_mpr(cpu), 15, 15, kelvo_mpr_to_struct);
        check_cuts<kelvo_ftr_struct>(full_ftr(cpu), 15, 20, kelvo_ftr_to_struct);
    }
}

TEST(Records, WrittenImages) {
    // MPR without arrays and texts ends with the last field OPT_FLAG calls valid; indexes force all
    // before RTN_INDX, no text after; null arrays are written as missing values (0, results NaN).
    kelvo_mpr_struct m{};
    for (auto [opt, size] : {std::pair{0xFF, 12}, {0xFE, 20}, {0xAF, 26}, {0x5F, 30}, {0xFD, 38}, {0x08, 47}, {0xF7, 51}})
        EXPECT_EQ(kelvo_mpr_size((m.OPT_FLAG = static_cast<uint8_t>(opt), &m)), size) << opt;
    m.OPT_FLAG = 255, m.RTN_ICNT = 3, m.RSLT_CNT = 1;
    Bytes out = write_one(m, kelvo_mprwrite, 50);
    EXPECT_EQ(Bytes(out.begin() + 12, out.begin() + 22), (Bytes{3, 0, 1, 0, 0, 0, 0x00, 0x00, 0xC0, 0xFF}));
    EXPECT_EQ(tail(out, 6), Bytes(6, 0));
    std::string longtext(300, 'u');  // texts are clamped to 255
    EXPECT_EQ(kelvo_mpr_size((m.TEST_TXT.str = longtext.data(), &m)), 50 + 255);
    kelvo_ftr_struct f{};
    f.PATG_NUM = 255;  // FTR with nothing after the fixed numbers ends where OPT_FLAG says
    for (auto [opt, len] : {std::pair{0xFF, 7}, {0xFE, 12}, {0xFD, 16}, {0xFB, 20}, {0xF7, 24}, {0xEF, 32}, {0xDF, 34}})
        EXPECT_EQ(kelvo_ftr_size((f.OPT_FLAG = static_cast<uint8_t>(opt), &f)), len + 4) << opt;
    f = {};
    f.RTN_ICNT = 3, f.FAIL_PIN.bits = 12, f.PATG_NUM = 7;  // null arrays written as zeros, FAIL_PIN as 0 bits
    out = write_one(f, kelvo_ftrwrite, 60);
    EXPECT_EQ(Bytes(out.begin() + 42, out.begin() + 52), Bytes(10, 0));
    EXPECT_EQ(out.back(), 7);
    // Bit strings keep only their bits; SPIN_MAP brings PATG_NUM 255 along, without bits neither is written.
    uint8_t pins[2] = {0xAB, 0xFF};
    f = {};
    f.OPT_FLAG = 255, f.PATG_NUM = 255, f.FAIL_PIN = {11, pins};
    EXPECT_EQ(tail(write_one(f, kelvo_ftrwrite, 46), 4), (Bytes{11, 0, 0xAB, 0xE0}));
    f.SPIN_MAP = {3, pins};
    EXPECT_EQ(tail(write_one(f, kelvo_ftrwrite, 57), 4), (Bytes{255, 3, 0, 0xA0}));
    f.SPIN_MAP = {16, nullptr}, f.RSLT_TXT.str = const_cast<char *>("bad");
    EXPECT_EQ(tail(write_one(f, kelvo_ftrwrite, 56), 4), (Bytes{3, 'b', 'a', 'd'}));
    EXPECT_EQ(kelvo_mprwrite(-1, &m) + kelvo_ftrwrite(-1, &f), -2);
}

TEST(Records, HostileCounts) {
    kelvo_mpr_struct m{};
    kelvo_ftr_struct f{};
    uint32_t st[24] = {};
    const Image ftr = Image().u4(1).u4(0).bytes(Bytes(26, 0));  // an FTR up to its counts
    // Huge counts in short records: elements not held read 0 or NaN, arrays after them begin past the end.
    Bytes rec = Image().u4(1).u4(0).u2(65535).u2(65535).bytes({0x21, 0x43}).record(15, 15);
    kelvo_mpr_to_struct(&m, rec.data(), &kAttr[2], st);
    EXPECT_EQ(list(m.RTN_STAT, 5) + num(m.RTN_STAT[65534]) + list(m.RTN_RSLT, 1) + num(st[3]), "[1,2,3,4,0,]0null0");
    write_one(m, kelvo_mprwrite, 0);  // too large to write back
    rec = Image().u4(1).u4(0).u2(1).u2(65535).u1(0x05).r4(2.0f).u1(0x40).record(15, 15);
    kelvo_mpr_to_struct(&m, rec.data(), &kAttr[2], st);
    EXPECT_EQ(list(m.RTN_RSLT, 2) + hexf(m.RTN_RSLT[65534]) + num(st[3]), "[40000000,ffc00000,]ffc000003");
    rec = Image(ftr).u2(65535).u2(65535).u2(9).u1(1).record(15, 20);
    kelvo_ftr_to_struct(&f, rec.data(), &kAttr[2], st);
    EXPECT_EQ(list(f.RTN_INDX, 2) + num(f.RTN_INDX[65534]) + list(f.RTN_STAT, 1) + num(st[11]), "[9,0,]0null0");
    write_one(f, kelvo_ftrwrite, 0);
    // Bit strings and texts that run past the end are cut to the bytes held.
    rec = Image(ftr).u2(0).u2(0).u2(65535).bytes({1, 2, 3}).record(15, 20);
    kelvo_ftr_to_struct(&f, rec.data(), &kAttr[2], st);
    EXPECT_EQ(dn(f.FAIL_PIN), "24:[1,2,3,]");
    rec = Image(ftr).u2(0).u2(0).u2(0).cn("v").u1(9).raw("ab").record(15, 20);
    kelvo_ftr_to_struct(&f, rec.data(), &kAttr[2], st);
    EXPECT_EQ(text(f.TIME_SET) + num(st[17]), "'ab'0");
}

// buf_read: texts back to back, NUL-terminated; written back, the same bytes but the spare nibbles.
TEST(Records, BufReadAndVersionDispatch) {
    Builder b = full_mpr(2);
    Bytes rec = b.im.record(15, 15);
    TempFile tmp;
    kelvo_header hd;
    int h = open_records(far_record(2, 3), rec, tmp, hd);  // MPR decodes on any version
    kelvo_mpr_struct m{};
    ASSERT_EQ(kelvo_mprbuf_read(h, &hd, &m, nullptr), static_cast<int>(rec.size() - 4));
    kelvo_close(h);
    EXPECT_EQ(std::string(m.TEST_TXT.str, 27), std::string("volts\0al\0V\0mA\0%7.3f\0%5.1f\0\0", 27));
    EXPECT_EQ(m.C_HLMFMT.str, m.TEST_TXT.str + 26);
    ASSERT_EQ(kelvo_mpr_buf(&m), 1);  // copying the copy keeps it
    rec[b.fields[2].at + 1] = 0x03;
    EXPECT_EQ(write_one(m, kelvo_mprwrite, static_cast<int>(rec.size())), rec);
    // FTR: a version-3 record (or one before any FAR) is not taken for a version-4 one.
    b = full_ftr(2);
    rec = b.im.record(15, 20);
    for (int version : {3, 0, 4}) {
        SCOPED_TRACE(version);
        h = open_records(version ? far_record(2, version) : Bytes{}, rec, tmp, hd);
        kelvo_ftr_struct f{};
        uint32_t st[24] = {};
        ASSERT_EQ(kelvo_ftrbuf_read(h, &hd, &f, st), static_cast<int>(rec.size() - 4));
        kelvo_close(h);
        kelvo_ftr_struct v3{};  // below version 4: what the version-3 layout makes of the bytes
        uint32_t st3[24] = {};
        const kelvo_attributes a3{2, version};
        if (version < 4) kelvo_v3_ftr_to_struct(-1, &v3, rec.data(), &a3, st3);
        for (size_t i = 0; i < b.fields.size(); ++i)
            EXPECT_EQ(show(f)[i], version == 4 ? b.fields[i].whole : show(v3)[i]) << i;
        EXPECT_EQ(st[0], version == 4 ? KELVO_PRESENT | KELVO_VALID : st3[0]);
        if (version < 4) continue;
        EXPECT_EQ(std::string(f.VECT_NAM.str, 29), std::string("vec\0ts1\0op\0test\0al\0prog\0rslt\0", 29));
        rec[b.fields[11].at + 1] = 0x03;
        EXPECT_EQ(write_one(f, kelvo_ftrwrite, static_cast<int>(rec.size())), rec);
    }
}

// Generated records encoded (every count, value and field OPT_FLAG calls valid written), decoded (each
// held as written; valid bits by kind and OPT_FLAG's bits), copied and encoded again: the same bytes.
template <class S, class Size, class Mem, class Decode, class Buf>
void round_trip(S &s, Size size, Mem mem, Decode decode, Buf buf, const Builder &b,
                std::initializer_list<std::pair<int, int>> bits) {
    Bytes out(static_cast<size_t>(size(&s))), again(out.size());
    mem(&s, out.data());
    S back{};
    uint32_t st[24] = {};
    decode(&back, out.data(), &kAttr[2], st);
    const std::vector<std::string> want = show(s), got = show(back);
    for (size_t i = 0; i < want.size(); ++i) {
        const char kind = b.fields[i].kind;
        bool held = st[i] & KELVO_PRESENT, written = want[i].find("null") == want[i].npos;  // not a missing value
        if (held && written) { EXPECT_EQ(got[i], want[i]) << i; }
        if (kind == 'c' ? want[i] != "0" : kind == 'v' && written && !empty(want[i])) { EXPECT_TRUE(held) << i; }
        if (kind == 'v') { EXPECT_EQ(st[i] & KELVO_VALID, held && !empty(got[i]) ? KELVO_VALID : 0u) << i; }
    }
    for (auto [w, mask] : bits) EXPECT_EQ(st[w] & 3u, (s.OPT_FLAG & mask) ? st[w] & KELVO_PRESENT : 3u) << w;
    ASSERT_EQ(buf(&back), 1);  // texts NUL-terminated, as a writer takes them
    ASSERT_EQ(size(&back), static_cast<int>(out.size()));
    mem(&back, again.data());
    EXPECT_EQ(again, out);
}

TEST(RoundTrip, GeneratedMprAndFtr) {
    const Builder mb = full_mpr(2), fb = full_ftr(2);
    std::mt19937 rng(20240607);
    auto pick = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    for (int n = 0; n < 400; ++n) {
        SCOPED_TRACE(n);
        const bool sparse = pick(3) == 0;  // a third of the records without texts and bits
        struct { uint8_t st[16], pins[16]; uint16_t ix[16]; float res[16]; } a;
        for (int i = 0; i < 16; ++i)
            a.st[i] = uint8_t(pick(16)), a.pins[i] = uint8_t(rng()), a.ix[i] = uint16_t(rng()), a.res[i] = pick(999) / -8.0f;
        std::deque<std::string> t;
        auto arr = [&](auto *p) { return pick(6) ? p : nullptr; };  // sometimes null, its count set
        auto cnt = [&] { return static_cast<uint16_t>(pick(3) ? 0 : pick(7)); };
        auto opt = [&] { return static_cast<uint8_t>(pick(2) ? 0xFF ^ (1u << pick(8)) : pick(256)); };
        auto txt = [&](auto &c) { if (!sparse && pick(2)) c.str = t.emplace_back(pick(12), char('!' + pick(90))).data(); };
        auto pin = [&](kelvo_dn &d, uint8_t *p) {
            d = {static_cast<uint16_t>(sparse ? 0 : pick(40)), arr(p)};
            p[d.bits / 8] &= static_cast<uint8_t>(0xFF00 >> (d.bits % 8));  // spare bits 0
        };
        kelvo_mpr_struct m{};
        m.TEST_NUM = rng(), m.HEAD_NUM = uint8_t(rng()), m.PARM_FLG = uint8_t(rng()), m.OPT_FLAG = opt();
        m.RTN_ICNT = cnt(), m.RSLT_CNT = cnt(), m.RTN_STAT = arr(a.st), m.RTN_RSLT = arr(a.res), m.RTN_INDX = arr(a.ix);
        for (auto *c : {&m.TEST_TXT, &m.ALARM_ID, &m.UNITS, &m.UNITS_IN, &m.C_RESFMT, &m.C_LLMFMT, &m.C_HLMFMT}) txt(*c);
        m.RES_SCAL = int8_t(rng()), m.HLM_SCAL = int8_t(rng());
        for (float *r : {&m.LO_LIMIT, &m.HI_LIMIT, &m.START_IN, &m.INCR_IN, &m.LO_SPEC, &m.HI_SPEC}) *r = a.res[pick(16)];
        round_trip(m, kelvo_mpr_size, kelvo_mpr_to_memory, kelvo_mpr_to_struct, kelvo_mpr_buf, mb, {{7, 0x01}, {8, 0x50},
                   {9, 0xA0}, {10, 0x50}, {11, 0xA0}, {12, 0x02}, {13, 0x02}, {20, 0x04}, {21, 0x08}});
        kelvo_ftr_struct f{};
        f.TEST_NUM = rng(), f.SITE_NUM = uint8_t(rng()), f.OPT_FLAG = opt(), f.XFAIL_AD = int32_t(rng());
        for (uint32_t *u : {&f.CYCL_CNT, &f.REL_VADR, &f.REPT_CNT, &f.NUM_FAIL}) *u = rng();
        f.VECT_OFF = int16_t(rng()), f.PATG_NUM = uint8_t(pick(2) ? 255 : pick(256));
        f.RTN_ICNT = cnt(), f.PGM_ICNT = cnt(), f.RTN_INDX = arr(a.ix), f.RTN_STAT = arr(a.st), f.PGM_INDX = arr(a.ix + 8);
        f.PGM_STAT = arr(a.st + 8), pin(f.FAIL_PIN, a.pins), pin(f.SPIN_MAP, a.pins + 8);
        for (auto *c : {&f.VECT_NAM, &f.TIME_SET, &f.OP_CODE, &f.TEST_TXT, &f.ALARM_ID, &f.PROG_TXT, &f.RSLT_TXT}) txt(*c);
        round_trip(f, kelvo_ftr_size, kelvo_ftr_to_memory, kelvo_ftr_to_struct, kelvo_ftr_buf, fb,
                   {{1, 0x01}, {2, 0x02}, {3, 0x04}, {4, 0x08}, {5, 0x10}, {6, 0x10}, {7, 0x20}});
    }
}
