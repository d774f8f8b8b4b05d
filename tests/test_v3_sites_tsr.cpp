// Version-3 site records (SCR, SHB, SSB, STS) and the version-3 TSR, which takes its
// empty names from the handle's name list. Structures and status words compared as text.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "record_text.h"
#include "v3gen.h"

using namespace kt;
using namespace v3gen;

static std::string show(const kelvo_pcr_struct &p) {
    return cat(p.REC_LEN, p.REC_TYP, p.REC_SUB, p.HEAD_NUM, p.SITE_NUM, p.PART_CNT, p.RTST_CNT, p.ABRT_CNT,
               p.GOOD_CNT, p.FUNC_CNT);
}
static std::string show(const kelvo_hbr_struct &b) {
    return cat(b.REC_LEN, b.REC_TYP, b.REC_SUB, b.HEAD_NUM, b.SITE_NUM, b.HBIN_NUM, b.HBIN_CNT, b.HBIN_PF, b.HBIN_NAM);
}
static std::string show(const kelvo_sbr_struct &b) {
    return cat(b.REC_LEN, b.REC_TYP, b.REC_SUB, b.HEAD_NUM, b.SITE_NUM, b.SBIN_NUM, b.SBIN_CNT, b.SBIN_PF, b.SBIN_NAM);
}
static std::string show(const kelvo_tsr_struct &t) {
    return cat(t.REC_LEN, t.REC_TYP, t.REC_SUB, t.HEAD_NUM, t.SITE_NUM, t.TEST_TYP, t.TEST_NUM, t.EXEC_CNT, t.FAIL_CNT,
               t.ALRM_CNT, t.TEST_NAM, t.SEQ_NAME, t.TEST_LBL, t.OPT_FLAG, t.TEST_TIM, t.TEST_MIN, t.TEST_MAX,
               t.TST_SUMS, t.TST_SQRS);
}

namespace {

// One record read with `read`: result, structure, status words (preset 0x103: absent
// fields clear both bits, the 0x100 bit stays), and whether the copies are terminated.
template <int N, class S>
std::string line(int (*read)(int, const kelvo_header *, S *, uint32_t *), int h, const kelvo_header &hd) {
    S s;
    uint32_t st[N];
    std::fill_n(st, N, 0x100 | PV);
    std::string r = std::to_string(read(h, &hd, &s, st)) + ": ", shown = show(s);
    g_copies = true;
    r += shown + words(st, N, 0x100) + (show(s) == shown ? "\n" : " unterminated\n");
    g_copies = false;
    return r;
}

// A version-3 file of a MIR and `records`, each read with the buf_read its codes name;
// `before` runs once the MIR has made the handle a version-3 handle.
std::string read_v3(int cpu, std::initializer_list<Bytes> records, const std::function<void(int)> &before = {}) {
    TempFile tmp;
    int h = open_bytes(concat({record(cpu, Mir{}), concat(records)}), tmp);
    kelvo_header hd = next_header(h);
    kelvo_mir_struct mir;
    EXPECT_GT(kelvo_mirread(h, &hd, &mir, nullptr), 0);
    if (before) before(h);
    std::string r;
    while (kelvo_headread(h, &hd) == 4) {
        switch (hd.REC_TYP << 8 | hd.REC_SUB) {
        case SCR: r += line<4>(kelvo_v3_scrbuf_read, h, hd); break;
        case SHB: r += line<2>(kelvo_v3_shbbuf_read, h, hd); break;
        case SSB: r += line<2>(kelvo_v3_ssbbuf_read, h, hd); break;
        case STS: r += line<13>(kelvo_v3_stsbuf_read, h, hd); break;
        default: r += line<13>(kelvo_tsrbuf_read, h, hd);
        }
    }
    kelvo_close(h);
    return r;
}

void offer(int h, uint32_t test, const std::string &name, const std::string &seq) {
    if (!name.empty()) kelvo_add_test_nam(h, test, static_cast<uint8_t>(name.size()), name.data());
    if (!seq.empty()) kelvo_add_seq_name(h, test, static_cast<uint8_t>(seq.size()), seq.data());
}

}  // namespace

TEST(V3Sites, SiteRecordsCompleteAndCutInEveryCpuType) {
    for (int cpu : {0, 1, 2}) {
        Bytes scr = record(cpu, Scr{.ABRT_CNT = kMax}), shb = record(cpu, SiteBin{}), longer = scr;
        Bytes sts = record(cpu, Sts{.ALRM_CNT = kMax, .OPT_FLAG = 0x11});
        longer.resize(33, 0xEE);
        EXPECT_EQ(read_v3(cpu, {scr, cut(cpu, scr, 14), cut(cpu, scr, 12), cut(cpu, scr, 8), cut(cpu, scr, 1),
                                cut(cpu, longer, 29), shb, cut(cpu, shb, 10), cut(cpu, shb, 8), cut(cpu, shb, 4),
                                record(cpu, SiteBin{.name = ""}, SSB), cut(cpu, record(cpu, SiteBin{}, SSB), 8), sts,
                                cut(cpu, sts, 46), cut(cpu, sts, 20), cut(cpu, sts, 18)}),
                  // SCR: a count is taken only when the record holds all of it.
                  "26: 26 25 40 1 2 250 2 ~0 240 245 | +p++\n"
                  "14: 14 25 40 1 2 250 2 ~0 ~0 ~0 | +---\n"
                  "12: 12 25 40 1 2 250 ~0 ~0 ~0 ~0 | ----\n"
                  "8: 8 25 40 1 2 ~0 ~0 ~0 ~0 ~0 | ----\n"
                  "1: 1 25 40 1 0 ~0 ~0 ~0 ~0 ~0 | ----\n"
                  "29: 29 25 40 1 2 250 2 ~0 240 245 | +p++\n"
                  // SHB, SSB: no pass/fail character; a name cut by the end keeps what is there;
                  // a REC_LEN too short for the name still copies.
                  R"(13: 13 25 10 1 2 5 77 ' ' "sbin" | -+)" "\n"
                  R"(10: 10 25 10 1 2 5 77 ' ' "s" | -+)" "\n"
                  R"(8: 8 25 10 1 2 5 77 ' ' "" | --)" "\n"
                  R"(4: 4 25 10 1 2 5 0 ' ' "" | --)" "\n"
                  R"(9: 9 25 20 1 2 5 77 ' ' "" | -p)" "\n"
                  R"(8: 8 25 20 1 2 5 77 ' ' "" | --)" "\n"
                  // STS: OPT_FLAG | 0xCC, TEST_TIM never there, statistics' valid bits from OPT_FLAG.
                  R"(56: 56 25 30 1 2 ' ' 100 250 3 ~0 "vdd" "seq" "lbl" 221 NaN -0.5 1.75 125 80.5 | -++p++++-p+p+)" "\n"
                  R"(46: 46 25 30 1 2 ' ' 100 250 3 ~0 "v" "" "" 221 NaN -0.5 1.75 125 80.5 | -++p+--+-p+p+)" "\n"
                  R"(20: 20 25 30 1 2 ' ' 100 250 3 ~0 "" "" "" 221 NaN NaN NaN NaN NaN | -++p---+--v-v)" "\n"
                  R"(18: 18 25 30 1 2 ' ' 100 250 3 ~0 "" "" "" 255 NaN NaN NaN NaN NaN | -++p---v-----)" "\n")
            << "cpu " << cpu;
    }
}

TEST(V3Tsr, TakesEmptyNamesFromTheNameListAndRemovesTheEntry) {
    for (int cpu : {0, 1, 2}) {
        EXPECT_EQ(read_v3(cpu,
                          {record(cpu, Tsr{.OPT_FLAG = 0x22}), record(cpu, Tsr{}),  // the second finds nothing
                           cut(cpu, record(cpu, Tsr{.TEST_NUM = 101}), 42),        // ends before TEST_NAM
                           record(cpu, Tsr{.TEST_NUM = 102, .TEST_NAM = "own"}), record(cpu, Tsr{.TEST_NUM = 102}),
                           record(cpu, Tsr{.TEST_NUM = 103}),
                           cut(cpu, record(cpu, Tsr{.TEST_NUM = 104, .EXEC_CNT = kMax}), 16)},
                          [](int h) {
                              offer(h, 100, "vdd", "seq");
                              offer(h, 101, "t101", "s101");
                              offer(h, 102, "t102", "s102");
                              offer(h, 103, "", "s103");
                          }),
                  R"(44: 44 10 30 255 255 ' ' 100 1000 12 1 "vdd" "seq" "" 238 NaN -0.5 1.75 500 320.5 | -+++++-+-+p+p)" "\n"
                  R"(44: 44 10 30 255 255 ' ' 100 1000 12 1 "" "" "" 204 NaN -0.5 1.75 500 320.5 | -+++pp-+-++++)" "\n"
                  R"(42: 42 10 30 255 255 ' ' 101 1000 12 1 "t101" "s101" "" 204 NaN -0.5 1.75 500 320.5 | -+++vv-+-++++)" "\n"
                  R"(47: 47 10 30 255 255 ' ' 102 1000 12 1 "own" "s102" "" 204 NaN -0.5 1.75 500 320.5 | -+++++-+-++++)" "\n"
                  R"(44: 44 10 30 255 255 ' ' 102 1000 12 1 "" "" "" 204 NaN -0.5 1.75 500 320.5 | -+++pp-+-++++)" "\n"
                  R"(44: 44 10 30 255 255 ' ' 103 1000 12 1 "" "s103" "" 204 NaN -0.5 1.75 500 320.5 | -+++p+-+-++++)" "\n"
                  R"(16: 16 10 30 255 255 ' ' 104 ~0 12 1 "" "" "" 255 NaN NaN NaN NaN NaN | -p++---v-----)" "\n")
            << "cpu " << cpu;
    }
}

TEST(V3Tsr, CopiedNamesSurviveTheNextTsr) {
    kelvo_tsr_struct a, b;
    read_v3(1, {}, [&](int h) {
        TempFile tmp;  // the TSRs on a second version-3 handle, with names of 255 characters
        int h2 = open_bytes(concat({record(1, Mir{}), record(1, Tsr{}), record(1, Tsr{.TEST_NUM = 101})}), tmp);
        kelvo_header hd = next_header(h2);
        kelvo_mir_struct mir;
        kelvo_mirread(h2, &hd, &mir, nullptr);
        offer(h2, 100, "vdd", "seq");
        offer(h2, 101, std::string(255, 'n'), "s101");
        offer(h, 100, "other", "handle");  // another handle's list is not touched
        hd = next_header(h2);
        EXPECT_EQ(kelvo_tsrbuf_read(h2, &hd, &a, nullptr), 44);
        hd = next_header(h2);
        EXPECT_EQ(kelvo_tsrread(h2, &hd, &b, nullptr), 44);
        kelvo_close(h2);
    });
    EXPECT_EQ(std::string(a.TEST_NAM.str) + "|" + a.SEQ_NAME.str + "|" + b.TEST_NAM.str + "|" + b.SEQ_NAME.str,
              "vdd|seq|" + std::string(255, 'n') + "|s101");
}

TEST(V3Sites, CopiesAndHostileImages) {
    // Copies lay the names out one after another, each by its own length, whatever REC_LEN says.
    kelvo_tsr_struct t;
    const kelvo_attributes v3{2, 3};
    Bytes sts = record(2, Sts{});
    kelvo_sts_to_struct(&t, sts.data(), &v3, nullptr);
    std::string longer(200, 'x');
    for (uint16_t rec_len : {0, 40, 56, 65535}) {
        t.REC_LEN = rec_len;
        ASSERT_EQ(kelvo_sts_buf(&t), 1);
        EXPECT_EQ(std::string(t.TEST_NAM.str, 12), std::string("vdd\0seq\0lbl\0", 12)) << rec_len;
    }
    t.TEST_NAM = {200, longer.data()}, t.SEQ_NAME = {0, nullptr}, t.TEST_LBL = {2, longer.data()};
    ASSERT_EQ(kelvo_sts_buf(&t), 1);
    EXPECT_EQ(std::string(t.TEST_NAM.str) + "|" + t.SEQ_NAME.str + "|" + t.TEST_LBL.str, longer + "||xx");

    // Hostile: every length, random bytes, images of exactly REC_LEN + 4 bytes on the heap.
    std::mt19937 rng(7);
    for (int cpu : {0, 1, 2}) {
        const kelvo_attributes a{cpu, 3};
        for (uint16_t len = 0; len < 90; ++len) {
            Bytes img(4u + len);
            for (auto &byte : img) byte = static_cast<uint8_t>(rng() % 4 ? rng() : 0xFF);
            img = cut(cpu, img, len);
            kelvo_pcr_struct p;
            kelvo_hbr_struct h;
            kelvo_sbr_struct s;
            kelvo_tsr_struct u;
            kelvo_scr_to_struct(&p, img.data(), &a, nullptr);
            kelvo_shb_to_struct(&h, img.data(), &a, nullptr);
            kelvo_ssb_to_struct(&s, img.data(), &a, nullptr);
            kelvo_sts_to_struct(&t, img.data(), &a, nullptr);
            kelvo_v3_tsr_to_struct(-1, &u, img.data(), &a, nullptr);  // a handle without a name list
            auto end = [&](const kelvo_cn &c) { return c.len ? c.str + c.len - reinterpret_cast<char *>(img.data()) : 0; };
            EXPECT_LE(std::max({end(h.HBIN_NAM), end(s.SBIN_NAM), end(t.TEST_NAM), end(t.SEQ_NAME), end(t.TEST_LBL),
                                end(u.TEST_NAM), end(u.SEQ_NAME)}),
                      4 + len);
            EXPECT_EQ(kelvo_shb_buf(&h) + kelvo_ssb_buf(&s) + kelvo_sts_buf(&t) + kelvo_tsr_buf(&u), 4);
        }
    }
}
