// Version-3 site records (SCR, SHB, SSB, STS) and the version-3 TSR, which takes its
// empty names from the handle's name list. Structures and status words compared as text.
#include <gtest/gtest.h>

#include <random>

#include "record_text.h"
#include "v3gen.h"

using namespace kt;
using namespace v3gen;

template <class S>
std::string head(const S &s) { return cat(s.REC_LEN, s.REC_TYP, s.REC_SUB, s.HEAD_NUM, s.SITE_NUM) + " "; }
std::string show(const kelvo_pcr_struct &p) {
    return head(p) + cat(p.PART_CNT, p.RTST_CNT, p.ABRT_CNT, p.GOOD_CNT, p.FUNC_CNT);
}
std::string show(const kelvo_hbr_struct &b) { return head(b) + cat(b.HBIN_NUM, b.HBIN_CNT, b.HBIN_PF, b.HBIN_NAM); }
std::string show(const kelvo_sbr_struct &b) { return head(b) + cat(b.SBIN_NUM, b.SBIN_CNT, b.SBIN_PF, b.SBIN_NAM); }
std::string show(const kelvo_tsr_struct &t) {
    return head(t) + cat(t.TEST_TYP, t.TEST_NUM, t.EXEC_CNT, t.FAIL_CNT, t.ALRM_CNT, t.TEST_NAM, t.SEQ_NAME, t.TEST_LBL,
                         t.OPT_FLAG, t.TEST_TIM, t.TEST_MIN, t.TEST_MAX, t.TST_SUMS, t.TST_SQRS);
}

namespace {

struct Names { uint32_t test; std::string name, seq; };  // an empty name is offered as one

// A version-3 handle on `records` (the file lives in `tmp`), given `names` for its TSRs.
int open_v3(int cpu, const Bytes &records, TempFile &tmp, std::initializer_list<Names> names) {
    int h = open_bytes(records, tmp);
    Kelvo_file_attributes[h] = {cpu, 3};
    for (const Names &n : names)
        kelvo_add_test_nam(h, n.test, static_cast<uint8_t>(n.name.size()), n.name.data()),
            kelvo_add_seq_name(h, n.test, static_cast<uint8_t>(n.seq.size()), n.seq.data());
    return h;
}

// Each record read with the buf_read its codes name: result, structure, whether the copies are
// terminated, status words (preset 0x103: absent fields clear 3, none written past the count).
std::string read_v3(int cpu, std::initializer_list<Bytes> records, std::initializer_list<Names> names) {
    TempFile tmp;
    int h = open_v3(cpu, concat(records), tmp, names);
    std::string r;
    kelvo_header hd;
    auto line = [&]<class S>(int (*read)(int, const kelvo_header *, S *, uint32_t *), int n) {
        S s;
        std::vector<uint32_t> st(n, 0x100 | PV);
        r += std::to_string(read(h, &hd, &s, st.data())) + ": ";
        r += show(s);
        g_copies = true;
        r += (r.ends_with(show(s)) ? "" : " unterminated") + words(st.data(), n, 0x100) + "\n";
        g_copies = false;
    };
    while (kelvo_headread(h, &hd) == 4) switch (hd.REC_TYP << 8 | hd.REC_SUB) {
        case SCR: line(kelvo_v3_scrbuf_read, 4); break;
        case SHB: line(kelvo_v3_shbbuf_read, 2); break;
        case SSB: line(kelvo_v3_ssbbuf_read, 2); break;
        case STS: line(kelvo_v3_stsbuf_read, 13); break;
        default: line(kelvo_tsrbuf_read, 13);
        }
    kelvo_close(h);
    return r;
}

}  // namespace

TEST(V3Sites, SiteRecordsAndTsrCompleteAndCutInEveryCpuType) {
    for (int cpu : {0, 1, 2}) {
        Bytes scr = record(cpu, Scr{.ABRT_CNT = kMax}), shb = record(cpu, SiteBin{});
        Bytes sts = record(cpu, Sts{.ALRM_CNT = kMax, .OPT_FLAG = 0x11});
        EXPECT_EQ(read_v3(cpu,
                          {scr, cut(cpu, scr, 12), shb, cut(cpu, shb, 10), cut(cpu, shb, 4),
                           record(cpu, SiteBin{.name = ""}, SSB), sts, cut(cpu, sts, 20), cut(cpu, sts, 18),
                           record(cpu, Tsr{.OPT_FLAG = 0x22}), cut(cpu, record(cpu, Tsr{.TEST_NUM = 101}), 42),
                           record(cpu, Tsr{.TEST_NUM = 102, .TEST_NAM = "own"}), record(cpu, Tsr{.TEST_NUM = 102}),
                           record(cpu, Tsr{.TEST_NUM = 103}),
                           cut(cpu, record(cpu, Tsr{.TEST_NUM = 104, .EXEC_CNT = kMax}), 16)},
                          {{100, "vdd", "seq"}, {101, "t101", "s101"}, {102, "t102", "s102"}, {103, "", "s103"}}),
                  // SCR: a count is taken only when the record holds all of it.
                  "26: 26 25 40 1 2 250 2 ~0 240 245 | +p++\n"
                  "12: 12 25 40 1 2 250 ~0 ~0 ~0 ~0 | ----\n"
                  // SHB, SSB: no pass/fail character; a name cut by the end keeps what is there.
                  R"(13: 13 25 10 1 2 5 77 ' ' "sbin" | -+)" "\n"
                  R"(10: 10 25 10 1 2 5 77 ' ' "s" | -+)" "\n"
                  R"(4: 4 25 10 1 2 5 0 ' ' "" | --)" "\n"
                  R"(9: 9 25 20 1 2 5 77 ' ' "" | -p)" "\n"
                  // STS: OPT_FLAG | 0xCC, TEST_TIM never there, statistics' valid bits from OPT_FLAG.
                  R"(56: 56 25 30 1 2 ' ' 100 250 3 ~0 "vdd" "seq" "lbl" 221 NaN -0.5 1.75 125 80.5 | -++p++++-p+p+)" "\n"
                  R"(20: 20 25 30 1 2 ' ' 100 250 3 ~0 "" "" "" 221 NaN NaN NaN NaN NaN | -++p---+--v-v)" "\n"
                  R"(18: 18 25 30 1 2 ' ' 100 250 3 ~0 "" "" "" 255 NaN NaN NaN NaN NaN | -++p---v-----)" "\n"
                  // TSR: all heads and sites; empty names from the test's entry, which goes when read.
                  R"(44: 44 10 30 255 255 ' ' 100 1000 12 1 "vdd" "seq" "" 238 NaN -0.5 1.75 500 320.5 | -+++++-+-+p+p)" "\n"
                  R"(42: 42 10 30 255 255 ' ' 101 1000 12 1 "t101" "s101" "" 204 NaN -0.5 1.75 500 320.5 | -+++vv-+-++++)" "\n"
                  R"(47: 47 10 30 255 255 ' ' 102 1000 12 1 "own" "s102" "" 204 NaN -0.5 1.75 500 320.5 | -+++++-+-++++)" "\n"
                  R"(44: 44 10 30 255 255 ' ' 102 1000 12 1 "" "" "" 204 NaN -0.5 1.75 500 320.5 | -+++pp-+-++++)" "\n"
                  R"(44: 44 10 30 255 255 ' ' 103 1000 12 1 "" "s103" "" 204 NaN -0.5 1.75 500 320.5 | -+++p+-+-++++)" "\n"
                  R"(16: 16 10 30 255 255 ' ' 104 ~0 12 1 "" "" "" 255 NaN NaN NaN NaN NaN | -p++---v-----)" "\n")
            << cpu;
    }
}

TEST(V3Tsr, CopiedNamesSurviveTheNextTsrAndListsArePerHandle) {
    TempFile t1, t2;
    int h = open_v3(1, concat({record(1, Tsr{}), record(1, Tsr{.TEST_NUM = 101})}), t2,
                    {{100, "vdd", "seq"}, {101, std::string(255, 'n'), "s101"}});  // the longest name
    int other = open_v3(1, {}, t1, {{100, "other", "handle"}});  // opened later, with a list of its own
    kelvo_tsr_struct a, b;
    kelvo_header hd = next_header(h);
    EXPECT_EQ(kelvo_tsrbuf_read(h, &hd, &a, nullptr), 44);
    hd = next_header(h);
    EXPECT_EQ(kelvo_tsrread(h, &hd, &b, nullptr), 44);
    EXPECT_EQ(std::string(a.TEST_NAM.str) + "|" + a.SEQ_NAME.str + "|" + b.TEST_NAM.str + "|" + b.SEQ_NAME.str,
              "vdd|seq|" + std::string(255, 'n') + "|s101");
    kelvo_close(h), kelvo_close(other);
}

TEST(V3Sites, CopiesAndHostileImages) {
    // Copies lay the names out one after another, each by its own length, whatever REC_LEN
    // says; from the second round on they are copies of the last copy. A null name is empty.
    std::string longer(200, 'x');
    kelvo_tsr_struct t{}, u;
    t.TEST_NAM = {200, longer.data()}, t.TEST_LBL = {2, longer.data()};
    for (uint16_t rec_len : {0, 56, 65535}) {
        t.REC_LEN = rec_len;
        ASSERT_EQ(kelvo_sts_buf(&t), 1);
        EXPECT_EQ(std::string(t.TEST_NAM.str, 205) + t.SEQ_NAME.str + "|" + t.TEST_LBL.str,
                  longer + std::string("\0\0xx\0", 5) + "|xx") << rec_len;
    }

    // Hostile: every length, random bytes, images of exactly REC_LEN + 4 bytes on the heap.
    std::mt19937 rng(7);
    for (int cpu : {0, 1, 2})
        for (uint16_t len = 0; len < 90; ++len) {
            const kelvo_attributes a{cpu, 3};
            Bytes img(4u + len);
            for (auto &byte : img) byte = static_cast<uint8_t>(rng() % 4 ? rng() : 0xFF);
            img = cut(cpu, img, len);
            kelvo_pcr_struct p;
            kelvo_hbr_struct h;
            kelvo_sbr_struct s;
            kelvo_scr_to_struct(&p, img.data(), &a, nullptr);
            kelvo_shb_to_struct(&h, img.data(), &a, nullptr);
            kelvo_ssb_to_struct(&s, img.data(), &a, nullptr);
            kelvo_sts_to_struct(&t, img.data(), &a, nullptr);
            kelvo_v3_tsr_to_struct(-1, &u, img.data(), &a, nullptr);  // a handle without a name list
            for (auto *c : {&h.HBIN_NAM, &s.SBIN_NAM, &t.TEST_NAM, &t.SEQ_NAME, &t.TEST_LBL, &u.TEST_NAM, &u.SEQ_NAME})
                EXPECT_LE(c->len ? c->str + c->len - reinterpret_cast<char *>(img.data()) : 0, 4 + len);
            EXPECT_EQ(kelvo_shb_buf(&h) + kelvo_ssb_buf(&s) + kelvo_sts_buf(&t) + kelvo_tsr_buf(&u), 4);
        }
}
