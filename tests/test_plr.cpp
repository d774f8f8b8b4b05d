// PLR: group entries from parallel arrays, the library's status words, element-by-
// element presence and trailing omission.
#include <gtest/gtest.h>

#include <random>

#include "testutil.h"

using namespace kt;

namespace {

const kelvo_attributes kLe{2, 4}, kBe{1, 4};

std::string str(const kelvo_cn &s) { return s.str ? std::string(s.str, s.len) : "<null>"; }

Bytes write_plr(kelvo_plr_struct plr, int *result = nullptr) {
    return written([&](int h) {
        int r = kelvo_plrwrite(h, &plr);
        if (result) *result = r;
    });
}

kelvo_plr_struct of(std::vector<kelvo_plr_group> &g) { return {0, 0, 0, static_cast<uint16_t>(g.size()), g.data()}; }

}  // namespace

TEST(Plr, WriteLeavesOffTrailingDefaultsElementByElement) {
    // GRP_CNT 0: REC_LEN 2; read back, neither pointer is touched.
    int result = 0;
    Bytes img = write_plr({}, &result);
    EXPECT_EQ(img, (Bytes{2, 0, 1, 63, 0, 0}));
    EXPECT_EQ(result, 6);
    kelvo_plr_group marker{};
    kelvo_plr_struct back{0, 0, 0, 0, &marker};
    uint32_t word = 0, *status = &word;
    kelvo_plr_to_struct(&back, img.data(), &kLe, &status);
    EXPECT_EQ(back.GROUPS, &marker);
    EXPECT_EQ(status, &word);
    // Three groups at their defaults but group 0's mode: one GRP_MODE after the indexes.
    std::vector<kelvo_plr_group> g(3);
    g[1].GRP_INDX = 7;
    EXPECT_EQ(write_plr(of(g)), (Bytes{8, 0, 1, 63, 3, 0, 0, 0, 7, 0, 0, 0}));
    g[0].GRP_MODE = 0x0105;
    img = write_plr(of(g));
    EXPECT_EQ(img, (Bytes{10, 0, 1, 63, 3, 0, 0, 0, 7, 0, 0, 0, 5, 1}));
    kelvo_plr_to_struct(&back, img.data(), &kLe, &status);
    ASSERT_NE(status, &word);
    EXPECT_EQ(back.GROUPS[0].GRP_MODE, 0x0105);
    for (int w = 0; w < 18; ++w) EXPECT_EQ(status[w], w == 0 ? 3u : 0u) << w;
    // Only the two low bits of the library's words change.
    for (int w = 0; w < 18; ++w) status[w] = 0xF0F0F0F0u;
    kelvo_plr_to_struct(&back, img.data(), &kLe, &status);
    EXPECT_EQ(status[0], 0xF0F0F0F3u);
    EXPECT_EQ(status[17], 0xF0F0F0F0u);
    // Two groups, only group 0's PGM_CHAL: every element before it is written.
    g.assign(2, kelvo_plr_group{});
    g[0].PGM_CHAL.str = const_cast<char *>("LHX");
    EXPECT_EQ(write_plr(of(g), &result), (Image().u2(2).bytes(Bytes(14, 0)).cn("LHX").record(1, 63)));
    EXPECT_EQ(result, 4 + 17 + 3);
    EXPECT_EQ(kelvo_plrwrite(-1, &back), -1);
}

TEST(Plr, EveryCutOfARecordInBothByteOrders) {
    // Two groups; where each element begins: INDX, MODE, RADX, then the four strings.
    const uint32_t start[7][2] = {{6, 8}, {10, 12}, {14, 15}, {16, 19}, {20, 23}, {25, 26}, {29, 31}};
    const uint16_t u2s[2][2] = {{1, 0x0203}, {4, 0}};
    const char *texts[4][2] = {{"01", ""}, {"HL", "x"}, {"", "ab"}, {"z", ""}};
    for (int cpu : {2, 1}) {
        Bytes full = Image(cpu).u2(2).u2(1).u2(0x0203).u2(4).u2(0).u1(2).u1(16)
            .cn("01").cn("").cn("HL").cn("x").cn("").cn("ab").cn("z").cn("").record(1, 63);
        for (uint32_t len = 0; len <= 28; ++len) {
            SCOPED_TRACE("cpu " + std::to_string(cpu) + " REC_LEN " + std::to_string(len));
            // Exactly REC_LEN + 4 bytes: the sanitizer sees any read past the record.
            Bytes img(full.begin(), full.begin() + len + 4);
            img[cpu == 1 ? 1 : 0] = static_cast<uint8_t>(len);
            kelvo_plr_struct plr{};
            uint32_t *status = nullptr, end = len + 4;
            kelvo_plr_to_struct(&plr, img.data(), cpu == 1 ? &kBe : &kLe, &status);
            EXPECT_EQ(plr.REC_LEN, len);
            // Half a GRP_CNT keeps the byte held; its groups are prepared, all missing.
            ASSERT_EQ(plr.GRP_CNT, len >= 2 || (len == 1 && cpu == 2) ? 2 : 0);
            if (plr.GRP_CNT == 0) continue;
            for (int gi = 0; gi < 2; ++gi) {
                const kelvo_plr_group &grp = plr.GROUPS[gi];
                const uint32_t *w = status + 6 * gi;
                auto held = [&](int k) { return start[k][gi] < end; };
                // Half a U2 keeps the byte held; the other byte is 0.
                auto u2 = [&](int k) -> uint16_t {
                    if (!held(k)) return 0;
                    uint16_t v = u2s[k][gi];
                    return start[k][gi] + 1 < end ? v : static_cast<uint16_t>(v & (cpu == 1 ? 0xFF00 : 0xFF));
                };
                EXPECT_EQ(grp.GRP_INDX, u2(0));
                EXPECT_EQ(grp.GRP_MODE, u2(1));
                EXPECT_EQ(w[0] & 3u, held(1) ? (grp.GRP_MODE ? 3u : 1u) : 0u);
                EXPECT_EQ(grp.GRP_RADX, held(2) ? (gi ? 16 : 2) : 0);
                EXPECT_EQ(w[1] & 3u, held(2) ? 3u : 0u);
                const kelvo_cn *cn[4] = {&grp.PGM_CHAR, &grp.RTN_CHAR, &grp.PGM_CHAL, &grp.RTN_CHAL};
                for (int k = 0; k < 4; ++k) {
                    // Missing: length 0, null pointer. Held: cut to the characters held.
                    bool in = held(3 + k);
                    std::string want = in ? std::string(texts[k][gi]).substr(0, end - start[3 + k][gi] - 1) : "<null>";
                    EXPECT_EQ(str(*cn[k]), want);
                    EXPECT_EQ(w[2 + k] & 3u, !in ? 0u : want.empty() ? 1u : 3u);
                }
            }
            // The copy makes every string, missing ones too, NUL-terminated, group by group.
            ASSERT_EQ(kelvo_plr_buf(&plr), 1);
            EXPECT_EQ(plr.GROUPS[1].PGM_CHAR.str, plr.GROUPS[0].RTN_CHAL.str + plr.GROUPS[0].RTN_CHAL.len + 1);
            EXPECT_EQ(std::string(plr.GROUPS[1].RTN_CHAL.str), "");
        }
    }
}

TEST(Plr, HostileCountsAndFailures) {
    // 65535 groups announced, none held: all prepared and missing; too many to write back.
    Bytes img = {2, 0, 1, 63, 0xFF, 0xFF};
    kelvo_plr_struct plr{};
    uint32_t *status = nullptr;
    kelvo_plr_to_struct(&plr, img.data(), &kLe, &status);
    ASSERT_EQ(plr.GRP_CNT, 65535);
    EXPECT_EQ(plr.GROUPS[65534].RTN_CHAL.str, nullptr);
    EXPECT_EQ(status[6 * 65535 - 1] & 3u, 0u);
    EXPECT_EQ(kelvo_plr_buf(&plr), 1);
    int result = -1;
    EXPECT_EQ(write_plr(plr, &result), Bytes{});
    EXPECT_EQ(result, 0);
    // 65535 bytes of 0xFF: the arrays run past the end.
    img = Image().u2(65535).bytes(Bytes(65533, 0xFF)).record(1, 63);
    kelvo_plr_to_struct(&plr, img.data(), &kLe, &status);
    EXPECT_EQ(plr.GROUPS[32766].GRP_INDX, 0xFF);
    EXPECT_EQ(plr.GROUPS[32767].GRP_INDX, 0);
    EXPECT_EQ(kelvo_plr_buf(&plr), 1);
    // A count with a null group array writes defaults.
    EXPECT_EQ(write_plr({0, 0, 0, 3, nullptr}), (Bytes{8, 0, 1, 63, 3, 0, 0, 0, 0, 0, 0, 0}));
    // A body cut short by the end of the file.
    TempFile tmp;
    int h = open_bytes({9, 0, 1, 63, 1, 0}, tmp);
    kelvo_header hd = next_header(h);
    EXPECT_EQ(kelvo_plrbuf_read(h, &hd, &plr, nullptr), 0);
    kelvo_close(h);
}

TEST(Plr, GeneratedStructuresRoundTripThroughBufRead) {
    std::mt19937 rng(63);
    std::string pool[4] = {"", "0", "HLX", std::string(300, 'M')};
    for (int round = 0; round < 100; ++round) {
        std::vector<kelvo_plr_group> made(rng() % 12);
        for (auto &g : made) {
            g = {static_cast<uint16_t>(rng()), static_cast<uint16_t>(rng() % 2 ? rng() : 0),
                 static_cast<uint8_t>(rng() % 2 ? rng() : 0), {}, {}, {}, {}};
            for (kelvo_cn *s : {&g.PGM_CHAR, &g.RTN_CHAR, &g.PGM_CHAL, &g.RTN_CHAL})
                if (rng() % 3 == 0) s->str = pool[rng() % 4].data();
        }
        if (!made.empty() && rng() % 2) made.back() = {made.back().GRP_INDX, 0, 0, {}, {}, {}, {}};
        Bytes first = write_plr(of(made));
        TempFile tmp;
        int h = open_bytes(first, tmp);
        kelvo_header hd = next_header(h);
        kelvo_plr_struct back{};
        uint32_t *status = nullptr;
        ASSERT_EQ(kelvo_plrbuf_read(h, &hd, &back, &status), static_cast<int>(first.size() - 4));
        kelvo_close(h);
        ASSERT_EQ(back.GRP_CNT, made.size());
        for (size_t g = 0; g < made.size(); ++g) {
            EXPECT_EQ(back.GROUPS[g].GRP_MODE, made[g].GRP_MODE);
            EXPECT_EQ(status[6 * g] & KELVO_VALID, made[g].GRP_MODE ? KELVO_VALID : 0u);
            EXPECT_EQ(std::string(made[g].RTN_CHAL.str ? made[g].RTN_CHAL.str : "").substr(0, 255),
                      back.GROUPS[g].RTN_CHAL.str);
        }
        EXPECT_EQ(write_plr(back), first);
    }
}
