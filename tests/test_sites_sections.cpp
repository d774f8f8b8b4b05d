// RDR, SDR, BPS, EPS and DTR: images, short and hostile records, copies, a round trip, the real files.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "testutil.h"

using namespace kt;

static const kelvo_attributes kLe{2, 4}, kBe{1, 4};

static std::string str(const kelvo_cn &s) { return s.str ? std::string(s.str, s.len) : "<null>"; }

// What a writer puts into a fresh file; it returns their count (0 when it writes nothing).
template <class S> static Bytes write_of(int (*write)(int, S *), S s) {
    int r = -2;
    Bytes out = written([&](int h) { r = write(h, &s); });
    EXPECT_EQ(r, static_cast<int>(out.size()));
    return out;
}

TEST(Rdr, ImagesShortAndHostileLists) {
    uint16_t bins[3] = {1, 0x0102, 65534};
    EXPECT_EQ(write_of(kelvo_rdrwrite, kelvo_rdr_struct{}), (Bytes{2, 0, 1, 70, 0, 0}));
    EXPECT_EQ(write_of(kelvo_rdrwrite, kelvo_rdr_struct{0, 0, 0, 3, bins}), (Bytes{8, 0, 1, 70, 3, 0, 1, 0, 2, 1, 0xFE, 0xFF}));
    EXPECT_EQ(write_of(kelvo_rdrwrite, kelvo_rdr_struct{0, 0, 0, 2, nullptr}), (Bytes{6, 0, 1, 70, 2, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    // Decoded (missing bins 65535, status from 0xF0); last, 65535 bins in the longest record; 32767 do not fit back.
    std::vector<uint16_t> longest(32766, 0x0101);
    longest.resize(65535, 65535);
    struct { Bytes img; const kelvo_attributes *attr; std::vector<uint16_t> bins; uint32_t status; } cases[] = {
        {{2, 0, 1, 70, 0, 0}, &kLe, {}, 0xF1},  // an empty list, held in full: present, not valid
        {Image(1).u2(3).u2(1).u2(0x0102).u2(65534).record(1, 70), &kBe, {1, 0x0102, 65534}, 0xF3},
        {Image().u2(5).u2(7).u2(8).u1(9).record(1, 70), &kLe, {7, 8, 65535, 65535, 65535}, 0xF3},  // cut short
        {{1, 0, 1, 70, 2}, &kLe, {65535, 65535}, 0xF0},  // bins announced, none held
        {{0, 0, 1, 70}, &kLe, {}, 0xF1},
        {Image().u2(65535).bytes(Bytes(65533, 0x01)).record(1, 70), &kLe, longest, 0xF3}};
    kelvo_rdr_struct rdr{};
    for (auto &c : cases) {
        uint32_t status = 0xF0;
        kelvo_rdr_to_struct(&rdr, c.img.data(), c.attr, &status);
        EXPECT_EQ(std::pair(std::vector<uint16_t>(rdr.RTST_BIN, rdr.RTST_BIN + rdr.NUM_BINS), status), std::pair(c.bins, c.status));
    }
    for (uint16_t n : {32767, 32766}) EXPECT_EQ(write_of(kelvo_rdrwrite, (rdr.NUM_BINS = n, rdr)).size(), n == 32767 ? 0u : 65538u);
    EXPECT_EQ(kelvo_rdrwrite(-1, &rdr) + kelvo_sdrwrite(-1, nullptr) + kelvo_bpswrite(-1, nullptr) + kelvo_dtrwrite(-1, nullptr)
              + kelvo_epswrite(-1, nullptr), -5);
}

TEST(Sdr, ImagesTrailingEmptyStringsHostileRecordsAndRoundTrip) {
    uint8_t sites[4] = {1, 2, 3, 4};
    kelvo_sdr_struct sdr{}, back{}, none{};
    sdr.HEAD_NUM = 1, sdr.SITE_GRP = 9, sdr.SITE_CNT = 4, sdr.SITE_NUM = sites, none.SITE_CNT = 2;
    EXPECT_EQ(write_of(kelvo_sdrwrite, sdr), (Bytes{7, 0, 1, 80, 1, 9, 4, 1, 2, 3, 4}));
    // Only CARD_TYP: the length bytes of the two strings before it, then CARD_TYP.
    sdr.CARD_TYP.str = const_cast<char *>("prb");
    Bytes img = write_of(kelvo_sdrwrite, sdr);
    EXPECT_EQ(img, (Image().u1(1).u1(9).u1(4).bytes({1, 2, 3, 4}).u1(0).u1(0).cn("prb").record(1, 80)));
    EXPECT_EQ(write_of(kelvo_sdrwrite, none), (Bytes{5, 0, 1, 80, 0, 0, 2, 0, 0}));  // a null site list: sites 0
    uint32_t status[16] = {};
    // Sites announced beyond the record are cut to those held; a length past the end to the bytes held.
    for (auto [cnt, held] : {std::pair{200, 2}, {9, 0}}) {
        img = Image().u1(1).u1(1).u1(static_cast<uint8_t>(cnt)).bytes(Bytes(held, 7)).record(1, 80);
        kelvo_sdr_to_struct(&back, img.data(), &kLe, status);
        EXPECT_EQ(std::pair(int{back.SITE_CNT}, back.SITE_NUM == nullptr), std::pair(held, held == 0));
    }
    img = Image().u1(1).u1(1).u1(0).cn("ab").u1(250).raw("xyz").record(1, 80);
    kelvo_sdr_to_struct(&back, img.data(), &kLe, status);
    ASSERT_EQ(kelvo_sdr_buf(&back), 1);
    EXPECT_STREQ(back.HAND_ID.str, "xyz");

    // Generated SDRs decoded (present up to the last non-empty string), copied, written again: the same bytes.
    using S = kelvo_sdr_struct;
    kelvo_cn S::*const field[16] = {&S::HAND_TYP, &S::HAND_ID, &S::CARD_TYP, &S::CARD_ID, &S::LOAD_TYP, &S::LOAD_ID,
                                    &S::DIB_TYP,  &S::DIB_ID,  &S::CABL_TYP, &S::CABL_ID, &S::CONT_TYP, &S::CONT_ID,
                                    &S::LASR_TYP, &S::LASR_ID, &S::EXTR_TYP, &S::EXTR_ID};
    std::mt19937 rng(80);
    for (int round = 0; round < 40; ++round) {
        std::vector<std::string> texts(16);
        uint8_t nums[8] = {1, 2, 3, 4, 5, 6, 7, static_cast<uint8_t>(rng())};
        S gen{};
        gen.HEAD_NUM = static_cast<uint8_t>(rng()), gen.SITE_CNT = static_cast<uint8_t>(rng() % 9), gen.SITE_NUM = nums;
        for (int i = 0; i < 16; ++i)
            (gen.*field[i]).str = (texts[i] = rng() % 3 ? "" : std::string(rng() % 9, static_cast<char>('a' + i))).data();
        Bytes first = write_of(kelvo_sdrwrite, gen);
        std::vector<uint32_t> words(16, 0xF0);  // the bits above the two are kept
        int last = 15;
        while (last >= 0 && texts[last].empty()) --last;
        kelvo_sdr_to_struct(&gen, first.data(), &kLe, words.data());
        ASSERT_EQ(kelvo_sdr_buf(&gen), 1);
        EXPECT_EQ(Bytes(gen.SITE_NUM, gen.SITE_NUM + gen.SITE_CNT), Bytes(nums, nums + gen.SITE_CNT));
        for (int i = 0; i < 16; ++i) {
            const kelvo_cn &t = gen.*field[i], &prev = gen.*field[i ? i - 1 : 0];
            EXPECT_EQ(texts[i], t.str);
            EXPECT_EQ(words[i], 0xF0u | (i <= last ? KELVO_PRESENT : 0u) | (texts[i].empty() ? 0u : KELVO_VALID));
            if (i > 0 && gen.REC_LEN > gen.SITE_CNT + 3) { EXPECT_EQ(t.str, prev.str + prev.len + 1); }  // else none copied
        }
        EXPECT_EQ(write_of(kelvo_sdrwrite, gen), first);
    }
}

TEST(Sections, EpsBpsAndDtrImagesAndCopies) {
    // A BPS without a name is the bare header, a DTR always carries its length byte; texts end at 255.
    std::string name(300, 'T');
    EXPECT_EQ(write_of(kelvo_epswrite, kelvo_eps_struct{0xFFFF, 1, 2}), (Bytes{0, 0, 20, 20}));
    EXPECT_EQ(write_of(kelvo_bpswrite, kelvo_bps_struct{}), (Bytes{0, 0, 20, 10}));
    EXPECT_EQ(write_of(kelvo_bpswrite, kelvo_bps_struct{0, 0, 0, {0, const_cast<char *>("")}}), (Bytes{0, 0, 20, 10}));
    EXPECT_EQ(write_of(kelvo_bpswrite, kelvo_bps_struct{0, 0, 0, {0, name.data()}}), concat({{0, 1, 20, 10, 255}, Bytes(255, 'T')}));
    EXPECT_EQ(write_of(kelvo_dtrwrite, kelvo_dtr_struct{}), (Bytes{1, 0, 50, 30, 0}));
    // Short, cut and big-endian images of the one layout: the text (absent: empty) and BPS status from 0xF3.
    struct { Bytes img; const kelvo_attributes *attr; const char *text; uint32_t status; } cases[] = {
        {{0, 0, 20, 10}, &kLe, "", 0xF0}, {{0, 1, 20, 10, 0}, &kBe, "", 0xF1},
        {Image().u1(200).raw("ab").record(20, 10), &kLe, "ab", 0xF3}, {{0, 3, 20, 10, 1, 'x', 3}, &kBe, "x", 0xF3}};
    for (auto &c : cases) {
        struct { kelvo_bps_struct bps; kelvo_dtr_struct dtr; uint32_t status; } r{{}, {}, 0xF3};
        kelvo_bps_to_struct(&r.bps, c.img.data(), c.attr, &r.status);
        kelvo_dtr_to_struct(&r.dtr, c.img.data(), c.attr);
        EXPECT_EQ(std::tuple(str(r.bps.SEQ_NAME), str(r.dtr.TEXT_DAT), r.status), std::tuple(c.text, c.text, c.status));
    }
}

// The real files through buf_read: the SDR (checked by hand: 01 00 00, a 9-character handler type,
// five empty strings, 01 "0"), the first BPS (0008 140a 07 "seqU738"), the counts of BPS and EPS (no body).
TEST(RealFiles, SiteAndSectionRecords) {
    for (auto [file, bps_count, eps_count] : {std::tuple{"lot2", 784, 703}, std::tuple{"lot3", 809, 701}}) {
        SCOPED_TRACE(file);
        int h = kelvo_open(data_file(file).c_str(), "r");
        std::map<int, int> seen;
        struct { kelvo_far_struct far; kelvo_sdr_struct sdr; kelvo_bps_struct bps; kelvo_eps_struct eps; } r{};
        uint32_t status[16] = {};
        for (kelvo_header hd; kelvo_headread(h, &hd) == 4;) {
            int code = hd.REC_TYP * 100 + hd.REC_SUB;
            if (code == 10) {
                ASSERT_EQ(kelvo_farread(h, &hd, &r.far), 2);
            } else if (code == 180) {
                ASSERT_EQ(kelvo_sdrbuf_read(h, &hd, &r.sdr, status), 20);
                EXPECT_TRUE(r.sdr.HEAD_NUM == 1 && status[5] == 1u && status[7] == 0u);
                EXPECT_EQ(std::strlen(r.sdr.HAND_TYP.str), 9u);
                EXPECT_STREQ(r.sdr.DIB_TYP.str, "0");
            } else if (code == 2010) {
                ASSERT_GT(kelvo_bpsbuf_read(h, &hd, &r.bps, status), 0);
                if (seen[code] == 0) { EXPECT_STREQ(r.bps.SEQ_NAME.str, "seqU738"); }
            } else if (code == 2020) {
                ASSERT_EQ(kelvo_epsbuf_read(h, &hd, &r.eps), 0);
            } else {
                ASSERT_GE(kelvo_skip_record(h, &hd), 0);
            }
            ++seen[code];
        }
        kelvo_close(h);
        EXPECT_EQ((std::vector{seen[180], seen[2010], seen[2020]}), (std::vector{1, bps_count, eps_count}));
    }
}
