// HBR, SBR, PIR and PRR: images, short and hostile records, byte orders, copies,
// version-3 handles, round trips and the real files.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "testutil.h"

using namespace kt;

namespace {

const kelvo_attributes kLe{2, 4};
constexpr uint32_t kOther = 0x100;  // a caller's bit that decoders must leave alone
constexpr uint32_t kBoth = KELVO_PRESENT | KELVO_VALID;

std::string str(const kelvo_cn &s) { return std::string(s.str, s.len); }

// The image cut to REC_LEN + 4 bytes on the heap, so that reading past it is caught.
Bytes cut(const Bytes &full, uint16_t rec_len) {
    Bytes b(full.begin(), full.begin() + rec_len + 4);
    b[0] = static_cast<uint8_t>(rec_len);
    b[1] = static_cast<uint8_t>(rec_len >> 8);
    return b;
}

// Opens a file of the given records behind a FAR of `cpu` and `version`; reads the FAR.
int open_file(TempFile &tmp, const Bytes &records, int cpu = 2, int version = 4) {
    int h = open_bytes(concat({far_record(cpu, version), records}), tmp);
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    EXPECT_EQ(kelvo_farread(h, &hd, &far), 2);
    return h;
}

}  // namespace

TEST(Bins, WrittenImagesAndTrailingOmission) {
    kelvo_hbr_struct h{};
    h.HEAD_NUM = 1, h.SITE_NUM = 2, h.HBIN_NUM = 3, h.HBIN_CNT = 0x01020304, h.HBIN_PF = ' ';
    Bytes base = {1, 2, 3, 0, 4, 3, 2, 1};
    EXPECT_EQ(written([&](int w) { EXPECT_EQ(kelvo_hbrwrite(w, &h), 12); }), concat({{8, 0, 1, 40}, base}));
    h.HBIN_PF = 'P';
    EXPECT_EQ(written([&](int w) { kelvo_hbrwrite(w, &h); }), concat({{9, 0, 1, 40}, base, {'P'}}));
    h.HBIN_PF = ' ';
    h.HBIN_NAM.str = const_cast<char *>("ok");
    EXPECT_EQ(written([&](int w) { EXPECT_EQ(kelvo_hbrwrite(w, &h), 16); }),
              concat({{12, 0, 1, 40}, base, {' ', 2, 'o', 'k'}}));
    // SBR: the same bytes under its own code.
    kelvo_sbr_struct s{};
    s.HEAD_NUM = 1, s.SITE_NUM = 2, s.SBIN_NUM = 3, s.SBIN_CNT = 0x01020304, s.SBIN_PF = ' ';
    s.SBIN_NAM.str = const_cast<char *>("ok");
    EXPECT_EQ(written([&](int w) { EXPECT_EQ(kelvo_sbrwrite(w, &s), 16); }),
              concat({{12, 0, 1, 50}, base, {' ', 2, 'o', 'k'}}));
    // A long name is clamped to 255; a null one is empty.
    std::string longname(300, 'n');
    s.SBIN_NAM.str = longname.data();
    EXPECT_EQ(kelvo_sbr_size(&s), 269);
    EXPECT_EQ(s.SBIN_NAM.len, 255);
    s.SBIN_NAM.str = nullptr;
    EXPECT_EQ(kelvo_sbr_size(&s), 12);
    EXPECT_EQ(kelvo_hbrwrite(-1, &h), -1);
    EXPECT_EQ(kelvo_sbrwrite(-1, &s), -1);
}

TEST(Bins, ShortRecordsFieldByField) {
    Bytes full = Image().u1(1).u1(2).u2(3).u4(4).u1('F').cn("name").record(1, 40);
    kelvo_hbr_struct h;
    for (uint16_t len = 0; len <= 14; ++len) {
        SCOPED_TRACE(len);
        Bytes img = cut(full, len);
        uint32_t st[2] = {kOther | kBoth, kOther | kBoth};
        std::memset(&h, 0xAA, sizeof h);
        kelvo_hbr_to_struct(&h, img.data(), &kLe, st);
        EXPECT_EQ(h.REC_LEN, len);
        // Leading-block bytes the record does not hold are zero.
        EXPECT_EQ(h.HBIN_CNT, len >= 5 ? 4u : 0u);  // low byte first
        EXPECT_EQ(h.HEAD_NUM, len >= 1 ? 1 : 0);
        EXPECT_EQ(h.HBIN_PF, len >= 9 ? 'F' : ' ');
        EXPECT_EQ(st[0], kOther | (len >= 9 ? kBoth : 0u));
        EXPECT_EQ(str(h.HBIN_NAM), std::string("name").substr(0, len >= 11 ? len - 10 : 0));
        EXPECT_EQ(st[1], kOther | (len >= 11 ? kBoth : len == 10 ? KELVO_PRESENT : 0u));
        if (len < 10) { EXPECT_STREQ(h.HBIN_NAM.str, ""); }
    }
    // A space is present but not valid; a name longer than the record is cut.
    Bytes img = Image().u1(1).u1(2).u2(3).u4(4).u1(' ').u1(200).raw("ab").record(1, 50);
    kelvo_sbr_struct s;
    uint32_t st[2] = {};
    kelvo_sbr_to_struct(&s, img.data(), &kLe, st);
    EXPECT_EQ(s.SBIN_PF, ' ');
    EXPECT_EQ(st[0], KELVO_PRESENT);
    EXPECT_EQ(str(s.SBIN_NAM), "ab");
    kelvo_sbr_to_struct(&s, img.data(), &kLe, nullptr);  // no status array wanted
}

TEST(Bins, BigEndianBufReadAndReturnCodes) {
    Bytes rec = Image(1).u1(7).u1(8).bytes({0, 5}).bytes({0, 0, 1, 0}).u1('P').cn("bin5").record(1, 40);
    TempFile tmp;
    int h = open_file(tmp, concat({rec, rec, {0, 20, 1, 50, 1, 2}}), 1);
    kelvo_header hd = next_header(h);
    kelvo_hbr_struct hbr{};
    uint32_t st[2] = {};
    ASSERT_EQ(kelvo_hbrbuf_read(h, &hd, &hbr, st), 14);
    EXPECT_EQ(hbr.REC_LEN, 14);
    EXPECT_EQ(hbr.HEAD_NUM, 7);
    EXPECT_EQ(hbr.SITE_NUM, 8);
    EXPECT_EQ(hbr.HBIN_NUM, 5);
    EXPECT_EQ(hbr.HBIN_CNT, 256u);
    EXPECT_STREQ(hbr.HBIN_NAM.str, "bin5");  // NUL-terminated copy
    hd = next_header(h);
    kelvo_hbr_struct again{};
    ASSERT_EQ(kelvo_hbrread(h, &hd, &again, nullptr), 14);
    EXPECT_EQ(again.HBIN_CNT, 256u);
    // A body cut short by the end of the file: 0, missing bytes zero.
    hd = next_header(h);
    kelvo_sbr_struct sbr{};
    EXPECT_EQ(kelvo_sbrbuf_read(h, &hd, &sbr, st), 0);
    EXPECT_EQ(sbr.SBIN_CNT, 0u);
    kelvo_close(h);
    EXPECT_EQ(kelvo_sbrread(h, &hd, &sbr, st), 0);
    EXPECT_EQ(kelvo_hbrbuf_read(-1, &hd, &hbr, st), 0);
    // An empty name still becomes a terminated string in the string buffer.
    hbr.HBIN_NAM = {0, nullptr};
    EXPECT_EQ(kelvo_hbr_buf(&hbr), 1);
    ASSERT_NE(hbr.HBIN_NAM.str, nullptr);
    EXPECT_STREQ(hbr.HBIN_NAM.str, "");
}

TEST(Pir, ImagesShortRecordsAndReads) {
    kelvo_pir_struct p{};
    p.REC_LEN = 99, p.HEAD_NUM = 3, p.SITE_NUM = 4;
    EXPECT_EQ(written([&](int w) { EXPECT_EQ(kelvo_pirwrite(w, &p), 6); }), (Bytes{2, 0, 5, 10, 3, 4}));
    EXPECT_EQ(p.REC_LEN, 2);
    EXPECT_EQ(kelvo_pir_size(&p), 6);
    EXPECT_EQ(kelvo_pirwrite(-1, &p), -1);
    EXPECT_EQ(kelvo_pirwrite(31, &p), 0);  // not open
    // Fixed bytes past REC_LEN are zero, never the bytes behind the record.
    Bytes img = {1, 0, 5, 10, 7, 9};
    kelvo_pir_to_struct(&p, cut(img, 1).data(), &kLe);
    EXPECT_EQ(p.HEAD_NUM, 7);
    EXPECT_EQ(p.SITE_NUM, 0);
    kelvo_pir_to_struct(&p, cut(img, 0).data(), &kLe);
    EXPECT_EQ(p.HEAD_NUM, 0);
    // Big-endian, longer than 2 bytes; buf_read returns exactly what the read does.
    TempFile tmp;
    int h = open_file(tmp, {0, 3, 5, 10, 1, 2, 0xEE, 0, 2, 5, 10, 1}, 1);
    kelvo_header hd = next_header(h);
    EXPECT_EQ(kelvo_pirbuf_read(h, &hd, &p), 3);
    EXPECT_EQ(p.REC_LEN, 3);
    EXPECT_EQ(p.SITE_NUM, 2);
    hd = next_header(h);
    EXPECT_EQ(kelvo_pirbuf_read(h, &hd, &p), 0);
    kelvo_close(h);
}

namespace {
// A PRR with every optional field holding a value: SOFT_BIN at 11, X 13, Y 15,
// TEST_T 17, PART_ID 21, PART_TXT 24, PART_FIX 26; REC_LEN 25.
Bytes full_prr(int cpu = 2) {
    return Image(cpu).u1(1).u1(2).u1(0x08).u2(10).u2(11).u2(3).u2(4).u2(5).u4(6).cn("ab").cn("c").bytes({2, 0xF0, 0x0F})
        .record(5, 20);
}
}  // namespace

TEST(Prr, ShortRecordsFieldByField) {
    Bytes full = full_prr();
    ASSERT_EQ(full.size(), 29u);
    for (uint16_t len = 0; len <= 25; ++len) {
        SCOPED_TRACE(len);
        Bytes img = cut(full, len);
        uint32_t end = len + 4u;
        uint32_t st[7];
        for (uint32_t &w : st) w = kOther | kBoth;
        kelvo_prr_struct r;
        std::memset(&r, 0xAA, sizeof r);
        kelvo_prr_to_struct(&r, img.data(), &kLe, st);
        EXPECT_EQ(r.REC_LEN, len);
        EXPECT_EQ(r.SITE_NUM, end > 5 ? 2 : 0);
        EXPECT_EQ(r.PART_FLG, end > 6 ? 8 : 0);
        // A number cut by the end keeps the bytes held (low byte first here).
        EXPECT_EQ(r.NUM_TEST, end > 7 ? 10 : 0);
        EXPECT_EQ(r.HARD_BIN, end > 9 ? 11 : 0);
        EXPECT_EQ(r.SOFT_BIN, end > 11 ? 3 : 65535);
        EXPECT_EQ(r.X_COORD, end > 13 ? 4 : -32768);
        EXPECT_EQ(r.Y_COORD, end > 15 ? 5 : -32768);
        EXPECT_EQ(r.TEST_T, end > 17 ? 6u : 0u);
        EXPECT_EQ(str(r.PART_ID), std::string("ab").substr(0, end > 22 ? end - 22 : 0));
        EXPECT_EQ(str(r.PART_TXT), std::string("c").substr(0, end > 25 ? end - 25 : 0));
        EXPECT_EQ(r.PART_FIX.len, end > 27 ? end - 27 : 0);
        if (end <= 21) { EXPECT_STREQ(r.PART_ID.str, ""); }
        if (end <= 24) { EXPECT_STREQ(r.PART_TXT.str, ""); }
        if (end <= 26) { EXPECT_EQ(r.PART_FIX.data, nullptr); }
        else EXPECT_EQ(r.PART_FIX.data, img.data() + 27);
        const uint32_t starts[7] = {11, 13, 15, 17, 21, 24, 26};
        for (int w = 0; w < 7; ++w) {
            bool present = starts[w] < end;
            // Strings and PART_FIX are valid only when something of them is held.
            bool valid = present && (w < 4 || end > starts[w] + 1);
            EXPECT_EQ(st[w], kOther | (present ? KELVO_PRESENT : 0u) | (valid ? KELVO_VALID : 0u)) << "word " << w;
        }
    }
}

TEST(Prr, MissingValuesOnTheWireAndBigEndian) {
    Bytes img = Image().u1(1).u1(2).u1(0).u2(1).u2(1).u2(65535).u2(0).u2(0x8000).u4(0).cn("").cn("").u1(0).record(5, 20);
    uint32_t st[7] = {};
    kelvo_prr_struct r;
    kelvo_prr_to_struct(&r, img.data(), &kLe, st);
    const uint32_t expect[7] = {KELVO_PRESENT, kBoth, KELVO_PRESENT, KELVO_PRESENT,
                                KELVO_PRESENT, KELVO_PRESENT, KELVO_PRESENT};
    for (int w = 0; w < 7; ++w) EXPECT_EQ(st[w], expect[w]) << "word " << w;
    // Every multi-byte number converted from big-endian; single bytes untouched.
    TempFile tmp;
    Bytes be = Image(1).u1(1).u1(2).u1(0x08).u2(300).u2(301).u2(302).u2(static_cast<uint16_t>(-7)).u2(9).u4(70000)
        .cn("id").record(5, 20);
    int h = open_file(tmp, be, 1);
    kelvo_header hd = next_header(h);
    ASSERT_EQ(kelvo_prrread(h, &hd, &r, st), 20);
    EXPECT_EQ(r.REC_LEN, 20);
    EXPECT_EQ(r.PART_FLG, 0x08);
    EXPECT_EQ(r.NUM_TEST, 300);
    EXPECT_EQ(r.HARD_BIN, 301);
    EXPECT_EQ(r.SOFT_BIN, 302);
    EXPECT_EQ(r.X_COORD, -7);
    EXPECT_EQ(r.Y_COORD, 9);
    EXPECT_EQ(r.TEST_T, 70000u);
    EXPECT_EQ(str(r.PART_ID), "id");
    kelvo_close(h);
}

TEST(Prr, WrittenImagesAndTrailingOmission) {
    kelvo_prr_struct r{};
    r.HEAD_NUM = 1, r.SITE_NUM = 2, r.PART_FLG = 3, r.NUM_TEST = 0x0504, r.HARD_BIN = 6;
    r.SOFT_BIN = 65535, r.X_COORD = -32768, r.Y_COORD = -32768;
    Bytes fixed = {1, 2, 3, 4, 5, 6, 0};
    Bytes markers = {0xFF, 0xFF, 0x00, 0x80, 0x00, 0x80};
    EXPECT_EQ(written([&](int w) { EXPECT_EQ(kelvo_prrwrite(w, &r), 11); }), concat({{7, 0, 5, 20}, fixed}));
    r.PART_FIX = {3, nullptr};  // a count without bytes is not written
    EXPECT_EQ(kelvo_prr_size(&r), 11);
    r.TEST_T = 5;
    EXPECT_EQ(written([&](int w) { EXPECT_EQ(kelvo_prrwrite(w, &r), 21); }),
              concat({{17, 0, 5, 20}, fixed, markers, {5, 0, 0, 0}}));
    r.TEST_T = 0;
    uint8_t fix[3] = {7, 8, 9};
    r.PART_FIX = {3, fix};
    EXPECT_EQ(written([&](int w) { EXPECT_EQ(kelvo_prrwrite(w, &r), 27); }),
              concat({{23, 0, 5, 20}, fixed, markers, {0, 0, 0, 0, 0, 0, 3, 7, 8, 9}}));
    // Texts: clamped to 255 with the length stored back; a null one is empty.
    std::string txt(300, 't');
    r.PART_FIX = {0, fix};
    r.PART_ID.str = nullptr;
    r.PART_TXT.str = txt.data();
    EXPECT_EQ(kelvo_prr_size(&r), 11 + 10 + 1 + 256);
    EXPECT_EQ(r.PART_TXT.len, 255);
    EXPECT_EQ(r.PART_ID.len, 0);
    EXPECT_EQ(r.REC_LEN, 274);
    EXPECT_EQ(kelvo_prrwrite(-1, &r), -1);
}

TEST(Prr, CopyReservesForBothTextsAndTerminators) {
    // No string buffer, REC_LEN 14 and no PART_ID: both texts still fit with their NULs.
    kelvo_free();
    Bytes img = Image().u1(1).u1(2).u1(0).u2(1).u2(1).u2(1).u2(0).u2(0).u1(0).record(5, 20);
    ASSERT_EQ(img.size(), 18u);
    kelvo_prr_struct r;
    kelvo_prr_to_struct(&r, img.data(), &kLe, nullptr);
    ASSERT_EQ(kelvo_prr_buf(&r), 1);
    EXPECT_STREQ(r.PART_ID.str, "");
    EXPECT_STREQ(r.PART_TXT.str, "");
    EXPECT_EQ(r.PART_TXT.str, r.PART_ID.str + 1);
    // Texts longer than REC_LEN suggests (a structure the caller filled).
    kelvo_free();
    std::string id(255, 'i'), txt(255, 't');
    r = kelvo_prr_struct{};
    r.REC_LEN = 7;
    r.PART_ID = {255, id.data()};
    r.PART_TXT = {255, txt.data()};
    ASSERT_EQ(kelvo_prr_buf(&r), 1);
    EXPECT_EQ(std::string(r.PART_ID.str), id);
    EXPECT_EQ(std::string(r.PART_TXT.str), txt);
    // A hostile PART_ID length is cut to the record; PART_FIX stays in the read buffer.
    TempFile tmp;
    Bytes rec = Image().u1(1).u1(2).u1(0).u2(1).u2(1).u2(1).u2(0).u2(0).u4(0).u1(200).raw("xyz").record(5, 20);
    int h = open_file(tmp, concat({rec, full_prr()}));
    kelvo_header hd = next_header(h);
    uint32_t st[7] = {};
    ASSERT_EQ(kelvo_prrbuf_read(h, &hd, &r, st), 21);
    EXPECT_STREQ(r.PART_ID.str, "xyz");
    EXPECT_EQ(st[5], 0u);
    hd = next_header(h);
    ASSERT_EQ(kelvo_prrbuf_read(h, &hd, &r, st), 25);
    EXPECT_STREQ(r.PART_ID.str, "ab");
    EXPECT_STREQ(r.PART_TXT.str, "c");
    EXPECT_EQ(r.PART_FIX.len, 2);
    EXPECT_EQ(r.PART_FIX.data[0], 0xF0);
    kelvo_close(h);
}

TEST(Version3, ReadersUseTheVersion3DecodersSafely) {
    for (int version : {3, 0}) {
        SCOPED_TRACE(version);
        Bytes records = concat({Image().u2(5).u4(6).cn("b").record(1, 40), Image().u2(5).u4(6).record(1, 50),
                                Image().u1(1).u1(2).u2(3).u2(4).cn("p").record(5, 10), full_prr()});
        TempFile tmp;
        int h = version ? open_file(tmp, records, 2, version) : open_bytes(records, tmp);
        kelvo_header hd = next_header(h);
        kelvo_hbr_struct hbr;
        uint32_t st[7];
        for (uint32_t &w : st) w = kOther | kBoth;
        EXPECT_EQ(kelvo_hbrbuf_read(h, &hd, &hbr, st), 8);
        EXPECT_EQ(hbr.REC_LEN, 8);
        EXPECT_EQ(hbr.HEAD_NUM, 255);
        EXPECT_EQ(hbr.SITE_NUM, 255);
        EXPECT_EQ(hbr.HBIN_PF, ' ');
        EXPECT_EQ(st[0], kOther);
        hd = next_header(h);
        kelvo_sbr_struct sbr;
        EXPECT_EQ(kelvo_sbrread(h, &hd, &sbr, nullptr), 6);
        EXPECT_EQ(sbr.SBIN_PF, ' ');
        hd = next_header(h);
        kelvo_pir_struct pir;
        EXPECT_EQ(kelvo_pirbuf_read(h, &hd, &pir), 8);
        EXPECT_EQ(pir.REC_LEN, 8);
        hd = next_header(h);
        kelvo_prr_struct prr;
        EXPECT_EQ(kelvo_prrbuf_read(h, &hd, &prr, st), 25);
        EXPECT_EQ(prr.REC_LEN, 25);
        EXPECT_EQ(prr.PART_FIX.data, nullptr);
        EXPECT_STREQ(prr.PART_ID.str, "");
        for (int w = 0; w < 7; ++w) EXPECT_EQ(st[w], kOther) << "word " << w;
        kelvo_close(h);
    }
}

TEST(RoundTrip, WrittenReadBackAndWrittenAgain) {
    std::mt19937 rng(7);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::vector<std::string> texts;
    texts.reserve(400 * 3);
    auto text = [&]() -> char * {
        texts.push_back(std::string(pick(3) ? pick(5) : pick(300), static_cast<char>('a' + pick(26))));
        return texts.back().data();
    };
    std::vector<uint8_t> fix(255, 0x5A);
    auto first = written([&](int w) {
        for (int i = 0; i < 400; ++i) {
            kelvo_prr_struct r{};
            r.HEAD_NUM = static_cast<uint8_t>(pick(256)), r.PART_FLG = static_cast<uint8_t>(pick(256));
            r.NUM_TEST = static_cast<uint16_t>(rng()), r.HARD_BIN = static_cast<uint16_t>(rng());
            r.SOFT_BIN = pick(2) ? 65535 : static_cast<uint16_t>(rng());
            r.X_COORD = pick(2) ? -32768 : static_cast<int16_t>(rng());
            r.Y_COORD = pick(2) ? -32768 : static_cast<int16_t>(rng());
            r.TEST_T = pick(2) ? 0 : static_cast<uint32_t>(rng());
            r.PART_ID.str = pick(2) ? text() : nullptr;
            r.PART_TXT.str = pick(2) ? text() : nullptr;
            r.PART_FIX = {static_cast<uint8_t>(pick(3) ? 0 : pick(256)), pick(4) ? fix.data() : nullptr};
            ASSERT_GT(kelvo_prrwrite(w, &r), 0);
            kelvo_hbr_struct b{};
            b.HBIN_CNT = static_cast<uint32_t>(rng()), b.HBIN_PF = pick(2) ? ' ' : static_cast<char>(pick(256));
            b.HBIN_NAM.str = pick(2) ? text() : nullptr;
            kelvo_sbr_struct s{};
            s.SBIN_NUM = static_cast<uint16_t>(rng()), s.SBIN_PF = pick(2) ? ' ' : 'F';
            s.SBIN_NAM.str = pick(2) ? text() : nullptr;
            ASSERT_GT(i % 2 ? kelvo_hbrwrite(w, &b) : kelvo_sbrwrite(w, &s), 0);
            kelvo_pir_struct p{0, 0, 0, static_cast<uint8_t>(i), 1};
            ASSERT_EQ(kelvo_pirwrite(w, &p), 6);
        }
    });
    TempFile in(concat({far_record(2), first}));
    int h = kelvo_open(in.path().c_str(), "r");
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    ASSERT_EQ(kelvo_farread(h, &hd, &far), 2);
    auto second = written([&](int w) {
        while (kelvo_headread(h, &hd) == 4) {
            if (hd.REC_SUB == 20) {
                kelvo_prr_struct r;
                ASSERT_GT(kelvo_prrbuf_read(h, &hd, &r, nullptr), 0);
                kelvo_prrwrite(w, &r);
            } else if (hd.REC_SUB == 40) {
                kelvo_hbr_struct b;
                ASSERT_GT(kelvo_hbrbuf_read(h, &hd, &b, nullptr), 0);  // writers need terminated texts
                kelvo_hbrwrite(w, &b);
            } else if (hd.REC_SUB == 50) {
                kelvo_sbr_struct s;
                ASSERT_GT(kelvo_sbrbuf_read(h, &hd, &s, nullptr), 0);
                kelvo_sbrwrite(w, &s);
            } else {
                kelvo_pir_struct p;
                ASSERT_EQ(kelvo_pirread(h, &hd, &p), 2);
                kelvo_pirwrite(w, &p);
            }
        }
    });
    kelvo_close(h);
    EXPECT_EQ(second, first);
}

TEST(RealFiles, PartsAndBinsDecodeAndAgree) {
    struct Lot {
        const char *name;
        long parts, bins;
        uint32_t first_bin_count;
    };
    for (const Lot &lot : {Lot{"lot2", 1569, 10, 1389}, Lot{"lot3", 1619, 11, 1378}}) {
        SCOPED_TRACE(lot.name);
        int h = kelvo_open(data_file(lot.name).c_str(), "r");
        ASSERT_GE(h, 0);
        kelvo_header hd;
        long pirs = 0, prrs = 0, hbrs = 0, sbrs = 0;
        std::map<uint16_t, uint32_t> hard, soft, hbin, sbin;
        while (kelvo_headread(h, &hd) == 4) {
            uint32_t st[7] = {};
            int r;
            if (hd.REC_TYP == 0 && hd.REC_SUB == 10) {
                kelvo_far_struct far;
                r = kelvo_farread(h, &hd, &far);
            } else if (hd.REC_TYP == 5 && hd.REC_SUB == 10) {
                kelvo_pir_struct p;
                r = kelvo_pirbuf_read(h, &hd, &p);
                EXPECT_EQ(p.HEAD_NUM, 1);
                ++pirs;
            } else if (hd.REC_TYP == 5 && hd.REC_SUB == 20) {
                kelvo_prr_struct p;
                r = kelvo_prrbuf_read(h, &hd, &p, st);
                ++prrs;
                // Part identifiers count the parts; the fail flag marks every bin but 1.
                EXPECT_STREQ(p.PART_ID.str, std::to_string(prrs).c_str());
                EXPECT_EQ(p.PART_FLG == 0x08, p.HARD_BIN != 1);
                EXPECT_EQ(st[3], KELVO_PRESENT);  // TEST_T 0
                EXPECT_EQ(st[5], 0u);
                ++hard[p.HARD_BIN], ++soft[p.SOFT_BIN];
                if (prrs == 1) {  // bytes 00 13 05 14 01 00 08 00 01 00 05 00 05 00 13 ff fd ...
                    EXPECT_EQ(p.REC_LEN, 19);
                    EXPECT_EQ(p.NUM_TEST, 1);
                    EXPECT_EQ(p.HARD_BIN, 5);
                    EXPECT_EQ(p.X_COORD, 19);
                    EXPECT_EQ(p.Y_COORD, -3);
                }
            } else if (hd.REC_TYP == 1 && hd.REC_SUB == 40) {
                kelvo_hbr_struct b;  // bytes 00 09 01 28 ff 00 00 01 00 00 05 6d 00
                r = kelvo_hbrbuf_read(h, &hd, &b, st);
                if (hbin.empty()) { EXPECT_EQ(b.HBIN_CNT, lot.first_bin_count); }
                hbin[b.HBIN_NUM] += b.HBIN_CNT;
                ++hbrs;
                EXPECT_EQ(b.HEAD_NUM, 255);
                EXPECT_EQ(b.HBIN_PF, '\0');  // not a space: present and valid
                EXPECT_EQ(st[0], kBoth);
                EXPECT_EQ(st[1], 0u);
            } else if (hd.REC_TYP == 1 && hd.REC_SUB == 50) {
                kelvo_sbr_struct b;
                r = kelvo_sbrbuf_read(h, &hd, &b, st);
                sbin[b.SBIN_NUM] += b.SBIN_CNT;
                ++sbrs;
                EXPECT_EQ(b.SITE_NUM, 0);
                EXPECT_EQ(st[0], kBoth);
            } else {
                r = kelvo_skip_record(h, &hd);
            }
            ASSERT_TRUE(r > 0 || (r == 0 && hd.REC_LEN == 0));
        }
        kelvo_close(h);
        EXPECT_EQ(pirs, lot.parts);
        EXPECT_EQ(prrs, lot.parts);
        EXPECT_EQ(hbrs, lot.bins);
        EXPECT_EQ(sbrs, lot.bins);
        EXPECT_EQ(hbin, hard);
        EXPECT_EQ(sbin, soft);
    }
}
