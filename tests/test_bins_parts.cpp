// HBR, SBR, PIR and PRR: images, short and hostile records, byte orders, copies, version 3, real files.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "testutil.h"

using namespace kt;
using Nums = std::vector<int64_t>;
using Words = std::vector<uint32_t>;

namespace {

const kelvo_attributes kLe{2, 4};
constexpr uint32_t kOther = 0x100;  // a caller's bit that decoders must leave alone
constexpr uint32_t kBoth = KELVO_PRESENT | KELVO_VALID;

std::string str(const kelvo_cn &s) { return std::string(s.str, s.len); }
// The record cut to REC_LEN n, in n + 4 bytes on the heap, so that reading past them is caught.
Bytes cut(const Bytes &b, uint16_t n) { return concat({Image().u2(n).body(), {b.begin() + 2, b.begin() + n + 4}}); }
Bytes full_prr() {  // every optional field: SOFT_BIN at 11, X 13, Y 15, TEST_T 17, PART_ID 21, PART_TXT 24, PART_FIX 26
    return Image().u1(1).u1(2).u1(8).u2(10).u2(11).u2(3).u2(4).u2(5).u4(6).cn("ab").cn("c").bytes({2, 0xF0, 0x0F})
        .record(5, 20);
}

struct File {  // records behind a FAR of `cpu` and `version` (none for version 0), or a real file
    TempFile tmp;
    int h;
    kelvo_header hd{};
    explicit File(const Bytes &records, int cpu = 2, int version = 4)
        : h(open_bytes(version ? concat({far_record(cpu, version), records}) : records, tmp)) { if (version) far(); }
    explicit File(const char *real) : h(kelvo_open(data_file(real).c_str(), "r")) { far(); }
    ~File() { kelvo_close(h); }
    const kelvo_header *next() { return &(hd = next_header(h)); }
    void far() { kelvo_far_struct f; EXPECT_EQ(kelvo_farread(h, next(), &f), 2); }
};

}  // namespace

TEST(BinsParts, WrittenImagesAndTrailingOmission) {
    auto image = [](auto write, auto *s, int size) { return written([&](int w) { EXPECT_EQ(write(w, s), size); }); };
    kelvo_hbr_struct h{0, 0, 0, 1, 2, 3, 0x01020304, ' ', {0, nullptr}};
    Bytes base = {1, 2, 3, 0, 4, 3, 2, 1};
    EXPECT_EQ(image(kelvo_hbrwrite, &h, 12), concat({{8, 0, 1, 40}, base}));
    h.HBIN_PF = 'P';
    EXPECT_EQ(image(kelvo_hbrwrite, &h, 13), concat({{9, 0, 1, 40}, base, {'P'}}));
    // SBR: the same bytes under its own code; a space written before a name.
    kelvo_sbr_struct s{0, 0, 0, 1, 2, 3, 0x01020304, ' ', {0, const_cast<char *>("ok")}};
    EXPECT_EQ(image(kelvo_sbrwrite, &s, 16), concat({{12, 0, 1, 50}, base, {' ', 2, 'o', 'k'}}));
    kelvo_pir_struct p{99, 0, 0, 3, 4};  // REC_LEN stored back; 31 is not open
    EXPECT_EQ(image(kelvo_pirwrite, &p, 6), (Bytes{2, 0, 5, 10, 3, 4}));
    EXPECT_EQ(Nums({p.REC_LEN, kelvo_pir_size(&p), kelvo_pirwrite(31, &p), kelvo_pirwrite(-1, &p),
                    kelvo_hbrwrite(-1, &h), kelvo_sbrwrite(-1, &s)}), (Nums{2, 6, 0, -1, -1, -1}));
    // PRR: markers written before a given field, all after the last one left out (a count without bytes too).
    kelvo_prr_struct r{0, 0, 0, 1, 2, 3, 0x0504, 6, 65535, -32768, -32768, 0, {0, nullptr}, {0, nullptr}, {3, nullptr}};
    Bytes fixed = {7, 0, 5, 20, 1, 2, 3, 4, 5, 6, 0};
    EXPECT_EQ(image(kelvo_prrwrite, &r, 11), fixed);
    uint8_t fix[3] = {7, 8, 9};
    r.PART_FIX = {3, fix}, fixed[0] = 23;
    EXPECT_EQ(image(kelvo_prrwrite, &r, 27),
              concat({fixed, {0xFF, 0xFF, 0, 0x80, 0, 0x80, 0, 0, 0, 0, 0, 0, 3, 7, 8, 9}}));
    std::string txt(300, 't');  // texts clamped to 255 with the length stored back; a null one empty
    r.PART_FIX = {0, fix}, r.PART_TXT.str = txt.data();
    EXPECT_EQ(Nums({kelvo_prr_size(&r), r.PART_TXT.len, r.PART_ID.len, r.REC_LEN, kelvo_prrwrite(-1, &r)}),
              (Nums{11 + 10 + 1 + 256, 255, 0, 274, -1}));
}

TEST(BinsParts, ShortAndHostileRecords) {
    Bytes full = Image().u1(1).u1(2).u2(3).u4(4).u1(' ').cn("name").record(1, 40);
    for (uint16_t len = 0; len <= 14; ++len) {
        Bytes img = cut(full, len);
        uint32_t st[2] = {kOther | kBoth, kOther | kBoth};
        kelvo_hbr_struct h;
        std::memset(&h, 0xAA, sizeof h);
        kelvo_hbr_to_struct(&h, img.data(), &kLe, st);
        // Leading-block bytes the record does not hold are zero (HBIN_CNT low byte first); a space PF
        // is present, not valid; the name is cut to the bytes held, an absent one the terminated "".
        EXPECT_EQ(Nums({h.REC_LEN, h.HEAD_NUM, h.HBIN_CNT, h.HBIN_PF, st[0], st[1]}),
                  (Nums{len, len >= 1, len >= 5 ? 4 : 0, ' ', kOther | (len >= 9 ? KELVO_PRESENT : 0u),
                        kOther | (len >= 11 ? kBoth : len == 10 ? KELVO_PRESENT : 0u)})) << len;
        EXPECT_EQ(str(h.HBIN_NAM) + (len < 10 ? h.HBIN_NAM.str : ""), std::string("name", len >= 11 ? len - 10 : 0));
    }
    // PRR markers on the wire: present, not valid (X_COORD 0 is valid); empty texts and PART_FIX present only.
    Words words(7, 0);
    Bytes img = Image().u1(1).u1(2).u1(0).u2(1).u2(1).u2(65535).u2(0).u2(32768).u4(0).cn("").cn("").u1(0).record(5, 20);
    kelvo_prr_struct r;
    kelvo_prr_to_struct(&r, img.data(), &kLe, words.data());
    EXPECT_EQ(words, (Words{1, 3, 1, 1, 1, 1, 1}));
}

TEST(Prr, ShortRecordsFieldByField) {
    for (uint16_t len = 0; len <= 25; ++len) {
        SCOPED_TRACE(len);
        Bytes img = cut(full_prr(), len);
        uint32_t end = len + 4u;
        Words st(7, kOther | kBoth), want;
        kelvo_prr_struct r;
        std::memset(&r, 0xAA, sizeof r);
        kelvo_prr_to_struct(&r, img.data(), &kLe, st.data());
        // A number cut by the end keeps the bytes held (low byte first); missing ones take their markers.
        EXPECT_EQ(Nums({r.REC_LEN, r.SITE_NUM, r.PART_FLG, r.NUM_TEST, r.HARD_BIN, r.SOFT_BIN, r.X_COORD, r.Y_COORD,
                        r.TEST_T, r.PART_FIX.len}),
                  (Nums{len, end > 5 ? 2 : 0, end > 6 ? 8 : 0, end > 7 ? 10 : 0, end > 9 ? 11 : 0, end > 11 ? 3 : 65535,
                        end > 13 ? 4 : -32768, end > 15 ? 5 : -32768, end > 17 ? 6 : 0, end > 27 ? end - 27 : 0}));
        EXPECT_EQ(str(r.PART_ID) + "|" + str(r.PART_TXT), std::string("ab").substr(0, end > 22 ? end - 22 : 0) + "|" +
                                                               std::string("c").substr(0, end > 25 ? end - 25 : 0));
        if (end <= 21) { EXPECT_STREQ(r.PART_ID.str, ""); }  // absent texts: terminated empty ones
        if (end <= 24) { EXPECT_STREQ(r.PART_TXT.str, ""); }
        EXPECT_EQ(r.PART_FIX.data, end <= 26 ? nullptr : img.data() + 27);
        // SOFT_BIN..PART_FIX; texts and PART_FIX are valid only when something of them is held.
        for (uint32_t at : {11, 13, 15, 17, 21, 24, 26})
            want.push_back(kOther | (at < end) * KELVO_PRESENT | (at < end && (at < 21 || end > at + 1)) * KELVO_VALID);
        EXPECT_EQ(st, want);
    }
}

TEST(BinsParts, BigEndianReadsCopiesAndReturnCodes) {
    Bytes hbr = Image(1).u1(7).u1(8).bytes({0, 5}).bytes({0, 0, 1, 0}).u1('P').cn("bin5").record(1, 40);
    Bytes prr = Image(1).u1(1).u1(2).u1(8).u2(300).u2(301).u2(302).u2(static_cast<uint16_t>(-7)).u2(9).u4(70000)
                    .u1(200).raw("xyz").record(5, 20);  // a hostile PART_ID length, cut to the record
    File f(concat({hbr, {0, 3, 5, 10, 1, 2, 0xEE}, prr, {0, 20, 1, 50, 1, 2}}), 1);
    kelvo_hbr_struct b{};
    uint32_t st[7] = {};
    EXPECT_EQ(Nums({kelvo_hbrread(f.h, f.next(), &b, st), b.REC_LEN, b.HEAD_NUM, b.SITE_NUM, b.HBIN_NUM, b.HBIN_CNT,
                    kelvo_hbr_buf(&b)}), (Nums{14, 14, 7, 8, 5, 256, 1}));
    EXPECT_STREQ(b.HBIN_NAM.str, "bin5");  // NUL-terminated copy
    kelvo_pir_struct p;  // longer than its two bytes
    EXPECT_EQ(Nums({kelvo_pirread(f.h, f.next(), &p), p.REC_LEN, p.SITE_NUM}), (Nums{3, 3, 2}));
    kelvo_prr_struct r;  // every multi-byte number converted, single bytes untouched; PART_TXT absent
    EXPECT_EQ(Nums({kelvo_prrread(f.h, f.next(), &r, st), r.REC_LEN, r.PART_FLG, r.NUM_TEST, r.HARD_BIN, r.SOFT_BIN,
                    r.X_COORD, r.Y_COORD, r.TEST_T, st[5], kelvo_prr_buf(&r)}),
              (Nums{21, 21, 8, 300, 301, 302, -7, 9, 70000, 0, 1}));
    EXPECT_STREQ(r.PART_ID.str, "xyz");
    // A body cut short by the end of the file: 0, missing bytes zero; a handle not open or out of range: 0.
    kelvo_sbr_struct s{};
    EXPECT_EQ(Nums({kelvo_sbrbuf_read(f.h, f.next(), &s, st), s.SBIN_CNT, kelvo_sbrread(-1, &f.hd, &s, st),
                    kelvo_hbrbuf_read(31, &f.hd, &b, st)}), (Nums{0, 0, 0, 0}));
    b.HBIN_NAM = {0, nullptr};  // an empty name still becomes a terminated string in the string buffer
    EXPECT_EQ(Nums({kelvo_hbr_buf(&b), b.HBIN_NAM.str[0]}), (Nums{1, 0}));
}

TEST(Prr, CopyReservesForBothTextsAndTerminators) {
    kelvo_prr_struct r{};
    kelvo_free();  // no string buffer, no texts: both still become terminated empty strings
    EXPECT_EQ(Nums({kelvo_prr_buf(&r), r.PART_ID.str[0], r.PART_TXT.str[0]}), (Nums{1, 0, 0}));
    kelvo_free();  // texts longer than REC_LEN suggests (a structure the caller filled)
    std::string id(255, 'i'), txt(255, 't');
    r = kelvo_prr_struct{7, 5, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, {255, id.data()}, {255, txt.data()}, {0, nullptr}};
    ASSERT_EQ(kelvo_prr_buf(&r), 1);
    EXPECT_EQ(std::string(r.PART_ID.str) + "|" + r.PART_TXT.str, id + "|" + txt);
}

TEST(BinsParts, Version3HandlesUseTheVersion3Decoders) {
    for (int version : {3, 0}) {  // a version-3 FAR, or none
        File f(concat({Image().u2(5).u4(6).cn("b").record(1, 40), Image().u2(5).u4(6).record(1, 50),
                       Image().u1(1).u1(2).u2(3).u2(4).cn("p").record(5, 10),
                       Image().u1(1).u1(2).u2(3).u2(4).u2(65535).u1(8).u1(0).u2(0x8000).u2(9).cn("").cn("t").u1(0)
                           .record(5, 20)}), 2, version);  // version-3 layouts
        Words st(7, kOther | kBoth);
        struct { kelvo_hbr_struct hbr; kelvo_sbr_struct sbr; kelvo_pir_struct pir; kelvo_prr_struct prr; } x;
        EXPECT_EQ(Nums({kelvo_hbrbuf_read(f.h, f.next(), &x.hbr, st.data()), x.hbr.REC_LEN, x.hbr.HEAD_NUM,
                        x.hbr.SITE_NUM, x.hbr.HBIN_PF, st[0], kelvo_sbrread(f.h, f.next(), &x.sbr, nullptr),
                        x.sbr.SBIN_PF, kelvo_pirbuf_read(f.h, f.next(), &x.pir), x.pir.REC_LEN,
                        kelvo_prrbuf_read(f.h, f.next(), &x.prr, st.data()), x.prr.REC_LEN,
                        x.prr.PART_FIX.data == nullptr, x.prr.PART_ID.str[0]}),
                  (Nums{8, 8, 255, 255, ' ', kOther, 6, ' ', 8, 8, 18, 18, 0, 'p'})) << version;  // PART_ID of the PIR
        const uint32_t P = kOther | KELVO_PRESENT, B = kOther | kBoth;
        EXPECT_EQ(st, (Words{P, B, B, kOther, B, B, P})) << version;
    }
}

TEST(BinsParts, RoundTripWrittenReadBackAndWrittenAgain) {
    std::independent_bits_engine<std::mt19937, 32, uint32_t> rng(7);
    std::string pool[] = {"", "a", "bin-17", std::string(300, 'z')};  // the last one too long
    auto text = [&]() -> kelvo_cn { return {0, rng() % 2 ? pool[rng() % 4].data() : nullptr}; };
    auto maybe = [&](auto missing) { return rng() % 2 ? missing : static_cast<decltype(missing)>(rng()); };
    uint8_t *fix = reinterpret_cast<uint8_t *>(pool[3].data());
    Bytes first = written([&](int w) {
        for (int i = 0; i < 400; ++i) {
            kelvo_prr_struct r{0, 0, 0, uint8_t(rng()), 0, uint8_t(rng()), uint16_t(rng()), uint16_t(rng()),
                               maybe(uint16_t{65535}), maybe(int16_t{-32768}), maybe(int16_t{-32768}), maybe(0u),
                               text(), text(), {uint8_t(rng() % 3 ? 0 : rng()), rng() % 4 ? fix : nullptr}};
            kelvo_hbr_struct b{0, 0, 0, 0, 0, 0, rng(), maybe(' '), text()};
            ASSERT_EQ(Nums({kelvo_prrwrite(w, &r) > 0, kelvo_hbrwrite(w, &b) > 0}), (Nums{1, 1}));
        }
    });
    File f(first);  // each record read back (buf_reads: the writers need terminated texts) and written again
    EXPECT_EQ(first, written([&](int w) {
        auto copy = [&](auto read, auto write, auto s) {
            ASSERT_EQ(read(f.h, &f.hd, &s, nullptr), f.hd.REC_LEN);
            write(w, &s);
        };
        while (kelvo_headread(f.h, &f.hd) == 4) {
            if (f.hd.REC_SUB == 20) copy(kelvo_prrbuf_read, kelvo_prrwrite, kelvo_prr_struct{});
            else copy(kelvo_hbrbuf_read, kelvo_hbrwrite, kelvo_hbr_struct{});
        }
    }));
}

TEST(BinsParts, RealFilesDecodeAndAgree) {
    struct Lot { const char *name; long parts, bins; uint32_t first_bin_count; };
    for (const Lot &lot : {Lot{"lot2", 1569, 10, 1389}, Lot{"lot3", 1619, 11, 1378}}) {
        SCOPED_TRACE(lot.name);
        File f(lot.name);
        std::map<int, long> count;  // records by type and subtype
        std::map<uint16_t, uint32_t> hard, soft, hbin, sbin;
        for (kelvo_header &hd = f.hd; kelvo_headread(f.h, &hd) == 4;) {
            uint32_t st[7] = {};
            int key = hd.REC_TYP * 256 + hd.REC_SUB;
            long n = ++count[key];
            kelvo_prr_struct p;  // the first one: 00 13 05 14 01 00 08 00 01 00 05 00 05 00 13 ff fd ...
            kelvo_hbr_struct b;  // the first one: 00 09 01 28 ff 00 00 01 00 00 05 6d 00
            kelvo_sbr_struct s;
            if (key == 0x514) {
                ASSERT_GT(kelvo_prrbuf_read(f.h, &hd, &p, st), 0);
                // Part identifiers count the parts; the fail flag marks every bin but 1; TEST_T 0; no PART_TXT.
                EXPECT_EQ(Nums({p.PART_ID.str == std::to_string(n), p.PART_FLG == 8, st[3], st[5]}),
                          (Nums{1, p.HARD_BIN != 1, KELVO_PRESENT, 0}));
                ++hard[p.HARD_BIN], ++soft[p.SOFT_BIN];
                Nums got = {p.REC_LEN, p.NUM_TEST, p.HARD_BIN, p.X_COORD, p.Y_COORD};
                EXPECT_EQ(got, (n == 1 ? Nums{19, 1, 5, 19, -3} : got));
            } else if (key == 0x128) {  // HBIN_PF a zero byte, not a space: present and valid; no name
                EXPECT_EQ(Nums({kelvo_hbrbuf_read(f.h, &hd, &b, st), b.HEAD_NUM, b.HBIN_PF, st[0], st[1],
                                n > 1 || b.HBIN_CNT == lot.first_bin_count}), (Nums{9, 255, 0, kBoth, 0, 1}));
                hbin[b.HBIN_NUM] += b.HBIN_CNT;
            } else if (key == 0x132) {
                EXPECT_EQ(Nums({kelvo_sbrbuf_read(f.h, &hd, &s, st), s.SITE_NUM, st[0]}), (Nums{9, 0, kBoth}));
                sbin[s.SBIN_NUM] += s.SBIN_CNT;
            } else {
                ASSERT_TRUE(kelvo_skip_record(f.h, &hd) > 0 || hd.REC_LEN == 0);
            }
        }
        EXPECT_EQ(Nums({count[0x50A], count[0x514], count[0x128], count[0x132]}),
                  (Nums{lot.parts, lot.parts, lot.bins, lot.bins}));
        EXPECT_EQ(hbin, hard);
        EXPECT_EQ(sbin, soft);
    }
}
