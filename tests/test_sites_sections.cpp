// RDR, SDR, BPS, EPS and DTR: images, short and hostile records, copies, round
// trips and the real files.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "testutil.h"

using namespace kt;

namespace {

const kelvo_attributes kLe{2, 4}, kBe{1, 4};

std::string str(const kelvo_cn &s) { return std::string(s.str, s.len); }

// What a writer produces on a fresh file; `result` gets its return value.
template <class S>
Bytes write_of(int (*write)(int, S *), S s, int *result = nullptr) {
    return written([&](int h) {
        int r = write(h, &s);
        if (result) *result = r;
    });
}

// String i of an SDR in wire order.
kelvo_cn &text(kelvo_sdr_struct &s, int i) {
    static kelvo_cn kelvo_sdr_struct::*const fields[16] = {
        &kelvo_sdr_struct::HAND_TYP, &kelvo_sdr_struct::HAND_ID, &kelvo_sdr_struct::CARD_TYP, &kelvo_sdr_struct::CARD_ID,
        &kelvo_sdr_struct::LOAD_TYP, &kelvo_sdr_struct::LOAD_ID, &kelvo_sdr_struct::DIB_TYP,  &kelvo_sdr_struct::DIB_ID,
        &kelvo_sdr_struct::CABL_TYP, &kelvo_sdr_struct::CABL_ID, &kelvo_sdr_struct::CONT_TYP, &kelvo_sdr_struct::CONT_ID,
        &kelvo_sdr_struct::LASR_TYP, &kelvo_sdr_struct::LASR_ID, &kelvo_sdr_struct::EXTR_TYP, &kelvo_sdr_struct::EXTR_ID};
    return s.*fields[i];
}

}  // namespace

TEST(Rdr, ImagesShortAndHostileLists) {
    int result = 0;
    EXPECT_EQ(write_of(kelvo_rdrwrite, kelvo_rdr_struct{}, &result), (Bytes{2, 0, 1, 70, 0, 0}));
    EXPECT_EQ(result, 6);
    uint16_t bins[3] = {1, 0x0102, 65534};
    EXPECT_EQ(write_of(kelvo_rdrwrite, kelvo_rdr_struct{0, 0, 0, 3, bins}), (Bytes{8, 0, 1, 70, 3, 0, 1, 0, 2, 1, 0xFE, 0xFF}));
    EXPECT_EQ(write_of(kelvo_rdrwrite, kelvo_rdr_struct{0, 0, 0, 2, nullptr}), (Bytes{6, 0, 1, 70, 2, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    struct Case {
        Bytes img;
        const kelvo_attributes *attr;
        std::vector<uint16_t> bins;
        uint32_t status;  // from 0xF0
    } cases[] = {
        {{2, 0, 1, 70, 0, 0}, &kLe, {}, 0xF1},  // an empty list, held in full: present, not valid
        {Image(1).u2(3).u2(1).u2(0x0102).u2(65534).record(1, 70), &kBe, {1, 0x0102, 65534}, 0xF3},
        {Image().u2(5).u2(7).u2(8).u1(9).record(1, 70), &kLe, {7, 8, 65535, 65535, 65535}, 0xF3},  // cut short
        {{1, 0, 1, 70, 2}, &kLe, {65535, 65535}, 0xF0},  // bins announced, none held
        {{0, 0, 1, 70}, &kLe, {}, 0xF1},
    };
    for (Case &c : cases) {
        kelvo_rdr_struct rdr{};
        uint32_t status = 0xF0;
        kelvo_rdr_to_struct(&rdr, c.img.data(), c.attr, &status);
        EXPECT_EQ(rdr.REC_LEN, c.img.size() - 4);
        EXPECT_EQ(std::vector<uint16_t>(rdr.RTST_BIN, rdr.RTST_BIN + rdr.NUM_BINS), c.bins);
        EXPECT_EQ(status, c.status);
    }
    // 65535 bins in the longest record; written back they do not fit, 32766 do.
    Bytes img = Image().u2(65535).bytes(Bytes(65533, 0x01)).record(1, 70);
    kelvo_rdr_struct rdr{};
    kelvo_rdr_to_struct(&rdr, img.data(), &kLe, nullptr);
    EXPECT_EQ(rdr.RTST_BIN[32765], 0x0101);
    EXPECT_EQ(rdr.RTST_BIN[65534], 65535);
    EXPECT_EQ(write_of(kelvo_rdrwrite, rdr, &result), Bytes{});
    EXPECT_EQ(result, 0);
    rdr.NUM_BINS = 32767;
    EXPECT_EQ(write_of(kelvo_rdrwrite, rdr), Bytes{});
    rdr.NUM_BINS = 32766;
    EXPECT_EQ(write_of(kelvo_rdrwrite, rdr).size(), 65538u);
    EXPECT_EQ(kelvo_rdrwrite(-1, &rdr), -1);
}

TEST(Sdr, ImagesTrailingEmptyStringsAndHostileRecords) {
    uint8_t sites[4] = {1, 2, 3, 4};
    kelvo_sdr_struct sdr{}, back{};
    sdr.HEAD_NUM = 1, sdr.SITE_GRP = 9, sdr.SITE_CNT = 4, sdr.SITE_NUM = sites;
    Bytes img = write_of(kelvo_sdrwrite, sdr);
    EXPECT_EQ(img, (Bytes{7, 0, 1, 80, 1, 9, 4, 1, 2, 3, 4}));
    uint32_t status[16];
    std::fill(status, status + 16, 0xF3u);
    kelvo_sdr_to_struct(&back, img.data(), &kLe, status);
    EXPECT_EQ(back.SITE_NUM[3], 4);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(status[i], 0xF0u);
    // Nothing behind the site numbers: the copy changes nothing.
    const char *empty = back.EXTR_ID.str;
    EXPECT_EQ(kelvo_sdr_buf(&back), 1);
    EXPECT_EQ(back.EXTR_ID.str, empty);
    // Only CARD_TYP: the length bytes of the two strings before it, then CARD_TYP.
    sdr.CARD_TYP.str = const_cast<char *>("prb");
    img = write_of(kelvo_sdrwrite, sdr);
    EXPECT_EQ(img, (Image().u1(1).u1(9).u1(4).bytes({1, 2, 3, 4}).u1(0).u1(0).cn("prb").record(1, 80)));
    kelvo_sdr_to_struct(&back, img.data(), &kLe, status);
    EXPECT_EQ(status[0], 0xF1u);
    EXPECT_EQ(status[2], 0xF3u);
    EXPECT_EQ(status[3], 0xF0u);
    // 300 characters are written as the first 255; a null site list as sites 0.
    std::string longtext(300, 'L');
    sdr.EXTR_ID.str = longtext.data();
    EXPECT_EQ(write_of(kelvo_sdrwrite, sdr).size(), 4u + 7 + 2 + 4 + 12 + 256);
    back = kelvo_sdr_struct{};
    back.SITE_CNT = 2;
    EXPECT_EQ(write_of(kelvo_sdrwrite, back), (Bytes{5, 0, 1, 80, 0, 0, 2, 0, 0}));
    EXPECT_EQ(kelvo_sdrwrite(-1, &sdr), -1);
    // Sites announced beyond the record are cut to those held; lengths past the end too.
    img = Image().u1(1).u1(1).u1(200).bytes({7, 8}).record(1, 80);
    kelvo_sdr_to_struct(&back, img.data(), &kLe, status);
    EXPECT_EQ(back.SITE_CNT, 2);
    img = Image().u1(1).u1(1).u1(9).record(1, 80);
    kelvo_sdr_to_struct(&back, img.data(), &kLe, status);
    EXPECT_EQ(back.SITE_CNT, 0);
    EXPECT_EQ(back.SITE_NUM, nullptr);
    img = Image().u1(1).u1(1).u1(0).cn("ab").u1(250).raw("xyz").record(1, 80);
    kelvo_sdr_to_struct(&back, img.data(), &kLe, status);
    ASSERT_EQ(kelvo_sdr_buf(&back), 1);
    EXPECT_STREQ(back.HAND_ID.str, "xyz");
}

TEST(Sections, EpsBpsAndDtrImagesAndCopies) {
    int result = 0;
    EXPECT_EQ(write_of(kelvo_epswrite, kelvo_eps_struct{0xFFFF, 1, 2}, &result), (Bytes{0, 0, 20, 20}));
    EXPECT_EQ(result, 4);
    // A BPS without a name is the bare header; a DTR always carries its length byte.
    EXPECT_EQ(write_of(kelvo_bpswrite, kelvo_bps_struct{}), (Bytes{0, 0, 20, 10}));
    EXPECT_EQ(write_of(kelvo_bpswrite, kelvo_bps_struct{0, 0, 0, {0, const_cast<char *>("")}}), (Bytes{0, 0, 20, 10}));
    EXPECT_EQ(write_of(kelvo_dtrwrite, kelvo_dtr_struct{}, &result), (Bytes{1, 0, 50, 30, 0}));
    EXPECT_EQ(result, 5);
    std::string longtext(300, 'T');
    Bytes img = write_of(kelvo_dtrwrite, kelvo_dtr_struct{0, 0, 0, {0, longtext.data()}});
    EXPECT_EQ(img, concat({{0, 1, 50, 30, 255}, Bytes(255, 'T')}));
    img[2] = 20, img[3] = 10;
    EXPECT_EQ(write_of(kelvo_bpswrite, kelvo_bps_struct{0, 0, 0, {0, longtext.data()}}), img);
    EXPECT_EQ(kelvo_bpswrite(-1, nullptr) + kelvo_dtrwrite(-1, nullptr) + kelvo_epswrite(-1, nullptr), -3);
    // Short and big-endian images.
    kelvo_bps_struct bps{};
    kelvo_dtr_struct dtr{};
    kelvo_eps_struct eps{};
    uint32_t status = 0xF3;
    img = {0, 0, 20, 10};
    kelvo_bps_to_struct(&bps, img.data(), &kLe, &status);
    EXPECT_STREQ(bps.SEQ_NAME.str, "");
    EXPECT_EQ(status, 0xF0u);
    img = {0, 1, 20, 10, 0};
    kelvo_bps_to_struct(&bps, img.data(), &kBe, &status);
    EXPECT_EQ(status, 0xF1u);
    img = {0, 3, 20, 20, 1, 2, 3};
    kelvo_eps_to_struct(&eps, img.data(), &kBe);
    EXPECT_EQ(eps.REC_LEN, 3);
    img = Image().u1(200).raw("ab").record(50, 30);  // a length past the end is cut
    kelvo_dtr_to_struct(&dtr, img.data(), &kLe);
    EXPECT_EQ(str(dtr.TEXT_DAT), "ab");
    img = {0, 0, 50, 30};  // no length byte to take
    kelvo_dtr_to_struct(&dtr, img.data(), &kLe);
    EXPECT_EQ(dtr.TEXT_DAT.len, 0);
    // buf_read: texts NUL-terminated at the start of the string buffer.
    TempFile tmp;
    int h = open_bytes(concat({far_record(1), Image(1).cn("sec1").raw("junk").record(20, 10),
                               Image(1).cn("line").record(50, 30), Image(1).record(20, 20)}), tmp);
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    kelvo_farread(h, &hd, &far);
    hd = next_header(h);
    ASSERT_EQ(kelvo_bpsbuf_read(h, &hd, &bps, &status), 9);
    EXPECT_STREQ(bps.SEQ_NAME.str, "sec1");
    EXPECT_EQ(status, 0xF3u);
    hd = next_header(h);
    ASSERT_EQ(kelvo_dtrbuf_read(h, &hd, &dtr), 5);
    EXPECT_STREQ(dtr.TEXT_DAT.str, "line");
    EXPECT_EQ(dtr.TEXT_DAT.str, bps.SEQ_NAME.str);
    hd = next_header(h);
    EXPECT_EQ(kelvo_epsbuf_read(h, &hd, &eps), 0);  // REC_LEN 0: no body to read
    EXPECT_EQ(eps.REC_SUB, 20);
    kelvo_close(h);
}

TEST(Sdr, GeneratedStructuresRoundTrip) {
    std::mt19937 rng(80);
    for (int round = 0; round < 40; ++round) {
        std::vector<std::string> texts(16);
        uint8_t sites[8] = {1, 2, 3, 4, 5, 6, 7, static_cast<uint8_t>(rng())};
        kelvo_sdr_struct sdr{};
        sdr.HEAD_NUM = static_cast<uint8_t>(rng()), sdr.SITE_CNT = static_cast<uint8_t>(rng() % 9), sdr.SITE_NUM = sites;
        for (int i = 0; i < 16; ++i) {
            if (rng() % 3 == 0) texts[i] = std::string(rng() % 9, static_cast<char>('a' + i));
            text(sdr, i).str = texts[i].data();
        }
        // Read back from a big-endian file (only REC_LEN differs), strings copied one
        // after another, and written again: the same bytes.
        Bytes first = write_of(kelvo_sdrwrite, sdr), be = first;
        std::swap(be[0], be[1]);
        TempFile tmp;
        int in = open_bytes(concat({far_record(1), be}), tmp);
        kelvo_header hd = next_header(in);
        kelvo_far_struct far;
        kelvo_farread(in, &hd, &far);
        hd = next_header(in);
        uint32_t status[16];
        ASSERT_EQ(kelvo_sdrbuf_read(in, &hd, &sdr, status), static_cast<int>(first.size() - 4));
        EXPECT_EQ(std::vector<uint8_t>(sdr.SITE_NUM, sdr.SITE_NUM + sdr.SITE_CNT), std::vector<uint8_t>(sites, sites + sdr.SITE_CNT));
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(texts[i], text(sdr, i).str);
            EXPECT_EQ(status[i] & KELVO_VALID, texts[i].empty() ? 0u : KELVO_VALID);
            if (i > 0 && sdr.REC_LEN > sdr.SITE_CNT + 3) {  // else no string is held, nothing copied
                EXPECT_EQ(text(sdr, i).str, text(sdr, i - 1).str + text(sdr, i - 1).len + 1);
            }
        }
        EXPECT_EQ(write_of(kelvo_sdrwrite, sdr), first);
        kelvo_close(in);
    }
}

TEST(RealFiles, SiteAndSectionRecordsDecodeAndEncodeBack) {
    for (auto [file, bps_count, eps_count] : {std::tuple{"lot2", 784, 703}, std::tuple{"lot3", 809, 701}}) {
        SCOPED_TRACE(file);
        int h = kelvo_open(data_file(file).c_str(), "r");
        std::map<int, int> seen;
        kelvo_header hd;
        while (kelvo_headread(h, &hd) == 4) {
            int code = hd.REC_TYP * 100 + hd.REC_SUB;
            if (code == 10) {
                kelvo_far_struct far;
                ASSERT_EQ(kelvo_farread(h, &hd, &far), 2);
                continue;
            }
            if (code != 180 && code != 2010 && code != 2020) {
                ASSERT_GE(kelvo_skip_record(h, &hd), 0);
                continue;
            }
            // The record's own bytes with REC_LEN made little-endian: what the encoders give back.
            long at = kelvo_seek(h, 0, SEEK_CUR);
            uint16_t len = static_cast<uint16_t>(hd.REC_LEN >> 8 | hd.REC_LEN << 8);
            Bytes original = concat({{static_cast<uint8_t>(len), static_cast<uint8_t>(len >> 8), hd.REC_TYP, hd.REC_SUB},
                                     Bytes(len)}), out;
            ASSERT_EQ(kelvo_read(h, original.data() + 4, len), len);
            kelvo_seek(h, at, SEEK_SET);
            uint32_t status[16] = {};
            if (code == 180) {
                kelvo_sdr_struct sdr{};
                ASSERT_EQ(kelvo_sdrbuf_read(h, &hd, &sdr, status), 20);
                // Checked by hand: 01 00 00, 09 "electrogl", five empty strings, 01 "0".
                EXPECT_EQ(sdr.HEAD_NUM, 1);
                EXPECT_STREQ(sdr.HAND_TYP.str, "electrogl");
                EXPECT_EQ(status[5], 1u);
                EXPECT_STREQ(sdr.DIB_TYP.str, "0");
                EXPECT_EQ(status[7], 0u);
                out.resize(static_cast<size_t>(kelvo_sdr_size(&sdr)));
                kelvo_sdr_to_memory(&sdr, out.data());
            } else if (code == 2010) {
                kelvo_bps_struct bps{};
                ASSERT_EQ(kelvo_bpsbuf_read(h, &hd, &bps, status), len);
                EXPECT_EQ(status[0], 3u);
                if (seen[code] == 0) {
                    EXPECT_STREQ(bps.SEQ_NAME.str, "seqU738");  // 0008 140a 07 "seqU738"
                }
                out.resize(static_cast<size_t>(kelvo_bps_size(&bps)));
                kelvo_bps_to_memory(&bps, out.data());
            } else {
                kelvo_eps_struct eps{};
                EXPECT_EQ(kelvo_epsread(h, &hd, &eps), 0);
                out.resize(static_cast<size_t>(kelvo_eps_size(&eps)));
                kelvo_eps_to_memory(&eps, out.data());
            }
            EXPECT_EQ(out, original);
            ++seen[code];
        }
        kelvo_close(h);
        EXPECT_EQ(seen[180], 1);
        EXPECT_EQ(seen[2010], bps_count);
        EXPECT_EQ(seen[2020], eps_count);
    }
}
