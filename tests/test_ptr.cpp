// PTR: byte-exact images, short and hostile records, byte orders, copies, round trips
// and the real files.
#include <gtest/gtest.h>

#include <random>

#include "testutil.h"

using namespace kt;

namespace {

constexpr uint32_t P = KELVO_PRESENT, V = KELVO_VALID;
const float kNaN = [] { float f; uint32_t b = 0xFFC00000u; std::memcpy(&f, &b, 4); return f; }();

std::string str(const kelvo_cn &s) { return std::string(s.str, s.len); }

// A full PTR body: texts "T", "alarm", "mV", "%5.2f", "%4.1f", "%6.3f".
Image full_body(int cpu, uint8_t test_flg, uint8_t opt) {
    Image im(cpu);
    im.u4(1234).u1(1).u1(2).u1(test_flg).u1(0x40).r4(1.5f).cn("T").cn("alarm").u1(opt);
    im.u1(0xFE).u1(2).u1(3).r4(-1.0f).r4(2.0f).cn("mV").cn("%5.2f").cn("%4.1f").cn("%6.3f").r4(-9.0f).r4(9.0f);
    return im;
}

// Decodes from an exactly sized copy of `img`, kept until the next decode.
void decode(const Bytes &img, kelvo_ptr_struct &s, uint32_t *status, int cpu = 2) {
    static Bytes held;
    held = Bytes(img);
    kelvo_attributes attr{cpu, 4};
    kelvo_ptr_to_struct(&s, held.data(), &attr, status);
}

Bytes write_ptr(kelvo_ptr_struct &s, int *result = nullptr) {
    return written([&](int h) {
        int r = kelvo_ptrwrite(h, &s);
        if (result) *result = r;
    });
}

// A structure whose numbers all hold values, texts empty.
kelvo_ptr_struct filled(uint8_t test_flg, uint8_t opt) {
    kelvo_ptr_struct s{};
    s.TEST_NUM = 7;
    s.TEST_FLG = test_flg;
    s.OPT_FLAG = opt;
    s.RESULT = s.LO_LIMIT = s.HI_LIMIT = s.LO_SPEC = s.HI_SPEC = 1.0f;
    return s;
}

int open_file(const Bytes &file, TempFile &tmp) {
    int h = open_bytes(file, tmp);
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    EXPECT_GE(kelvo_farread(h, &hd, &far), 1);
    return h;
}

}  // namespace

TEST(PtrWrite, TrailingOmissionByFlags) {
    // Everything valid, texts empty: every field, six zero length bytes.
    kelvo_ptr_struct s = filled(0, 0);
    int result = 0;
    Bytes out = write_ptr(s, &result);
    EXPECT_EQ(result, 42);
    EXPECT_EQ(s.REC_LEN, 38);
    EXPECT_EQ(out, Image().u4(7).u4(0).r4(1).u1(0).u1(0).u1(0).bytes({0, 0, 0}).r4(1).r4(1)
                       .bytes({0, 0, 0, 0}).r4(1).r4(1).record(15, 10));
    // Every interpreted OPT_FLAG bit set: header block and RESULT; TEST_FLG bit 1 drops RESULT.
    s = filled(0, 0xFF);
    EXPECT_EQ(write_ptr(s).size(), 16u);
    s = filled(0x02, 0xFF);
    EXPECT_EQ(write_ptr(s), Image().u4(7).u4(0x00020000).record(15, 10));
    // A text forces its length byte and everything before it, but not ALARM_ID's.
    s = filled(0, 0xFF);
    s.TEST_TXT.str = const_cast<char *>("abc");
    EXPECT_EQ(write_ptr(s), Image().u4(7).u4(0).r4(1).cn("abc").record(15, 10));
    // HI_SPEC not valid, LO_SPEC valid: LO_SPEC ends the record.
    s = filled(0, 0x08 | 0xF0 | 0x01);
    out = write_ptr(s);
    EXPECT_EQ(s.REC_LEN, 34);
    EXPECT_EQ(out, Image().u4(7).u4(0).r4(1).bytes({0, 0, 0xF9, 0, 0, 0}).r4(1).r4(1).bytes({0, 0, 0, 0}).r4(1)
                       .record(15, 10));
    // OPT_FLAG goes only with RES_SCAL: 0xFD is left off and reads back as 255.
    s = filled(0, 0xFD);
    out = write_ptr(s);
    EXPECT_EQ(s.REC_LEN, 12);
    kelvo_ptr_struct back{};
    decode(out, back, nullptr);
    EXPECT_EQ(back.OPT_FLAG, 255);
    // Missing values are written as they stand: the NaN keeps its sign bit.
    s = filled(0, 0);
    s.RESULT = kNaN;
    out = write_ptr(s);
    EXPECT_EQ(Bytes(out.begin() + 12, out.begin() + 16), (Bytes{0x00, 0x00, 0xC0, 0xFF}));
    // Long texts are clamped to 255; handle -1 writes nothing.
    std::string longtext(300, 'u');
    s = filled(0, 0xFF);
    s.C_HLMFMT.str = longtext.data();
    out = write_ptr(s);
    EXPECT_EQ(s.C_HLMFMT.len, 255);
    EXPECT_EQ(s.REC_LEN, 38 - 8 + 255);
    EXPECT_EQ(out[out.size() - 256], 255);
    EXPECT_EQ(kelvo_ptrwrite(-1, &s), -1);
}

TEST(PtrWrite, ToMemoryStopsAtRecLen) {
    // A structure whose REC_LEN cuts a field: nothing at or past REC_LEN + 4 is touched.
    kelvo_ptr_struct s = filled(0, 0);
    s.UNITS.str = const_cast<char *>("volts");
    s.UNITS.len = 5;
    s.REC_LEN = 30;
    Bytes out(40, 0xAA);
    kelvo_ptr_to_memory(&s, out.data());
    EXPECT_EQ(std::string(out.begin() + 31, out.begin() + 34), "vol");
    EXPECT_EQ(out[34], 0xAA);
}

TEST(PtrWrite, CopyOfTheCallersStructure) {
    // After a write the structure holds REC_LEN and the lengths, but its texts are the
    // caller's: the copy takes each text's own characters, never the record's span.
    std::string test = "abc", units = "mV", fmt(200, 'f');
    kelvo_ptr_struct s = filled(0, 0);
    s.TEST_TXT.str = test.data();
    s.UNITS.str = units.data();
    s.C_HLMFMT.str = fmt.data();
    write_ptr(s);
    ASSERT_EQ(kelvo_ptr_buf(&s), 1);
    EXPECT_STREQ(s.TEST_TXT.str, "abc");
    EXPECT_STREQ(s.UNITS.str, "mV");
    EXPECT_EQ(s.C_HLMFMT.str, fmt);
    EXPECT_STREQ(s.C_LLMFMT.str, "");
    EXPECT_EQ(s.UNITS.str, s.TEST_TXT.str + 4 + 13);  // ALARM_ID's NUL at 4, then 13 bytes
}

TEST(PtrRead, EveryCutOfARecordFieldByField) {
    const Bytes body = full_body(2, 0, 0).body();
    // Body offsets where each field after PARM_FLG begins.
    const uint32_t at[15] = {8, 12, 14, 20, 21, 22, 23, 24, 28, 32, 35, 41, 47, 53, 57};
    for (uint32_t len = 0; len <= body.size(); ++len) {
        SCOPED_TRACE(len);
        Bytes img = Image().bytes(Bytes(body.begin(), body.begin() + len)).record(15, 10);
        kelvo_ptr_struct s;
        std::memset(&s, 0x5A, sizeof s);
        uint32_t st[15];
        for (uint32_t &w : st) w = 0xF00u | P | V;  // bits other than 1 and 2 must survive
        decode(img, s, st);
        auto present = [&](int i) { return at[i] < len; };
        // A real held in part has zeros for its missing bytes; an absent one is the NaN.
        auto r4 = [&](int i, float f, float got) {
            if (len >= at[i] + 4) {
                EXPECT_EQ(bits(got), bits(f)) << i;
            } else if (!present(i)) {
                EXPECT_EQ(bits(got), 0xFFC00000u) << i;
            }
        };
        EXPECT_EQ(s.REC_LEN, len);
        if (len >= 4 || len == 0) {
            EXPECT_EQ(s.TEST_NUM, len ? 1234u : 0u);  // bytes not held read as zero
        }
        EXPECT_EQ(s.PARM_FLG, len >= 8 ? 0x40 : 0);
        r4(0, 1.5f, s.RESULT);
        EXPECT_EQ(str(s.TEST_TXT), present(1) ? std::string("T").substr(0, len - 13) : "");
        EXPECT_EQ(str(s.ALARM_ID), present(2) ? std::string("alarm").substr(0, len - 15) : "");
        EXPECT_EQ(s.OPT_FLAG, present(3) ? 0 : 255);
        EXPECT_EQ(s.RES_SCAL, present(4) ? -2 : 0);
        EXPECT_EQ(s.HLM_SCAL, present(6) ? 3 : 0);
        r4(8, 2.0f, s.HI_LIMIT);
        EXPECT_EQ(str(s.C_HLMFMT), present(12) ? std::string("%6.3f").substr(0, len - 48) : "");
        r4(14, 9.0f, s.HI_SPEC);
        if (!present(1)) {
            EXPECT_STREQ(s.TEST_TXT.str, "");
        }
        // OPT_FLAG 0 present: the flag-driven valid bits are set even for absent fields.
        EXPECT_EQ(st[0], 0xF00u | (present(0) ? P | V : 0));
        const kelvo_cn *texts[] = {&s.TEST_TXT, &s.ALARM_ID, &s.UNITS, &s.C_RESFMT, &s.C_LLMFMT, &s.C_HLMFMT};
        const int words[] = {1, 2, 9, 10, 11, 12};
        for (int k = 0; k < 6; ++k) {
            int i = words[k];
            EXPECT_EQ(st[i], 0xF00u | (present(i) ? P : 0) | (texts[k]->len ? V : 0)) << i;
        }
        EXPECT_EQ(st[3], 0xF00u | (present(3) ? P : 0) | V);
        for (int i : {4, 5, 6, 7, 8, 13, 14})
            EXPECT_EQ(st[i], 0xF00u | (present(i) ? P : 0) | (present(3) ? V : 0)) << i;
    }
}

TEST(PtrRead, FlagsDecideValidBits) {
    uint32_t st[15] = {};
    kelvo_ptr_struct s;
    decode(full_body(2, 0x02, 0x01 | 0x40 | 0x20 | 0x04).record(15, 10), s, st);
    EXPECT_EQ(st[0], P);  // TEST_FLG bit 1
    for (int i : {4, 5, 6, 7, 8, 13}) EXPECT_EQ(st[i], P) << i;
    EXPECT_EQ(st[14], P | V);
    decode(full_body(2, 0, 0x10 | 0x80 | 0x08).record(15, 10), s, st);
    for (int i : {0, 4, 13}) EXPECT_EQ(st[i], P | V) << i;
    for (int i : {5, 6, 7, 8, 14}) EXPECT_EQ(st[i], P) << i;
    // Empty texts are present but not valid.
    decode(Image().u4(1).u4(0).r4(0).u1(0).u1(0).record(15, 10), s, st);
    EXPECT_EQ(st[1], P);
    EXPECT_EQ(st[2], P);
}

TEST(PtrRead, HostileRecords) {
    kelvo_ptr_struct s;
    uint32_t st[15];
    // Length bytes that run past the end are cut to the bytes held.
    decode(Image().u4(1).u4(0).r4(0).u1(250).raw("abc").record(15, 10), s, st);
    EXPECT_EQ(str(s.TEST_TXT), "abc");
    EXPECT_EQ(s.ALARM_ID.len, 0);
    // A RESULT cut in the middle: its missing bytes are zero.
    decode(Image().u4(1).u4(0).bytes({0x11, 0x22}).record(15, 10), s, st);
    EXPECT_EQ(bits(s.RESULT), 0x2211u);
    // The longest record: offsets are not cut to 16 bits.
    Image big = full_body(2, 0, 0);
    big.bytes(Bytes(65535 - big.body().size(), 0));
    Bytes img = big.record(15, 10);
    ASSERT_EQ(img.size(), 65539u);
    decode(img, s, st);
    EXPECT_EQ(s.REC_LEN, 65535);
    EXPECT_EQ(str(s.C_HLMFMT), "%6.3f");
}

TEST(PtrRead, BigEndianAndVaxReals) {
    kelvo_ptr_struct s;
    decode(full_body(1, 0, 0).record(15, 10), s, nullptr, 1);
    EXPECT_EQ(s.REC_LEN, 61);
    EXPECT_EQ(s.TEST_NUM, 1234u);
    EXPECT_EQ(s.RESULT, 1.5f);
    EXPECT_EQ(s.LO_LIMIT, -1.0f);
    EXPECT_EQ(s.HI_LIMIT, 2.0f);
    EXPECT_EQ(s.LO_SPEC, -9.0f);
    EXPECT_EQ(s.HI_SPEC, 9.0f);
    EXPECT_EQ(str(s.C_LLMFMT), "%4.1f");
    // VAX F: 1.0 is 80 40 00 00, -2.0 is 00 C1 00 00 (halves exchanged, four times the IEEE reading).
    Bytes vax = Image().u4(5).u4(0).bytes({0x80, 0x40, 0, 0}).u1(0).u1(0).u1(0).bytes({0, 0, 0})
                    .bytes({0x00, 0xC1, 0, 0}).record(15, 10);
    decode(vax, s, nullptr, 0);
    EXPECT_EQ(s.TEST_NUM, 5u);
    EXPECT_EQ(s.RESULT, 1.0f);
    EXPECT_EQ(s.LO_LIMIT, -2.0f);
    EXPECT_TRUE(is_missing_nan(s.HI_LIMIT));
}

TEST(PtrFile, BufReadCopiesEveryText) {
    Bytes file = concat({far_record(1), full_body(1, 0, 0).record(15, 10),
                         Image(1).u4(9).u4(0).r4(2).cn("only").record(15, 10),
                         Image(1).u4(7).u4(0).r4(1).bytes({0, 0, 0, 0, 0, 0}).r4(1).r4(1).bytes({0, 0, 0, 0})
                             .r4(1).r4(1).record(15, 10)});
    TempFile tmp;
    int h = open_file(file, tmp);
    kelvo_header hd = next_header(h);
    kelvo_ptr_struct s{};
    uint32_t st[15] = {};
    ASSERT_EQ(kelvo_ptrbuf_read(h, &hd, &s, st), 61);
    const char *expect[6] = {"T", "alarm", "mV", "%5.2f", "%4.1f", "%6.3f"};
    const kelvo_cn *texts[6] = {&s.TEST_TXT, &s.ALARM_ID, &s.UNITS, &s.C_RESFMT, &s.C_LLMFMT, &s.C_HLMFMT};
    for (int i = 0; i < 6; ++i) EXPECT_STREQ(texts[i]->str, expect[i]);
    EXPECT_EQ(s.UNITS.str, s.ALARM_ID.str + 5 + 13);  // the record's layout
    EXPECT_EQ(s.HI_SPEC, 9.0f);
    // A copy of the copy keeps every text; the structure writes back in host order.
    ASSERT_EQ(kelvo_ptr_buf(&s), 1);
    for (int i = 0; i < 6; ++i) EXPECT_STREQ(texts[i]->str, expect[i]);
    EXPECT_EQ(write_ptr(s), full_body(2, 0, 0).record(15, 10));
    // A record that ends after TEST_TXT: the absent texts are terminated in the string buffer.
    hd = next_header(h);
    ASSERT_EQ(kelvo_ptrbuf_read(h, &hd, &s, st), 17);
    EXPECT_STREQ(s.TEST_TXT.str, "only");
    for (int i = 1; i < 6; ++i) EXPECT_STREQ(texts[i]->str, "");
    EXPECT_NE(s.UNITS.str, s.ALARM_ID.str);  // no longer the static empty string
    // A whole record with six empty texts.
    hd = next_header(h);
    ASSERT_EQ(kelvo_ptrbuf_read(h, &hd, &s, st), 38);
    for (int i = 0; i < 6; ++i) EXPECT_STREQ(texts[i]->str, "");
    EXPECT_EQ(st[12], P);
    // Reading again after a seek back to the first PTR.
    ASSERT_EQ(kelvo_seek(h, 6, SEEK_SET), 6);
    hd = next_header(h);
    ASSERT_EQ(kelvo_ptrbuf_read(h, &hd, &s, st), 61);
    EXPECT_STREQ(s.C_HLMFMT.str, "%6.3f");
    kelvo_close(h);
}

TEST(PtrFile, CopyKeepsEveryNulInsideTheStringBuffer) {
    // A string buffer of exactly REC_LEN - 6 bytes (an ATR copy of 6 characters leaves
    // 6 + 1 + 255), then a PTR ending after a 255-character TEST_TXT (REC_LEN 268): the
    // walk's NULs run 11 bytes past REC_LEN - 6.
    const std::string text(255, 't');
    Bytes file = concat({far_record(2), Image().u4(1).cn("sixsix").record(0, 20),
                         Image().u4(3).u4(0).r4(1).cn(text).record(15, 10), Image().u4(4).u2(0).record(15, 10)});
    TempFile tmp;
    int h = open_file(file, tmp);
    kelvo_free();
    kelvo_header hd = next_header(h);
    kelvo_atr_struct atr;
    ASSERT_EQ(kelvo_atrbuf_read(h, &hd, &atr), 11);
    hd = next_header(h);
    kelvo_ptr_struct s;
    ASSERT_EQ(kelvo_ptrbuf_read(h, &hd, &s, nullptr), 268);
    EXPECT_EQ(str(s.TEST_TXT), text);
    EXPECT_STREQ(s.C_HLMFMT.str, "");
    // REC_LEN 6 with no string buffer at all.
    kelvo_free();
    hd = next_header(h);
    ASSERT_EQ(kelvo_ptrbuf_read(h, &hd, &s, nullptr), 6);
    EXPECT_EQ(s.TEST_NUM, 4u);
    EXPECT_STREQ(s.C_HLMFMT.str, "");
    kelvo_close(h);
}

TEST(PtrFile, FailuresAndVersion3Handles) {
    TempFile tmp;
    kelvo_ptr_struct s{};
    uint32_t st[15] = {};
    // A body cut short by the end of the file: 0, decoded with zeros for the bytes lost.
    int h = open_file(concat({far_record(2), Bytes{20, 0, 15, 10, 1, 0, 0, 0}}), tmp);
    kelvo_header hd = next_header(h);
    EXPECT_EQ(kelvo_ptrbuf_read(h, &hd, &s, st), 0);
    EXPECT_EQ(s.TEST_NUM, 1u);
    EXPECT_EQ(s.RESULT, 0.0f);
    kelvo_close(h);
    EXPECT_EQ(kelvo_ptrread(h, &hd, &s, st), 0);
    EXPECT_EQ(kelvo_ptrread(-1, &hd, &s, st), 0);
    // No FAR read (version 0): the version-3 path gives the defaults of an empty record.
    h = open_bytes(full_body(2, 0, 0).record(15, 10), tmp);
    hd = next_header(h);
    std::memset(st, 0xFF, sizeof st);
    EXPECT_EQ(kelvo_ptrbuf_read(h, &hd, &s, st), 61);
    EXPECT_EQ(s.REC_LEN, 61);
    EXPECT_TRUE(is_missing_nan(s.RESULT));
    EXPECT_EQ(s.OPT_FLAG, 255);
    EXPECT_STREQ(s.TEST_TXT.str, "");
    EXPECT_EQ(st[0], ~(P | V));
    EXPECT_EQ(st[3], ~P);
    kelvo_close(h);
}

TEST(PtrRoundTrip, GeneratedStructures) {
    std::mt19937 rng(4711);
    auto pick = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    std::vector<std::string> pool;
    for (int n : {0, 0, 0, 1, 5, 30, 255, 256, 400}) pool.emplace_back(n, static_cast<char>('a' + pool.size()));
    std::vector<kelvo_ptr_struct> made(3000);
    TempFile tmp;
    int w = kelvo_open(tmp.path().c_str(), "w");
    kelvo_far_struct far;
    kelvo_farwrite(w, &far);
    for (kelvo_ptr_struct &s : made) {
        s = {};
        s.TEST_NUM = rng();
        s.HEAD_NUM = static_cast<uint8_t>(rng());
        s.TEST_FLG = pick(3) ? 0 : static_cast<uint8_t>(rng());
        s.PARM_FLG = static_cast<uint8_t>(rng());
        s.OPT_FLAG = pick(2) ? static_cast<uint8_t>(rng()) : static_cast<uint8_t>(0xFF & ~(1u << pick(8)));
        s.RES_SCAL = static_cast<int8_t>(rng());
        s.HLM_SCAL = static_cast<int8_t>(rng());
        for (float *f : {&s.RESULT, &s.LO_LIMIT, &s.HI_LIMIT, &s.LO_SPEC, &s.HI_SPEC}) {
            uint32_t b = rng();
            std::memcpy(f, &b, 4);
        }
        for (kelvo_cn *t : {&s.TEST_TXT, &s.ALARM_ID, &s.UNITS, &s.C_RESFMT, &s.C_LLMFMT, &s.C_HLMFMT})
            t->str = pick(5) ? const_cast<char *>(pool[pick(pool.size())].c_str()) : nullptr;
        int total = kelvo_ptrwrite(w, &s);
        ASSERT_EQ(total, s.REC_LEN + 4);
    }
    kelvo_close(w);
    const Bytes first = tmp.contents();

    // Read back: what was written equals what was made, the rest holds the defaults;
    // written again, the file is the same byte for byte.
    int h = open_file(first, tmp);
    TempFile again;
    w = kelvo_open(again.path().c_str(), "w");
    kelvo_farwrite(w, &far);
    for (const kelvo_ptr_struct &m : made) {
        kelvo_header hd = next_header(h);
        kelvo_ptr_struct s;
        uint32_t st[15];
        ASSERT_EQ(kelvo_ptrbuf_read(h, &hd, &s, st), m.REC_LEN);
        EXPECT_EQ(s.TEST_NUM, m.TEST_NUM);
        EXPECT_EQ(s.PARM_FLG, m.PARM_FLG);
        EXPECT_EQ(bits(s.RESULT), st[0] & P ? bits(m.RESULT) : 0xFFC00000u);
        EXPECT_EQ(s.OPT_FLAG, st[3] & P ? m.OPT_FLAG : 255);
        EXPECT_EQ(s.HLM_SCAL, st[6] & P ? m.HLM_SCAL : 0);
        EXPECT_EQ(bits(s.HI_SPEC), st[14] & P ? bits(m.HI_SPEC) : 0xFFC00000u);
        EXPECT_EQ(s.C_HLMFMT.len, st[12] & P ? m.C_HLMFMT.len : 0);
        EXPECT_EQ(std::string(s.C_HLMFMT.str), std::string(m.C_HLMFMT.str ? m.C_HLMFMT.str : "", s.C_HLMFMT.len));
        ASSERT_EQ(kelvo_ptrwrite(w, &s), m.REC_LEN + 4);
    }
    kelvo_close(w);
    kelvo_close(h);
    EXPECT_EQ(again.contents(), first);
}

TEST(PtrRealFiles, EveryPtrOfLot2Decodes) {
    int h = kelvo_open(data_file("lot2").c_str(), "r");
    ASSERT_GE(h, 0);
    TempFile tmp;
    int w = kelvo_open(tmp.path().c_str(), "w");
    kelvo_header hd;
    long ptrs = 0, same_length = 0;
    while (kelvo_headread(h, &hd) == 4) {
        if (hd.REC_TYP == 0 && hd.REC_SUB == 10) {
            kelvo_far_struct far;
            ASSERT_EQ(kelvo_farread(h, &hd, &far), 2);
            kelvo_farwrite(w, &far);
        } else if (hd.REC_TYP == 15 && hd.REC_SUB == 10) {
            kelvo_ptr_struct s;
            uint32_t st[15] = {};
            int r = kelvo_ptrbuf_read(h, &hd, &s, st);
            ASSERT_GT(r, 0) << "PTR " << ptrs;
            if (ptrs == 0) {
                // Checked by hand against the bytes at offset 279.
                EXPECT_EQ(s.REC_LEN, 79);
                EXPECT_EQ(s.TEST_NUM, 1000u);
                EXPECT_EQ(s.HEAD_NUM, 1);
                EXPECT_EQ(bits(s.RESULT), 0xBF296148u);
                EXPECT_STREQ(s.TEST_TXT.str, "glxy_SS_IH     <> glxy_pin2");
                EXPECT_EQ(st[2], P);
                EXPECT_EQ(s.OPT_FLAG, 0x0E);
                EXPECT_EQ(s.LO_LIMIT, -0.9f);
                EXPECT_EQ(s.HI_LIMIT, -0.4f);
                EXPECT_STREQ(s.UNITS.str, "v");
                EXPECT_STREQ(s.C_HLMFMT.str, "%5.2f v");
                EXPECT_EQ(st[13], 0u);
            } else if (ptrs == 999) {
                EXPECT_EQ(s.TEST_NUM, 1410u);
                EXPECT_EQ(bits(s.RESULT), 0xBC9FBB30u);
                EXPECT_STREQ(s.TEST_TXT.str, "Abs out          <> OUT_MAX");
                EXPECT_EQ(s.RES_SCAL, 3);
                EXPECT_EQ(bits(s.LO_LIMIT), 0xBCF5C28Fu);
                EXPECT_EQ(bits(s.HI_LIMIT), 0x3BA3D70Au);
                EXPECT_STREQ(s.UNITS.str, "a");
                EXPECT_STREQ(s.C_RESFMT.str, "%6.2f ma");
            }
            uint16_t len = hd.REC_LEN;
            kelvo_shortswap(1, &len);
            kelvo_ptrwrite(w, &s);
            same_length += s.REC_LEN == len;
            ++ptrs;
        } else {
            ASSERT_GE(kelvo_skip_record(h, &hd), 0);
        }
    }
    kelvo_close(h);
    kelvo_close(w);
    EXPECT_EQ(ptrs, 52403);
    EXPECT_EQ(same_length, ptrs);  // rewritten in host order, every record keeps its length
}
