// PLR: parallel group arrays, the library's status words, element-by-element presence and omission.
#include <gtest/gtest.h>

#include <random>

#include "testutil.h"

using namespace kt;

static const kelvo_attributes kLe{2, 4}, kBe{1, 4};

static std::string str(const kelvo_cn &s) { return s.str ? std::string(s.str, s.len) : "<null>"; }

static Bytes write_plr(kelvo_plr_struct plr) {  // what a write puts in a file; it returns their count
    int r = -2;
    Bytes out = written([&](int h) { r = kelvo_plrwrite(h, &plr); });
    EXPECT_EQ(r, static_cast<int>(out.size()));
    return out;
}

static int buf_read(const Bytes &file, kelvo_plr_struct *plr, uint32_t **status) {
    TempFile tmp;
    int h = open_bytes(file, tmp);
    kelvo_header hd = next_header(h);
    int r = kelvo_plrbuf_read(h, &hd, plr, status);
    kelvo_close(h);
    return r;
}

static kelvo_plr_struct of(std::vector<kelvo_plr_group> &g) { return {0, 0, 0, uint16_t(g.size()), g.data()}; }

TEST(Plr, TrailingDefaultsLeftOffElementByElementAndHostileCounts) {
    Bytes img = write_plr({});
    EXPECT_EQ(img, (Bytes{2, 0, 1, 63, 0, 0}));
    kelvo_plr_group marker{};
    kelvo_plr_struct back{0, 0, 0, 0, &marker};
    uint32_t word = 0, *status = &word;
    kelvo_plr_to_struct(&back, img.data(), &kLe, &status);
    EXPECT_TRUE(back.GROUPS == &marker && status == &word);  // GRP_CNT 0: neither pointer touched
    std::vector<kelvo_plr_group> g(3);
    g[1].GRP_INDX = 7;  // defaults but one index: the indexes alone; group 0's mode adds one GRP_MODE
    EXPECT_EQ(write_plr(of(g)), (Bytes{8, 0, 1, 63, 3, 0, 0, 0, 7, 0, 0, 0}));
    g[0].GRP_MODE = 0x0105;
    img = write_plr(of(g));
    EXPECT_EQ(img, (Bytes{10, 0, 1, 63, 3, 0, 0, 0, 7, 0, 0, 0, 5, 1}));
    kelvo_plr_to_struct(&back, img.data(), &kLe, &status);
    ASSERT_NE(status, &word);
    for (int w = 0; w < 18; ++w) EXPECT_EQ(status[w], w == 0 ? 3u : 0u) << w;
    for (int w = 0; w < 18; ++w) status[w] = 0xF0F0F0F0u;  // read again: only the two low bits change
    kelvo_plr_to_struct(&back, img.data(), &kLe, &status);
    for (int w = 0; w < 18; ++w) EXPECT_EQ(status[w], w == 0 ? 0xF0F0F0F3u : 0xF0F0F0F0u) << w;
    // Two groups, only group 0's PGM_CHAL: every element before it is written.
    g.assign(2, kelvo_plr_group{});
    g[0].PGM_CHAL.str = const_cast<char *>("LHX");
    EXPECT_EQ(write_plr(of(g)), (Image().u2(2).bytes(Bytes(14, 0)).cn("LHX").record(1, 63)));
    EXPECT_EQ(kelvo_plrwrite(-1, &back), -1);
    // 65535 groups announced, none held: all prepared and missing; too many to write back.
    img = {2, 0, 1, 63, 0xFF, 0xFF};
    kelvo_plr_to_struct(&back, img.data(), &kLe, &status);
    ASSERT_EQ(back.GRP_CNT, 65535);
    EXPECT_EQ(back.GROUPS[65534].RTN_CHAL.str, nullptr);
    EXPECT_EQ(status[6 * 65535 - 1] & 3u, 0u);
    EXPECT_EQ(kelvo_plr_buf(&back), 1);
    EXPECT_EQ(write_plr(back), Bytes{});
    img = Image().u2(65535).bytes(Bytes(65533, 0xFF)).record(1, 63);  // the indexes run past the end
    kelvo_plr_to_struct(&back, img.data(), &kLe, &status);
    EXPECT_EQ(back.GROUPS[32766].GRP_INDX, 0xFF);
    EXPECT_EQ(back.GROUPS[32767].GRP_INDX, 0);
    // A count with a null group array writes defaults; a body cut short by the end of the file reads 0.
    EXPECT_EQ(write_plr({0, 0, 0, 3, nullptr}), (Bytes{8, 0, 1, 63, 3, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(buf_read({9, 0, 1, 63, 1, 0}, &back, nullptr), 0);
}

TEST(Plr, EveryCutOfARecordInBothByteOrders) {
    // Two groups: where each element (INDX, MODE, RADX, the strings) begins, its value. Missing: 0 or null.
    const uint32_t start[7][2] = {{6, 8}, {10, 12}, {14, 15}, {16, 19}, {20, 23}, {25, 26}, {29, 31}};
    const uint32_t vals[3][2] = {{1, 0x0203}, {4, 0}, {2, 16}};
    const char *texts[4][2] = {{"01", ""}, {"HL", "x"}, {"", "ab"}, {"z", ""}};
    for (int cpu : {2, 1}) {
        Bytes full = Image(cpu).u2(2).u2(1).u2(0x0203).u2(4).u2(0).u1(2).u1(16)
            .cn("01").cn("").cn("HL").cn("x").cn("").cn("ab").cn("z").cn("").record(1, 63);
        for (uint32_t len = 0; len <= 28; ++len) {
            SCOPED_TRACE("cpu " + std::to_string(cpu) + " REC_LEN " + std::to_string(len));
            Bytes img(full.begin(), full.begin() + len + 4);  // exactly: the sanitizer sees any read past it
            img[cpu == 1 ? 1 : 0] = static_cast<uint8_t>(len);
            kelvo_plr_struct plr{};
            uint32_t *status = nullptr, end = len + 4;
            kelvo_plr_to_struct(&plr, img.data(), cpu == 1 ? &kBe : &kLe, &status);
            ASSERT_EQ(plr.GRP_CNT, len >= 2 || (len == 1 && cpu == 2) ? 2 : 0);  // half a U2: the byte held
            if (plr.GRP_CNT == 0) continue;
            for (int gi = 0; gi < 2; ++gi) {
                const kelvo_plr_group &g = plr.GROUPS[gi];
                const uint32_t num[3] = {g.GRP_INDX, g.GRP_MODE, g.GRP_RADX};
                const kelvo_cn *cn[4] = {&g.PGM_CHAR, &g.RTN_CHAR, &g.PGM_CHAL, &g.RTN_CHAL};
                for (int k = 0; k < 7; ++k) {
                    bool in = start[k][gi] < end;
                    uint32_t mask = k == 2 || start[k][gi] + 1 < end ? 0xFFFF : cpu == 1 ? 0xFF00 : 0xFF;  // a half U2
                    std::string w = k < 3 ? std::to_string(in ? vals[k][gi] & mask : 0)
                                    : in  ? std::string(texts[k - 3][gi]).substr(0, end - start[k][gi] - 1) : "<null>";
                    EXPECT_EQ(k < 3 ? std::to_string(num[k]) : str(*cn[k - 3]), w) << k;
                    if (k) { EXPECT_EQ(status[6 * gi + k - 1] & 3u, !in ? 0u : (k < 3 ? w == "0" : w.empty()) ? 1u : 3u); }
                }
            }
            ASSERT_EQ(kelvo_plr_buf(&plr), 1);  // every string NUL-terminated, missing ones too
            EXPECT_EQ(plr.GROUPS[1].PGM_CHAR.str, plr.GROUPS[0].RTN_CHAL.str + plr.GROUPS[0].RTN_CHAL.len + 1);
            EXPECT_EQ(std::string(plr.GROUPS[1].RTN_CHAL.str), "");
        }
    }
}

TEST(Plr, GeneratedStructuresRoundTripThroughBufRead) {  // written, read, written again: the same bytes
    std::mt19937 rng(63);
    std::string pool[4] = {"", "0", "HLX", std::string(300, 'M')};
    for (int round = 0; round < 100; ++round) {
        std::vector<kelvo_plr_group> made(rng() % 12);
        for (auto &g : made) {
            g = {uint16_t(rng()), uint16_t(rng() % 2 ? rng() : 0), uint8_t(rng() % 2 ? rng() : 0), {}, {}, {}, {}};
            for (auto *s : {&g.PGM_CHAR, &g.RTN_CHAR, &g.PGM_CHAL, &g.RTN_CHAL})
                s->str = rng() % 3 ? nullptr : pool[rng() % 4].data();
        }
        if (!made.empty() && rng() % 2) made.back() = {made.back().GRP_INDX, 0, 0, {}, {}, {}, {}};
        Bytes first = write_plr(of(made));
        kelvo_plr_struct back{};
        uint32_t *status = nullptr;
        ASSERT_EQ(buf_read(first, &back, &status), static_cast<int>(first.size() - 4));
        ASSERT_EQ(back.GRP_CNT, made.size());
        for (size_t g = 0; g < made.size(); ++g)
            EXPECT_EQ(status[6 * g] & KELVO_VALID, made[g].GRP_MODE ? KELVO_VALID : 0u) << g;
        EXPECT_EQ(write_plr(back), first);
    }
}
