// PTR: byte-exact images, short and hostile records in every CPU type, copies, a round trip, the real files.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <tuple>

#include "testutil.h"

using namespace kt;

constexpr uint32_t P = KELVO_PRESENT, V = KELVO_VALID, kNaN = 0xFFC00000u;
const char *const kTexts[6] = {"T", "alarm", "mV", "%5.2f", "%4.1f", "%6.3f"};

static std::string str(const kelvo_cn &s) { return std::string(s.str, s.len); }
template <class S>
auto texts(S &s) { return std::array{&s.TEST_TXT, &s.ALARM_ID, &s.UNITS, &s.C_RESFMT, &s.C_LLMFMT, &s.C_HLMFMT}; }

static Image full_body(int cpu, uint8_t test_flg, uint8_t opt) {  // a full PTR body holding kTexts
    Image im = Image(cpu).u4(1234).u1(1).u1(2).u1(test_flg).u1(0x40);
    auto r4 = [&](float f) -> Image & {  // cpu 0: VAX F, a quarter of the IEEE reading, halves exchanged
        uint32_t x = bits(4 * f);
        return cpu ? im.r4(f) : im.bytes({uint8_t(x >> 16), uint8_t(x >> 24), uint8_t(x), uint8_t(x >> 8)});
    };
    r4(1.5f).cn(kTexts[0]).cn(kTexts[1]).u1(opt).u1(0xFE).u1(2).u1(3);
    r4(-1.0f), r4(2.0f).cn(kTexts[2]).cn(kTexts[3]).cn(kTexts[4]).cn(kTexts[5]);
    r4(-9.0f), r4(9.0f);
    return im;
}

static void decode(const Bytes &img, kelvo_ptr_struct &s, uint32_t *status, int cpu = 2) {
    static Bytes held;  // an exactly sized copy of `img`, kept until the next decode
    kelvo_attributes attr{cpu, 4};
    kelvo_ptr_to_struct(&s, (held = img).data(), &attr, status);
}

static void put(int h, kelvo_ptr_struct &s) {
    int r = kelvo_ptrwrite(h, &s);
    EXPECT_EQ(r, s.REC_LEN + 4);
}
static Bytes write_ptr(kelvo_ptr_struct &s) { return written([&](int h) { put(h, s); }); }

static kelvo_ptr_struct filled(uint8_t test_flg, uint8_t opt) {  // numbers hold values (RESULT: the NaN), texts empty
    kelvo_ptr_struct s{};
    s.TEST_NUM = 7, s.TEST_FLG = test_flg, s.OPT_FLAG = opt;
    s.LO_LIMIT = s.HI_LIMIT = s.LO_SPEC = s.HI_SPEC = 1.0f;
    std::memcpy(&s.RESULT, &kNaN, 4);
    return s;
}

static int with_far(int h) {  // reads the FAR that starts the file of handle `h`
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    EXPECT_EQ(kelvo_farread(h, &hd, &far), 2);
    return h;
}

TEST(PtrWrite, TrailingOmissionClampAndCopy) {
    // Fields go by TEST_FLG/OPT_FLAG validity and texts (a text forces its own length byte, not ALARM_ID's);
    // OPT_FLAG goes only with RES_SCAL (0xFD: left off); with HI_SPEC not valid, LO_SPEC ends the record.
    struct { uint8_t flg, opt; const char *txt; Bytes img; } cases[] = {
        {0, 0, nullptr, Image().u4(7).u4(0).u4(kNaN).bytes(Bytes(6, 0)).r4(1).r4(1).u4(0).r4(1).r4(1).record(15, 10)},
        {0, 0xFD, nullptr, Image().u4(7).u4(0).u4(kNaN).record(15, 10)},
        {2, 0xFF, nullptr, Image().u4(7).u4(0x00020000).record(15, 10)},
        {0, 0xFF, "abc", Image().u4(7).u4(0).u4(kNaN).cn("abc").record(15, 10)},
        {0, 0xF9, nullptr,
         Image().u4(7).u4(0).u4(kNaN).bytes({0, 0, 0xF9, 0, 0, 0}).r4(1).r4(1).u4(0).r4(1).record(15, 10)}};
    for (const auto &c : cases) {
        kelvo_ptr_struct s = filled(c.flg, c.opt);
        s.TEST_TXT.str = const_cast<char *>(c.txt);
        EXPECT_EQ(write_ptr(s), c.img) << int(c.opt);
    }
    // Long texts clamped to 255; a copy of the caller's structure takes each text up to its length, not the record.
    kelvo_ptr_struct s = filled(0, 0);
    std::string test = "abc", units = "mV", fmt(300, 'u');
    s.TEST_TXT.str = test.data(), s.UNITS.str = units.data(), s.C_HLMFMT.str = fmt.data();
    Bytes out = write_ptr(s);
    EXPECT_EQ(std::tuple(s.C_HLMFMT.len, s.REC_LEN, out[out.size() - 8 - 256]), std::tuple(255, 38 + 3 + 2 + 255, 255));
    ASSERT_EQ(kelvo_ptr_buf(&s), 1);
    EXPECT_EQ(std::tuple(std::string(s.TEST_TXT.str), std::string(s.UNITS.str), std::string(s.C_HLMFMT.str),
                         std::string(s.C_LLMFMT.str)), std::tuple("abc", "mV", fmt.substr(0, 255), ""));
    EXPECT_EQ(std::tuple(s.UNITS.str, kelvo_ptrwrite(-1, &s)), std::tuple(s.TEST_TXT.str + 4 + 13, -1));
    s.REC_LEN = 31;  // to_memory with a REC_LEN that cuts UNITS: nothing touched at or past REC_LEN + 4
    out.assign(40, 0xAA);
    kelvo_ptr_to_memory(&s, out.data());
    EXPECT_EQ(std::tuple(out[33], out[34], out[35]), std::tuple(2, 'm', 0xAA));
}

TEST(PtrRead, EveryCutInEveryCpuTypeFlagsAndHostileRecords) {
    const uint32_t at[15] = {8, 12, 14, 20, 21, 22, 23, 24, 28, 32, 35, 41, 47, 53, 57};  // field offsets
    kelvo_ptr_struct s;
    uint32_t st[15];
    for (int cpu : {0, 1, 2}) {
        const Bytes body = full_body(cpu, 0, 0).body();
        for (uint32_t len = 0; len <= body.size(); ++len) {
            SCOPED_TRACE(testing::Message() << "cpu " << cpu << " len " << len);
            std::memset(&s, 0x5A, sizeof s);
            for (uint32_t &w : st) w = 0xF00u | P | V;  // bits other than 1 and 2 must survive
            decode(Image(cpu).bytes(Bytes(body.begin(), body.begin() + len)).record(15, 10), s, st, cpu);
            auto present = [&](int i) { return at[i] < len; };
            EXPECT_EQ(std::tuple(s.REC_LEN, s.PARM_FLG), std::tuple(len, len >= 8 ? 0x40 : 0));
            if (len >= 4 || len == 0) { EXPECT_EQ(s.TEST_NUM, len ? 1234u : 0u); }  // bytes not held read as zero
            EXPECT_EQ(std::tuple(s.OPT_FLAG, s.RES_SCAL, s.LLM_SCAL, s.HLM_SCAL),
                      std::tuple(present(3) ? 0 : 255, present(4) ? -2 : 0, present(5) ? 2 : 0, present(6) ? 3 : 0));
            for (int k = 0; k < 6; ++k) {
                int i = std::array{1, 2, 9, 10, 11, 12}[k];
                const kelvo_cn &t = *texts(s)[k];
                EXPECT_EQ(str(t), present(i) ? std::string(kTexts[k]).substr(0, len - at[i] - 1) : "") << i;
                if (!present(i)) { EXPECT_STREQ(t.str, "") << i; }
                EXPECT_EQ(st[i], 0xF00u | (present(i) ? P : 0) | (t.len ? V : 0)) << i;
            }
            const float got[] = {s.RESULT, 0, 0, 0, 0, 0, 0, s.LO_LIMIT, s.HI_LIMIT, 0, 0, 0, 0, s.LO_SPEC, s.HI_SPEC};
            const float want[] = {1.5f, 0, 0, 0, 0, 0, 0, -1.0f, 2.0f, 0, 0, 0, 0, -9.0f, 9.0f};
            for (int i : {0, 3, 4, 5, 6, 7, 8, 13, 14}) {  // OPT_FLAG 0 held: flag-driven valid bits even if absent
                bool valid = i == 3 || present(i == 0 ? 0 : 3);
                EXPECT_EQ(st[i], 0xF00u | (present(i) ? P : 0) | (valid ? V : 0)) << i;
                if (want[i] != 0 && (len >= at[i] + 4 || !present(i))) {  // a real held in part is not checked
                    EXPECT_EQ(bits(got[i]), present(i) ? bits(want[i]) : kNaN) << i;
                }
            }
        }
    }
    // TEST_FLG bit 1 and OPT_FLAG bits 0 6 5 2, then 4 7 3: the valid bits they govern (a mask of words).
    for (auto [flg, opt, valid] : {std::tuple(0x02, 0x65, 0x4000u), std::tuple(0, 0x98, 0x2011u)}) {
        decode(full_body(2, uint8_t(flg), uint8_t(opt)).record(15, 10), s, st);
        for (int i : {0, 4, 5, 6, 7, 8, 13, 14}) EXPECT_EQ(st[i], 0xF00u | (valid >> i & 1 ? P | V : P)) << i;
    }
    decode(Image().u4(1).u4(0).r4(0).u1(250).raw("abc").record(15, 10), s, st);  // a length past the end
    EXPECT_EQ(std::tuple(str(s.TEST_TXT), s.ALARM_ID.len), std::tuple("abc", 0));
    decode(Image().u4(1).u4(0).bytes({0x11, 0x22}).record(15, 10), s, st);  // a RESULT cut: zeros for the rest
    EXPECT_EQ(bits(s.RESULT), 0x2211u);
    Image big = full_body(2, 0, 0);  // the longest record: offsets are not cut to 16 bits
    big.bytes(Bytes(65535 - big.body().size(), 0));
    decode(big.record(15, 10), s, st);
    EXPECT_EQ(std::tuple(s.REC_LEN, str(s.C_HLMFMT)), std::tuple(65535, "%6.3f"));
}

TEST(PtrFile, BufReadCopiesKeepEveryNulInTheStringBuffer) {
    // An ATR copy of 6 characters leaves a string buffer of exactly 6 + 1 + 255 bytes; a PTR ending after a
    // 255-character TEST_TXT (REC_LEN 268) then puts the NULs of its absent texts 11 bytes past REC_LEN - 6.
    const std::string text(255, 't');
    TempFile tmp;
    int h = with_far(open_bytes(concat({far_record(1), Image(1).u4(1).cn("sixsix").record(0, 20),
                         Image(1).u4(3).u4(0).r4(1).cn(text).record(15, 10), Image(1).u4(4).u2(0).record(15, 10),
                         full_body(1, 0, 0).record(15, 10),
                         Image(1).u4(7).u4(0).r4(1).bytes(Bytes(6, 0)).r4(1).r4(1).u4(0).r4(1).r4(1).record(15, 10),
                         Bytes{0, 20, 15, 10, 0, 0, 0, 1}}), tmp));
    kelvo_free();
    kelvo_header hd = next_header(h);
    kelvo_atr_struct atr;
    ASSERT_EQ(kelvo_atrbuf_read(h, &hd, &atr), 11);
    kelvo_ptr_struct s;
    uint32_t st[15] = {};
    auto next = [&](uint32_t *status) { return hd = next_header(h), kelvo_ptrbuf_read(h, &hd, &s, status); };
    for (int rec_len : {268, 6}) {  // the second after kelvo_free: no string buffer at all
        ASSERT_EQ(next(nullptr), rec_len);
        EXPECT_EQ(std::tuple(str(s.TEST_TXT), std::string(s.C_HLMFMT.str), s.TEST_NUM),
                  std::tuple(rec_len == 6 ? "" : text, "", rec_len == 6 ? 4u : 3u));
        kelvo_free();
    }
    ASSERT_EQ(next(st), 61);  // every text copied, also by a copy of the copy; written back in host order
    for (int k = 0; k < 6; ++k) EXPECT_STREQ(texts(s)[k]->str, kTexts[k]) << k;
    ASSERT_EQ(kelvo_ptr_buf(&s), 1);
    EXPECT_EQ(write_ptr(s), full_body(2, 0, 0).record(15, 10));
    ASSERT_EQ(next(st), 38);  // six empty texts, no characters at all: each present, in the string buffer
    for (int k = 0; k < 6; ++k) EXPECT_STREQ(texts(s)[k]->str, "") << k;
    EXPECT_EQ(std::tuple(st[12], s.UNITS.str != s.ALARM_ID.str), std::tuple(P, true));
    EXPECT_EQ(next(st), 0);  // a body cut short by the end of the file: 0, zeros for the bytes lost
    EXPECT_EQ(std::tuple(s.TEST_NUM, s.RESULT), std::tuple(1u, 0.0f));
    kelvo_close(h);
    EXPECT_EQ(std::tuple(kelvo_ptrread(h, &hd, &s, st), kelvo_ptrread(-1, &hd, &s, st)), std::tuple(0, 0));
}

TEST(PtrRoundTrip, GeneratedStructures) {  // written, read back, written again: the same bytes
    std::mt19937 rng(4711);
    std::vector<std::string> pool;
    for (int n : {0, 0, 0, 1, 5, 30, 255, 256, 400}) pool.emplace_back(n, static_cast<char>('a' + pool.size()));
    std::vector<kelvo_ptr_struct> made(3000);
    kelvo_far_struct far;
    const Bytes first = written([&](int w) {
        kelvo_farwrite(w, &far);
        for (kelvo_ptr_struct &s : made) {
            for (size_t i = 0; i < sizeof s; ++i) reinterpret_cast<uint8_t *>(&s)[i] = static_cast<uint8_t>(rng());
            if (rng() % 3) s.TEST_FLG = 0;
            if (rng() % 2) s.OPT_FLAG = static_cast<uint8_t>(~(1u << rng() % 8));
            for (kelvo_cn *t : texts(s)) t->str = rng() % 5 ? pool[rng() % pool.size()].data() : nullptr;
            put(w, s);
        }
    });
    TempFile tmp;
    int h = with_far(open_bytes(first, tmp));
    const Bytes again = written([&](int w) {
        kelvo_farwrite(w, &far);
        for (const kelvo_ptr_struct &m : made) {
            kelvo_header hd = next_header(h);
            kelvo_ptr_struct s;
            ASSERT_EQ(kelvo_ptrbuf_read(h, &hd, &s, nullptr), m.REC_LEN);
            put(w, s);
        }
    });
    kelvo_close(h);
    EXPECT_EQ(again, first);
}

TEST(PtrRealFiles, EveryPtrOfLot2Decodes) {
    int h = with_far(kelvo_open(data_file("lot2").c_str(), "r"));
    kelvo_header hd;
    long ptrs = 0, same_length = 0;
    while (kelvo_headread(h, &hd) == 4) {
        if (hd.REC_TYP != 15 || hd.REC_SUB != 10) {
            ASSERT_GE(kelvo_skip_record(h, &hd), 0);
        } else {
            kelvo_ptr_struct s;
            uint32_t st[15] = {};
            int n = kelvo_ptrbuf_read(h, &hd, &s, st);
            ASSERT_GT(n, 0) << "PTR " << ptrs;
            if (ptrs == 0) {  // checked by hand against the bytes at offset 279
                EXPECT_EQ(std::tuple(s.REC_LEN, s.TEST_NUM, s.HEAD_NUM, bits(s.RESULT), str(s.TEST_TXT), st[2]),
                          std::tuple(79, 1000u, 1, 0xBF296148u, "glxy_SS_IH     <> glxy_pin2", P));
                EXPECT_EQ(std::tuple(s.OPT_FLAG, s.LO_LIMIT, s.HI_LIMIT, str(s.UNITS), str(s.C_HLMFMT), st[13]),
                          std::tuple(0x0E, -0.9f, -0.4f, "v", "%5.2f v", 0u));
            } else if (ptrs == 999) {
                EXPECT_EQ(std::tuple(s.TEST_NUM, bits(s.RESULT), str(s.TEST_TXT), s.RES_SCAL, bits(s.LO_LIMIT),
                                     bits(s.HI_LIMIT), str(s.UNITS), str(s.C_RESFMT)),
                          std::tuple(1410u, 0xBC9FBB30u, "Abs out          <> OUT_MAX", 3, 0xBCF5C28Fu, 0x3BA3D70Au,
                                     "a", "%6.2f ma"));
            }
            same_length += kelvo_ptr_size(&s) == n + 4;  // sized in host order, every record keeps its length
            ++ptrs;
        }
    }
    kelvo_close(h);
    EXPECT_EQ(std::tuple(ptrs, same_length), std::tuple(52403, 52403));
}
