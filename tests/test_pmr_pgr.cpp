// PMR and PGR: byte images, short and hostile records, byte orders, copies and
// round trips, long index lists.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "testutil.h"

using namespace kt;

namespace {

const kelvo_attributes kLe{2, 4}, kBe{1, 4};
constexpr uint32_t P = KELVO_PRESENT, V = KELVO_VALID, PV = KELVO_PRESENT | KELVO_VALID;

std::string str(const kelvo_cn &s) { return std::string(s.str, s.len); }
uint32_t bits_of(const uint32_t *st, int i) { return st[i] & PV; }

// A file of a FAR (cpu, version) and the given records, opened and its FAR read.
struct OpenFile {
    TempFile tmp;
    int h = -1;
    OpenFile(int cpu, int version, std::initializer_list<Bytes> records) {
        Bytes all = far_record(cpu, version);
        for (const Bytes &r : records) all.insert(all.end(), r.begin(), r.end());
        h = open_bytes(all, tmp);
        kelvo_header hd = next_header(h);
        kelvo_far_struct far;
        EXPECT_EQ(kelvo_farread(h, &hd, &far), 2);
    }
    ~OpenFile() { kelvo_close(h); }
};

kelvo_pmr_struct blank_pmr() {
    kelvo_pmr_struct p{};
    p.HEAD_NUM = p.SITE_NUM = 1;
    return p;
}

}  // namespace

// ------------------------------------------------------------------ PMR

TEST(Pmr, WritesOnlyWhatDiffersFromTheDefaults) {
    kelvo_pmr_struct p = blank_pmr();
    p.PMR_INDX = 0x0102;
    Bytes out = written([&](int h) { EXPECT_EQ(kelvo_pmrwrite(h, &p), 6); });
    EXPECT_EQ(out, (Bytes{2, 0, 1, 60, 2, 1}));
    p.CHAN_TYP = 7;
    out = written([&](int h) { EXPECT_EQ(kelvo_pmrwrite(h, &p), 8); });
    EXPECT_EQ(out, (Bytes{4, 0, 1, 60, 2, 1, 7, 0}));
    p.CHAN_TYP = 0;
    p.SITE_NUM = 2;  // forces every field before it
    out = written([&](int h) { EXPECT_EQ(kelvo_pmrwrite(h, &p), 13); });
    EXPECT_EQ(out, (Bytes{9, 0, 1, 60, 2, 1, 0, 0, 0, 0, 0, 1, 2}));
    p.SITE_NUM = 1;
    p.HEAD_NUM = 3;  // ends with HEAD_NUM
    out = written([&](int h) { EXPECT_EQ(kelvo_pmrwrite(h, &p), 12); });
    EXPECT_EQ(out, (Bytes{8, 0, 1, 60, 2, 1, 0, 0, 0, 0, 0, 3}));
    kelvo_pmr_struct r;
    uint32_t st[6] = {};
    kelvo_pmr_to_struct(&r, out.data(), &kLe, st);
    EXPECT_EQ(r.HEAD_NUM, 3);
    EXPECT_EQ(r.SITE_NUM, 1);
    EXPECT_EQ(bits_of(st, 4), PV);
    EXPECT_EQ(bits_of(st, 5), V);

    p = blank_pmr();
    std::string longname(300, 'n');
    p.PHY_NAM.str = longname.data();
    p.CHAN_NAM.str = const_cast<char *>("ch");
    out = written([&](int h) { EXPECT_EQ(kelvo_pmrwrite(h, &p), 4 + 2 + 2 + 3 + 256); });
    EXPECT_EQ(p.PHY_NAM.len, 255);
    EXPECT_EQ(p.LOG_NAM.len, 0);
    EXPECT_EQ(out, Image().u2(0).u2(0).cn("ch").cn(std::string(255, 'n')).record(1, 60));
    EXPECT_EQ(kelvo_pmrwrite(-1, &p), -1);
}

TEST(Pmr, DecodesShortAndBigEndianRecords) {
    Bytes two = Image().u2(9).record(1, 60);
    kelvo_pmr_struct p;
    uint32_t st[6];
    for (uint32_t &w : st) w = PV | 0x100;
    kelvo_pmr_to_struct(&p, two.data(), &kLe, st);
    EXPECT_EQ(p.PMR_INDX, 9);
    EXPECT_EQ(p.CHAN_TYP, 0);
    EXPECT_STREQ(p.CHAN_NAM.str, "");
    EXPECT_STREQ(p.PHY_NAM.str, "");
    EXPECT_STREQ(p.LOG_NAM.str, "");
    EXPECT_EQ(p.HEAD_NUM, 1);
    EXPECT_EQ(p.SITE_NUM, 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(bits_of(st, i), 0u) << i;
    EXPECT_EQ(bits_of(st, 4), V);
    EXPECT_EQ(bits_of(st, 5), V);
    for (uint32_t w : st) EXPECT_EQ(w & 0x100u, 0x100u);

    Bytes be = Image(1).u2(0x1234).u2(0x0102).cn("CH1").cn("").cn("LOG").u1(2).u1(5).record(1, 60);
    kelvo_pmr_to_struct(&p, be.data(), &kBe, st);
    EXPECT_EQ(p.REC_LEN, be.size() - 4);
    EXPECT_EQ(p.PMR_INDX, 0x1234);
    EXPECT_EQ(p.CHAN_TYP, 0x0102);
    EXPECT_EQ(str(p.CHAN_NAM), "CH1");
    EXPECT_EQ(str(p.LOG_NAM), "LOG");
    EXPECT_EQ(p.HEAD_NUM, 2);
    EXPECT_EQ(p.SITE_NUM, 5);
    EXPECT_EQ(bits_of(st, 0), PV);
    EXPECT_EQ(bits_of(st, 2), P);
    EXPECT_EQ(bits_of(st, 5), PV);

    // Hostile: shorter than PMR_INDX, and a name that runs past the end.
    std::vector<uint8_t> tiny = {1, 0, 1, 60, 0x44};
    kelvo_pmr_to_struct(&p, tiny.data(), &kLe, st);
    EXPECT_EQ(p.PMR_INDX, 0x44);
    Bytes past = Image().u2(1).u2(1).u1(250).raw("abcd").record(1, 60);
    kelvo_pmr_to_struct(&p, past.data(), &kLe, st);
    EXPECT_EQ(str(p.CHAN_NAM), "abcd");
    EXPECT_EQ(bits_of(st, 2), 0u);
    EXPECT_EQ(kelvo_pmr_buf(&p), 1);
    EXPECT_STREQ(p.CHAN_NAM.str, "abcd");
}

TEST(Pmr, CopyAndVersionThree) {
    OpenFile f(2, 4, {Image().u2(1).u2(3).cn("chan").cn("phy").cn("log").u1(1).u1(2).record(1, 60),
                      Image().u2(2).record(1, 60)});
    kelvo_header hd = next_header(f.h);
    kelvo_pmr_struct p;
    uint32_t st[6] = {};
    ASSERT_EQ(kelvo_pmrbuf_read(f.h, &hd, &p, st), static_cast<int>(hd.REC_LEN));
    EXPECT_STREQ(p.CHAN_NAM.str, "chan");
    EXPECT_STREQ(p.PHY_NAM.str, "phy");
    EXPECT_STREQ(p.LOG_NAM.str, "log");
    EXPECT_EQ(p.SITE_NUM, 2);
    hd = next_header(f.h);
    ASSERT_EQ(kelvo_pmrbuf_read(f.h, &hd, &p, st), 2);
    EXPECT_STREQ(p.CHAN_NAM.str, "");
    EXPECT_STREQ(p.LOG_NAM.str, "");

    // A caller's structure whose names lie apart copies name by name.
    std::string a = "first", b = "second";
    kelvo_pmr_struct c = blank_pmr();
    c.CHAN_NAM = {5, a.data()};
    c.LOG_NAM = {6, b.data()};
    c.PHY_NAM = {0, nullptr};
    c.REC_LEN = 60;
    ASSERT_EQ(kelvo_pmr_buf(&c), 1);
    EXPECT_STREQ(c.CHAN_NAM.str, "first");
    EXPECT_STREQ(c.PHY_NAM.str, "");
    EXPECT_STREQ(c.LOG_NAM.str, "second");

    // Version 3: the stub decoder gives every default.
    Bytes rec = Image().u2(4).u2(3).cn("chan").record(1, 60);
    OpenFile v3(2, 3, {rec});
    hd = next_header(v3.h);
    ASSERT_EQ(kelvo_pmrbuf_read(v3.h, &hd, &p, st), static_cast<int>(rec.size() - 4));
    EXPECT_EQ(p.REC_LEN, rec.size() - 4);
    EXPECT_EQ(p.CHAN_TYP, 0);
    EXPECT_STREQ(p.CHAN_NAM.str, "");
    EXPECT_EQ(p.HEAD_NUM, 1);
    EXPECT_EQ(bits_of(st, 1), 0u);
}

TEST(Pmr, GeneratedStructuresRoundTrip) {
    std::mt19937 rng(7);
    std::string names[3];
    for (int round = 0; round < 300; ++round) {
        kelvo_pmr_struct p = blank_pmr();
        p.PMR_INDX = rng() & 0xFFFF;
        if (rng() % 2) p.CHAN_TYP = rng() % 4;
        kelvo_cn *cn[3] = {&p.CHAN_NAM, &p.PHY_NAM, &p.LOG_NAM};
        for (int i = 0; i < 3; ++i) {
            names[i] = std::string(rng() % 2 ? rng() % 12 : 0, static_cast<char>('A' + i));
            cn[i]->str = names[i].data();
        }
        if (rng() % 3 == 0) p.HEAD_NUM = rng() % 4;
        if (rng() % 3 == 0) p.SITE_NUM = rng() % 4;
        Bytes out = written([&](int h) { kelvo_pmrwrite(h, &p); });
        ASSERT_EQ(out.size(), p.REC_LEN + 4u);
        kelvo_pmr_struct r;
        kelvo_pmr_to_struct(&r, out.data(), &kLe, nullptr);
        EXPECT_EQ(r.PMR_INDX, p.PMR_INDX);
        EXPECT_EQ(r.CHAN_TYP, p.CHAN_TYP);
        EXPECT_EQ(str(r.CHAN_NAM), names[0]);
        EXPECT_EQ(str(r.PHY_NAM), names[1]);
        EXPECT_EQ(str(r.LOG_NAM), names[2]);
        EXPECT_EQ(r.HEAD_NUM, p.HEAD_NUM);
        EXPECT_EQ(r.SITE_NUM, p.SITE_NUM);
        ASSERT_EQ(kelvo_pmr_buf(&r), 1);
        Bytes again = written([&](int h) { kelvo_pmrwrite(h, &r); });
        EXPECT_EQ(again, out) << round;
    }
}

// ------------------------------------------------------------------ PGR

TEST(Pgr, WritesEveryFieldAlways) {
    kelvo_pgr_struct g{};
    g.GRP_INDX = 3;
    Bytes out = written([&](int h) { EXPECT_EQ(kelvo_pgrwrite(h, &g), 9); });
    EXPECT_EQ(out, (Bytes{5, 0, 1, 62, 3, 0, 0, 0, 0}));
    uint16_t idx[3] = {1, 0x0203, 65535};
    g.GRP_NAM.str = const_cast<char *>("grp");
    g.INDX_CNT = 3;
    g.PMR_INDX = idx;
    out = written([&](int h) { EXPECT_EQ(kelvo_pgrwrite(h, &g), 18); });
    EXPECT_EQ(out, Image().u2(3).cn("grp").u2(3).u2(1).u2(0x0203).u2(65535).record(1, 62));
    EXPECT_EQ(g.REC_LEN, 14);
    // A null list with a count is written as indexes 0.
    g.PMR_INDX = nullptr;
    out = written([&](int h) { EXPECT_EQ(kelvo_pgrwrite(h, &g), 18); });
    EXPECT_EQ(out, Image().u2(3).cn("grp").u2(3).u2(0).u2(0).u2(0).record(1, 62));
    EXPECT_EQ(kelvo_pgrwrite(-1, &g), -1);
}

TEST(Pgr, ListsTooLongForOneRecordAreNotWritten) {
    kelvo_pgr_struct g{};
    g.INDX_CNT = 32765;  // 5 + 2 * 32765 = 65535: the longest record
    Bytes out = written([&](int h) { EXPECT_EQ(kelvo_pgrwrite(h, &g), 65539); });
    ASSERT_EQ(out.size(), 65539u);
    EXPECT_EQ(g.REC_LEN, 65535);
    kelvo_pgr_struct r;
    uint32_t st[2] = {};
    kelvo_pgr_to_struct(&r, out.data(), &kLe, st);
    EXPECT_EQ(r.INDX_CNT, 32765);
    g.GRP_NAM.str = const_cast<char *>("x");  // one byte too many
    out = written([&](int h) { EXPECT_EQ(kelvo_pgrwrite(h, &g), 0); });
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(kelvo_pgr_size(&g), 65540);
    g.GRP_NAM.str = nullptr;
    g.INDX_CNT = 65535;
    EXPECT_EQ(kelvo_pgr_size(&g), 5 + 2 * 65535 + 4);
    out = written([&](int h) { EXPECT_EQ(kelvo_pgrwrite(h, &g), 0); });
    EXPECT_TRUE(out.empty());
}

TEST(Pgr, DecodesShortAndBigEndianRecords) {
    Bytes noname = Image().u2(4).record(1, 62);
    kelvo_pgr_struct g;
    uint32_t st[2] = {PV, PV};
    kelvo_pgr_to_struct(&g, noname.data(), &kLe, st);
    EXPECT_EQ(g.GRP_INDX, 4);
    EXPECT_STREQ(g.GRP_NAM.str, "");
    EXPECT_EQ(g.INDX_CNT, 0);
    EXPECT_EQ(g.PMR_INDX, nullptr);
    EXPECT_EQ(bits_of(st, 0), 0u);
    EXPECT_EQ(bits_of(st, 1), 0u);
    Bytes nocount = Image().u2(4).cn("G").record(1, 62);
    kelvo_pgr_to_struct(&g, nocount.data(), &kLe, st);
    EXPECT_EQ(str(g.GRP_NAM), "G");
    EXPECT_EQ(g.INDX_CNT, 0);
    EXPECT_EQ(g.PMR_INDX, nullptr);
    EXPECT_EQ(bits_of(st, 0), PV);
    EXPECT_EQ(bits_of(st, 1), 0u);
    Bytes empty = Image().u2(4).cn("").u2(0).record(1, 62);
    kelvo_pgr_to_struct(&g, empty.data(), &kLe, st);
    EXPECT_EQ(g.INDX_CNT, 0);
    EXPECT_EQ(bits_of(st, 0), P);
    EXPECT_EQ(bits_of(st, 1), P);

    Bytes be = Image(1).u2(0x0A0B).cn("grp").u2(3).u2(1).u2(0x1234).u2(65535).record(1, 62);
    kelvo_pgr_to_struct(&g, be.data(), &kBe, st);
    EXPECT_EQ(g.REC_LEN, be.size() - 4);
    EXPECT_EQ(g.GRP_INDX, 0x0A0B);
    ASSERT_EQ(g.INDX_CNT, 3);
    EXPECT_EQ(g.PMR_INDX[0], 1);
    EXPECT_EQ(g.PMR_INDX[1], 0x1234);
    EXPECT_EQ(g.PMR_INDX[2], 65535);
    EXPECT_EQ(bits_of(st, 1), PV);
}

TEST(Pgr, CountsBeyondTheRecordGiveIndexesZero) {
    // INDX_CNT 65535 in a record that holds two indexes and half of a third.
    Bytes img = Image().u2(1).cn("").u2(65535).u2(11).u2(12).u1(0x0D).record(1, 62);
    kelvo_pgr_struct g;
    uint32_t st[2] = {};
    kelvo_pgr_to_struct(&g, img.data(), &kLe, st);
    ASSERT_EQ(g.INDX_CNT, 65535);
    EXPECT_EQ(g.PMR_INDX[0], 11);
    EXPECT_EQ(g.PMR_INDX[1], 12);
    EXPECT_EQ(g.PMR_INDX[2], 0);
    EXPECT_EQ(g.PMR_INDX[65534], 0);
    EXPECT_EQ(bits_of(st, 1), PV);
    // The same through a file whose record claims the longest body but ends early.
    Bytes file = concat({far_record(2), Bytes{0xFF, 0xFF, 1, 62, 1, 0, 0, 0xFF, 0xFF, 5, 0}});
    TempFile tmp;
    int h = open_bytes(file, tmp);
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    kelvo_farread(h, &hd, &far);
    hd = next_header(h);
    EXPECT_EQ(kelvo_pgrbuf_read(h, &hd, &g, st), 0);  // the body was not read whole
    EXPECT_EQ(g.INDX_CNT, 65535);
    EXPECT_EQ(g.PMR_INDX[0], 5);
    EXPECT_EQ(g.PMR_INDX[65534], 0);
    EXPECT_STREQ(g.GRP_NAM.str, "");
    kelvo_close(h);
    // A count cut by the end of the record is taken from the byte it holds.
    Bytes half = Image().u2(1).cn("").u1(2).record(1, 62);
    kelvo_pgr_to_struct(&g, half.data(), &kLe, st);
    EXPECT_EQ(g.INDX_CNT, 2);
    EXPECT_EQ(g.PMR_INDX[0], 0);
    EXPECT_EQ(g.PMR_INDX[1], 0);
}

TEST(Pgr, BufReadAndRoundTrips) {
    std::mt19937 rng(3);
    for (int round = 0; round < 100; ++round) {
        kelvo_pgr_struct g{};
        g.GRP_INDX = rng() & 0xFFFF;
        std::string name(rng() % 10, 'g');
        g.GRP_NAM.str = name.data();
        std::vector<uint16_t> idx(rng() % 40);
        for (uint16_t &x : idx) x = rng() & 0xFFFF;
        g.INDX_CNT = static_cast<uint16_t>(idx.size());
        g.PMR_INDX = idx.data();
        Bytes out = written([&](int h) { kelvo_pgrwrite(h, &g); });
        TempFile tmp;
        int h = open_bytes(concat({far_record(2), out, out}), tmp);
        kelvo_header hd = next_header(h);
        kelvo_far_struct far;
        kelvo_farread(h, &hd, &far);
        hd = next_header(h);
        kelvo_pgr_struct r;
        uint32_t st[2] = {};
        ASSERT_EQ(kelvo_pgrbuf_read(h, &hd, &r, st), g.REC_LEN);
        EXPECT_STREQ(r.GRP_NAM.str, name.c_str());
        EXPECT_EQ(r.GRP_INDX, g.GRP_INDX);
        ASSERT_EQ(r.INDX_CNT, idx.size());
        for (size_t k = 0; k < idx.size(); ++k) EXPECT_EQ(r.PMR_INDX[k], idx[k]);
        Bytes again = written([&](int w) { kelvo_pgrwrite(w, &r); });
        EXPECT_EQ(again, out);
        hd = next_header(h);
        ASSERT_EQ(kelvo_pgrread(h, &hd, &r, nullptr), g.REC_LEN);
        kelvo_close(h);
    }
}
