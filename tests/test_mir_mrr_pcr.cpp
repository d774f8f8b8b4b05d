// MIR, MRR and PCR: images, short and hostile records, version 3, real files.
#include <gtest/gtest.h>

#include <random>

#include "testutil.h"

using namespace kt;
using Words = std::vector<uint32_t>;

namespace {

const kelvo_attributes kLe{2, 4}, kBe{1, 4}, kLe3{2, 3}, kBe3{1, 3};
constexpr uint32_t kOnes = 0xFFFFFFFFu;

Words concat32(Words a, const Words &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
std::string str(const kelvo_cn &s) { return std::string(s.str, s.len); }
// The thirty MIR strings, joined by '|'.
std::string texts(const kelvo_mir_struct &m) {
    std::string all;
    for (int i = 0; i < 30; ++i) all += (i ? "|" : "") + str((&m.LOT_ID)[i]);
    return all;
}

// MIR fixed fields: SETUP_T, START_T, STAT_NUM, MODE_COD, RTST_COD, PROT_COD, BURN_TIM, CMOD_COD.
Image mir_fixed(int cpu, uint16_t burn = 60) {
    return Image(cpu).u4(0x01020504).u4(0x0A0B0C0D).u1(7).u1('P').u1(' ').u1('N').u2(burn).u1('C');
}

int open_after_far(const Bytes &records, TempFile &tmp, int cpu = 2) {
    int h = open_bytes(concat({far_record(cpu), records}), tmp);
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    EXPECT_EQ(kelvo_farread(h, &hd, &far), 2);
    return h;
}

}  // namespace

// ------------------------------------------------------------------ MIR

TEST(Mir, WrittenImages) {
    kelvo_mir_struct m{};
    m.SETUP_T = 1;
    m.MODE_COD = 'P';
    m.BURN_TIM = 65535;
    Bytes out = written([&](int h) { EXPECT_EQ(kelvo_mirwrite(h, &m), 24); });
    EXPECT_EQ(out, (Bytes{20, 0, 1, 10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 'P', 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
    // Only SUPR_NAM: 25 length bytes for JOB_REV..SUPR_NAM, 24 of them 0.
    char x[] = "x", ab[] = "ab", empty[] = "";
    m.SUPR_NAM.str = x;
    out = written([&](int h) { EXPECT_EQ(kelvo_mirwrite(h, &m), 50); });
    EXPECT_EQ(Bytes(out.begin() + 19, out.end()), concat({Bytes(29, 0), {1, 'x'}}));
    // Only JOB_REV; then an empty string between two written ones as a single 0.
    m.SUPR_NAM.str = empty;
    m.JOB_REV.str = ab;
    EXPECT_EQ(kelvo_mir_size(&m), 27);
    m.EXEC_TYP.str = x;
    out = written([&](int h) { kelvo_mirwrite(h, &m); });
    EXPECT_EQ(Bytes(out.begin() + 24, out.end()), (Bytes{2, 'a', 'b', 0, 0, 1, 'x'}));
    std::string lot(300, 'L');
    m.LOT_ID.str = lot.data();
    out = written([&](int h) { EXPECT_EQ(kelvo_mirwrite(h, &m), 286); });
    EXPECT_EQ(m.LOT_ID.len, 255);
    EXPECT_EQ(out[19], 255);
    EXPECT_EQ(out[275], 0);  // PART_TYP's length byte
    EXPECT_EQ(kelvo_mirwrite(-1, &m), -1);
}

TEST(Mir, ShortAndHostileRecords) {
    kelvo_mir_struct m{};
    uint32_t st[38];
    Bytes held;  // the structure points into the image
    auto decode = [&](const Bytes &img) {
        held = img;
        std::fill(st, st + 38, 0xF0u);
        kelvo_mir_to_struct(&m, held.data(), &kLe, st);
        return Words(st, st + 10);
    };
    // Ends right after JOB_NAM: RTST_COD a space, NODE_NAM empty, the optional strings absent.
    EXPECT_EQ(decode(mir_fixed(2).cn("lot").cn("pt").cn("").cn("T").cn("job").record(1, 10)),
              (Words{0xF3, 0xF1, 0xF3, 0xF3, 0xF3, 0xF3, 0xF3, 0xF1, 0xF3, 0xF3}));
    EXPECT_EQ(Words(st + 10, st + 38), Words(28, 0xF0));
    EXPECT_EQ(m.SETUP_T, 0x01020504u);
    EXPECT_EQ(m.BURN_TIM, 60);
    EXPECT_EQ(texts(m), "lot|pt||T|job" + std::string(25, '|'));
    EXPECT_STREQ(m.SUPR_NAM.str, "");
    // BURN_TIM 65535 present, not valid; EXEC_TYP present and empty, EXEC_VER absent.
    decode(mir_fixed(2, 65535).cn("l").cn("").cn("").cn("").cn("").cn("r").cn("").cn("").cn("").record(1, 10));
    EXPECT_EQ(Words({st[3], st[10], st[13], st[14]}), (Words{0xF1, 0xF3, 0xF1, 0xF0}));
    // Shorter than its fixed fields: missing bytes zero, those fields not present.
    EXPECT_EQ(decode(Image().u4(5).u4(6).u1(1).u1('A').record(1, 10)),
              (Words{0xF3, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0}));
    EXPECT_EQ(m.BURN_TIM, 0);
    EXPECT_STREQ(m.LOT_ID.str, "");
    EXPECT_EQ(kelvo_mir_buf(&m), 1);
    // A length byte running past the end is cut to the bytes held.
    decode(mir_fixed(2).cn("lot").u1(200).raw("xyz").record(1, 10));
    EXPECT_EQ(str(m.PART_TYP), "xyz");
    EXPECT_EQ(Words({st[6], st[7]}), (Words{0xF3, 0xF0}));
    EXPECT_EQ(kelvo_mir_buf(&m), 1);
    EXPECT_STREQ(m.PART_TYP.str, "xyz");
    EXPECT_EQ(st[35], 0xF0u);  // the decoder leaves the version-3 words alone
}

TEST(Mir, BigEndianBufReadAndReturnCodes) {
    Bytes rec = mir_fixed(1, 0x0102).cn("lot").cn("part").cn("").cn("t").cn("j").cn("rev").cn("").cn("op")
                    .record(1, 10);
    TempFile tmp;
    int h = open_after_far(concat({rec, Image(1).u4(1).cn("another").record(0, 20), {0, 40, 1, 10, 1}}), tmp, 1);
    kelvo_header hd = next_header(h);
    kelvo_mir_struct m{};
    uint32_t st[38] = {};
    st[35] = 7;
    ASSERT_EQ(kelvo_mirbuf_read(h, &hd, &m, st), 37);
    EXPECT_EQ(st[35], 6u);
    EXPECT_EQ(m.REC_LEN, 37);
    EXPECT_EQ(m.SETUP_T, 0x01020504u);
    EXPECT_EQ(m.START_T, 0x0A0B0C0Du);
    EXPECT_EQ(m.BURN_TIM, 0x0102);
    EXPECT_EQ(m.STAT_NUM, 7);
    // Every string terminated, one behind the other, the absent ones too.
    const char *pos = m.LOT_ID.str;
    for (int i = 0; i < 30; ++i, pos += (&m.LOT_ID)[i - 1].len + 1) {
        EXPECT_EQ((&m.LOT_ID)[i].str, pos) << i;
        EXPECT_EQ(std::strlen(pos), (&m.LOT_ID)[i].len) << i;
    }
    EXPECT_EQ(kelvo_mir_buf(&m), 1);  // copying the copy changes nothing
    EXPECT_EQ(texts(m), "lot|part||t|j|rev||op" + std::string(22, '|'));
    // The copies outlive the next read; a body cut short reads as 0.
    hd = next_header(h);
    kelvo_atr_struct a{};
    ASSERT_EQ(kelvo_atrread(h, &hd, &a), 12);
    EXPECT_STREQ(m.OPER_NAM.str, "op");
    hd = next_header(h);
    EXPECT_EQ(kelvo_mirread(h, &hd, &m, nullptr), 0);
    kelvo_close(h);
    EXPECT_EQ(kelvo_mirread(-1, &hd, &m, nullptr), 0);
    EXPECT_EQ(kelvo_mirread(32, &hd, &m, nullptr), 0);
}

TEST(Mir, Version3FileWithoutFar) {
    for (int cpu : {2, 1}) {
        // The body opens with CPU_TYPE and KELVO_VER 3; an ATR follows.
        Bytes v3 = Image(cpu).u1(static_cast<uint8_t>(cpu)).u1(3).raw("body of ten").record(1, 10);
        TempFile tmp;
        int h = open_bytes(concat({v3, Image(cpu).u4(3).record(0, 20)}), tmp);
        kelvo_header hd = next_header(h);
        kelvo_mir_struct m{};
        uint32_t st[38];
        std::fill(st, st + 38, 3u);
        EXPECT_EQ(kelvo_mirbuf_read(h, &hd, &m, st), 13);
        EXPECT_EQ(Kelvo_file_attributes[h].cpu_type, cpu);
        EXPECT_EQ(Kelvo_file_attributes[h].kelvo_ver, 3);
        EXPECT_EQ(m.REC_LEN, 13);
        EXPECT_EQ(m.CPU_TYPE, cpu);
        EXPECT_EQ(m.KELVO_VER, 3);
        EXPECT_EQ(m.BURN_TIM, 65535);
        EXPECT_EQ(Words({st[0], st[5], st[34], st[35], st[36], st[37]}), (Words{0, 0, 0, 3, 0, 0}));
        EXPECT_EQ(texts(m), std::string(29, '|'));
        EXPECT_STREQ(m.PRB_CARD.str, "");
        hd = next_header(h);  // the file stays in step
        kelvo_atr_struct a{};
        EXPECT_EQ(kelvo_atrread(h, &hd, &a), 4);
        EXPECT_EQ(a.MOD_TIM, 3u);
        kelvo_close(h);
    }
}

TEST(Mir, NotVersion3WithoutFar) {
    // A copy in the string buffer that a failed MIR buf_read must leave alone.
    TempFile tmpa, tmp;
    int ha = open_after_far(Image().u4(1).cn("keep").record(0, 20), tmpa);
    kelvo_header hd = next_header(ha);
    kelvo_atr_struct a{};
    ASSERT_EQ(kelvo_atrbuf_read(ha, &hd, &a), 9);
    // A version-4 MIR on a handle without FAR: its second byte (5) is not 3.
    int h = open_bytes(mir_fixed(2).cn("L").cn("").cn("").cn("").cn("").record(1, 10), tmp);
    hd = next_header(h);
    char sentinel[] = "s";
    kelvo_mir_struct m{};
    m.REC_LEN = 999;
    m.LOT_ID = {1, sentinel};
    uint32_t st[38] = {};
    st[35] = 1;
    EXPECT_EQ(kelvo_mirbuf_read(h, &hd, &m, st), -2);
    EXPECT_EQ(m.REC_LEN, 999);
    EXPECT_EQ(m.LOT_ID.str, sentinel);
    EXPECT_EQ(st[35], 0u);
    EXPECT_EQ(Kelvo_file_attributes[h].cpu_type, -1);
    EXPECT_EQ(Kelvo_file_attributes[h].kelvo_ver, 0);
    EXPECT_STREQ(a.CMD_LINE.str, "keep");
    kelvo_close(h);
    kelvo_close(ha);
    // REC_LEN 0 or 1: nothing is read past the record, the next one still reads.
    for (Bytes first : {Bytes{0, 0, 1, 10}, Bytes{1, 0, 1, 10, 2}}) {
        h = open_bytes(concat({first, Image().u4(4).record(0, 20)}), tmp);
        hd = next_header(h);
        EXPECT_EQ(kelvo_mirread(h, &hd, &m, nullptr), -2);
        hd = next_header(h);
        EXPECT_EQ(kelvo_atrread(h, &hd, &a), 4);
        kelvo_close(h);
    }
    h = open_bytes({20, 0, 1, 10, 2}, tmp);  // the file ends inside the two bytes
    hd = next_header(h);
    EXPECT_EQ(kelvo_mirread(h, &hd, &m, nullptr), -2);
    kelvo_close(h);
}

// ------------------------------------------------------------------ MRR

TEST(Mrr, WrittenImages) {
    kelvo_mrr_struct r{};
    r.FINISH_T = 0x11223344;
    r.DISP_COD = ' ';
    EXPECT_EQ(written([&](int h) { EXPECT_EQ(kelvo_mrrwrite(h, &r), 8); }), (Bytes{4, 0, 1, 20, 0x44, 0x33, 0x22, 0x11}));
    r.DISP_COD = 'P';
    EXPECT_EQ(written([&](int h) { EXPECT_EQ(kelvo_mrrwrite(h, &r), 9); }).back(), 'P');
    char ab[] = "ab", x[] = "x", empty[] = "";
    r.USR_DESC.str = ab;
    r.EXC_DESC.str = empty;
    Bytes head{8, 0, 1, 20, 0x44, 0x33, 0x22, 0x11, 'P'};
    EXPECT_EQ(written([&](int h) { kelvo_mrrwrite(h, &r); }), concat({head, {2, 'a', 'b'}}));
    r.USR_DESC.str = nullptr;
    r.EXC_DESC.str = x;
    EXPECT_EQ(written([&](int h) { kelvo_mrrwrite(h, &r); }), concat({head, {0, 1, 'x'}}));
    std::string longtext(400, 'u');
    r.USR_DESC.str = longtext.data();
    EXPECT_EQ(kelvo_mrr_size(&r), 4 + 6 + 255 + 2);
    EXPECT_EQ(kelvo_mrrwrite(-1, &r), -1);
}

TEST(Mrr, Version4Decode) {
    kelvo_mrr_struct r{};
    uint32_t st[12];
    std::fill(st, st + 12, 0xABu);
    Bytes img = Image(1).bytes({0, 0, 1, 0}).record(1, 20);
    kelvo_mrr_to_struct(&r, img.data(), &kBe, st);
    EXPECT_EQ(r.REC_LEN, 4);
    EXPECT_EQ(r.FINISH_T, 256u);
    EXPECT_EQ(r.DISP_COD, ' ');
    EXPECT_STREQ(r.USR_DESC.str, "");
    // Words 0-3 are not this record's; word 7 only has its present bit cleared.
    EXPECT_EQ(Words(st, st + 12), (Words{0xAB, 0xAB, 0xAB, 0xAB, 0xA8, 0xA8, 0xA8, 0xAA, 0xA8, 0xA8, 0xA8, 0xA8}));
    EXPECT_EQ(Words({r.PCR.REC_LEN, r.PCR.REC_TYP, r.PCR.REC_SUB, r.PCR.HEAD_NUM, r.PCR.SITE_NUM}),
              (Words{0, 1, 30, 255, 255}));
    EXPECT_EQ(Words({r.PCR.PART_CNT, r.PCR.RTST_CNT, r.PCR.ABRT_CNT, r.PCR.GOOD_CNT, r.PCR.FUNC_CNT}), Words(5, kOnes));
    img = Image().u4(9).u1('F').cn("").cn("exc").record(1, 20);
    kelvo_mrr_to_struct(&r, img.data(), &kLe, st);
    EXPECT_EQ(r.FINISH_T, 9u);
    EXPECT_EQ(Words(st + 4, st + 7), (Words{0xAB, 0xA9, 0xAB}));
    EXPECT_EQ(str(r.EXC_DESC), "exc");
}

TEST(Mrr, Version3CountsIntoEmbeddedPcr) {
    kelvo_mrr_struct r{};
    uint32_t st[12] = {};
    auto counts = [&] { return Words({r.PCR.PART_CNT, r.PCR.RTST_CNT, r.PCR.ABRT_CNT, r.PCR.GOOD_CNT, r.PCR.FUNC_CNT}); };
    // REC_LEN 24: five counts, DISP_COD absent.
    Bytes img = Image().u4(1).u4(10).u4(2).u4(1).u4(7).u4(0).record(1, 20);
    kelvo_mrr_to_struct(&r, img.data(), &kLe3, st);
    EXPECT_EQ(counts(), (Words{10, 2, 1, 7, 0}));
    EXPECT_EQ(r.DISP_COD, ' ');
    EXPECT_EQ(Words(st + 4, st + 12), (Words{0, 0, 0, 1, 3, 3, 3, 3}));
    // Big-endian with an all-ones count, DISP_COD and a string behind the counts.
    img = Image(1).u4(2).u4(300).u4(kOnes).u4(1).u4(2).u4(3).u1('D').cn("usr").record(1, 20);
    kelvo_mrr_to_struct(&r, img.data(), &kBe3, st);
    EXPECT_EQ(r.FINISH_T, 2u);
    EXPECT_EQ(counts(), (Words{300, kOnes, 1, 2, 3}));
    EXPECT_EQ(Words(st + 4, st + 12), (Words{3, 3, 0, 1, 1, 3, 3, 3}));
    EXPECT_EQ(str(r.USR_DESC), "usr");
    // Cut inside GOOD_CNT: it and FUNC_CNT are missing; a handle without FAR reads version 3.
    img = Image().u4(1).u4(10).u4(2).u4(1).u1(7).record(1, 20);
    kelvo_attributes fresh{-1, 0};
    kelvo_mrr_to_struct(&r, img.data(), &fresh, st);
    EXPECT_EQ(counts(), (Words{10, 2, 1, kOnes, kOnes}));
    EXPECT_EQ(Words(st + 7, st + 12), (Words{1, 3, 3, 0, 0}));
}

TEST(Mrr, BufCopies) {
    Bytes rec = Image().u4(1).u1('P').cn("ab").record(1, 20);
    Bytes both_empty = Image().u4(1).u1('P').cn("").cn("").record(1, 20);
    Bytes hostile = Image().u4(1).u1('P').u1(250).raw("abc").record(1, 20);
    TempFile tmp;
    int h = open_after_far(concat({rec, both_empty, hostile}), tmp);
    kelvo_header hd = next_header(h);
    kelvo_mrr_struct r{}, e{};
    // EXC_DESC absent: an empty string right behind USR_DESC's terminator.
    ASSERT_EQ(kelvo_mrrbuf_read(h, &hd, &r, nullptr), 8);
    EXPECT_STREQ(r.USR_DESC.str, "ab");
    EXPECT_STREQ(r.EXC_DESC.str, "");
    EXPECT_EQ(r.EXC_DESC.str, r.USR_DESC.str + 3);
    // Two empty strings: nothing copied (the last copy stays), both terminated.
    hd = next_header(h);
    ASSERT_EQ(kelvo_mrrbuf_read(h, &hd, &e, nullptr), 7);
    EXPECT_STREQ(e.USR_DESC.str, "");
    EXPECT_STREQ(e.EXC_DESC.str, "");
    EXPECT_STREQ(r.USR_DESC.str, "ab");
    hd = next_header(h);
    ASSERT_EQ(kelvo_mrrbuf_read(h, &hd, &r, nullptr), 9);
    EXPECT_STREQ(r.USR_DESC.str, "abc");
    kelvo_close(h);
}

// ------------------------------------------------------------------ PCR

TEST(Pcr, WrittenImages) {
    kelvo_pcr_struct p{0, 0, 0, 255, 255, 0x0102, kOnes, kOnes, kOnes, kOnes};
    EXPECT_EQ(written([&](int h) { EXPECT_EQ(kelvo_pcrwrite(h, &p), 10); }), (Bytes{6, 0, 1, 30, 255, 255, 2, 1, 0, 0}));
    p.GOOD_CNT = 5;
    Bytes out = written([&](int h) { EXPECT_EQ(kelvo_pcrwrite(h, &p), 22); });
    EXPECT_EQ(p.REC_LEN, 18);
    EXPECT_EQ(Bytes(out.begin() + 10, out.end()), (Bytes{255, 255, 255, 255, 255, 255, 255, 255, 5, 0, 0, 0}));
    p.FUNC_CNT = 0;
    EXPECT_EQ(kelvo_pcr_size(&p), 26);
    EXPECT_EQ(kelvo_pcrwrite(-1, &p), -1);
}

TEST(Pcr, ShortCutAndLongRecords) {
    kelvo_pcr_struct p{};
    uint32_t st[4];
    auto decode = [&](const Bytes &img) {
        std::fill(st, st + 4, 0xC0u);
        kelvo_pcr_to_struct(&p, img.data(), &kLe, st);
        return Words({p.PART_CNT, p.RTST_CNT, p.ABRT_CNT, p.GOOD_CNT, p.FUNC_CNT, st[0], st[1], st[2], st[3]});
    };
    Words none{0xC0, 0xC0, 0xC0, 0xC0};
    EXPECT_EQ(decode(Image().u1(1).u1(2).u4(9).record(1, 30)), concat32({9, kOnes, kOnes, kOnes, kOnes}, none));
    EXPECT_EQ(Words({p.HEAD_NUM, p.SITE_NUM}), (Words{1, 2}));
    // RTST_CNT 0 present and valid; FUNC_CNT all-ones present only.
    EXPECT_EQ(decode(Image().u1(0).u1(0).u4(7).u4(0).u4(1).u4(2).u4(kOnes).record(1, 30)),
              concat32({7, 0, 1, 2, kOnes}, {0xC3, 0xC3, 0xC3, 0xC1}));
    // Cut inside ABRT_CNT: missing, never file bytes mixed with filler.
    EXPECT_EQ(decode(Image().u1(0).u1(0).u4(1).u4(2).u2(3).record(1, 30)),
              concat32({1, 2, kOnes, kOnes, kOnes}, {0xC3, 0xC0, 0xC0, 0xC0}));
    // Too short for PART_CNT, or for its leading block (missing bytes zero).
    EXPECT_EQ(decode(Image().u1(4).u1(5).u2(6).record(1, 30))[0], kOnes);
    decode(Image().u1(4).record(1, 30));
    EXPECT_EQ(Words({p.HEAD_NUM, p.SITE_NUM}), (Words{4, 0}));
    // Big-endian: the counts converted, not HEAD_NUM and SITE_NUM.
    Bytes be = Image(1).u1(255).u1(2).bytes({0, 0, 0, 7}).u4(0x01020304).record(1, 30);
    kelvo_pcr_to_struct(&p, be.data(), &kBe, st);
    EXPECT_EQ(Words({p.REC_LEN, p.HEAD_NUM, p.SITE_NUM, p.PART_CNT, p.RTST_CNT}), (Words{10, 255, 2, 7, 0x01020304}));
    // Longer than the five counts: their present bits stay.
    EXPECT_EQ(decode(Image().u1(0).u1(0).u4(1).u4(2).u4(3).u4(4).u4(5).u4(99).record(1, 30)),
              concat32({1, 2, 3, 4, 5}, {0xC3, 0xC3, 0xC3, 0xC3}));
}

// ------------------------------------------------------------------ round trip, real files

TEST(MirMrrPcr, RoundTripOfGeneratedStructures) {
    std::mt19937 gen(7);
    auto rng = [&gen] { return static_cast<uint32_t>(gen()); };
    std::vector<std::string> pool = {"", "a", "lot-17", std::string(255, 'z')};
    auto text = [&] { return rng() % 2 ? pool[rng() % pool.size()].data() : nullptr; };
    for (int round = 0; round < 40; ++round) {
        kelvo_mir_struct m{};
        m.SETUP_T = rng();
        m.MODE_COD = static_cast<char>('A' + round % 26);
        m.BURN_TIM = static_cast<uint16_t>(rng());
        for (int i = 0; i < 30; ++i) (&m.LOT_ID)[i].str = text();
        kelvo_mrr_struct r{};
        r.FINISH_T = rng();
        r.DISP_COD = round % 2 ? 'X' : ' ';
        r.USR_DESC.str = text();
        r.EXC_DESC.str = text();
        kelvo_pcr_struct p{0, 0, 0, static_cast<uint8_t>(rng()), 3, rng(), 0, 0, 0, 0};
        for (uint32_t *c : {&p.RTST_CNT, &p.ABRT_CNT, &p.GOOD_CNT, &p.FUNC_CNT}) *c = rng() % 2 ? kOnes : rng();
        kelvo_far_struct far{};
        Bytes first = written([&](int h) {
            kelvo_farwrite(h, &far);
            kelvo_mirwrite(h, &m);
            kelvo_mrrwrite(h, &r);
            kelvo_pcrwrite(h, &p);
        });
        // Read back record by record, each written again before the next copy.
        TempFile in(first);
        int h = kelvo_open(in.path().c_str(), "r");
        Bytes again = written([&](int out) {
            kelvo_header hd = next_header(h);
            ASSERT_EQ(kelvo_farread(h, &hd, &far), 2);
            kelvo_farwrite(out, &far);
            kelvo_mir_struct m2{};
            kelvo_mrr_struct r2{};
            kelvo_pcr_struct p2{};
            hd = next_header(h);
            ASSERT_EQ(kelvo_mirbuf_read(h, &hd, &m2, nullptr), m.REC_LEN);
            kelvo_mirwrite(out, &m2);
            hd = next_header(h);
            ASSERT_EQ(kelvo_mrrbuf_read(h, &hd, &r2, nullptr), r.REC_LEN);
            kelvo_mrrwrite(out, &r2);
            hd = next_header(h);
            ASSERT_EQ(kelvo_pcrbuf_read(h, &hd, &p2, nullptr), p.REC_LEN);
            kelvo_pcrwrite(out, &p2);
        });
        kelvo_close(h);
        EXPECT_EQ(first, again) << round;
    }
}

namespace {

// Opens a real file and hands the header of its first record (typ, sub) to `read`.
template <class Read>
void at_record(const char *name, uint8_t typ, uint8_t sub, Read read) {
    int h = kelvo_open(data_file(name).c_str(), "r");
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    ASSERT_EQ(kelvo_farread(h, &hd, &far), 2);
    while (kelvo_headread(h, &hd) == 4 && !(hd.REC_TYP == typ && hd.REC_SUB == sub)) kelvo_skip_record(h, &hd);
    EXPECT_EQ(hd.REC_TYP * 256 + hd.REC_SUB, typ * 256 + sub) << name;
    read(h, hd);
    kelvo_close(h);
}

}  // namespace

TEST(MirMrrPcr, RealFiles) {
    struct Expect {
        const char *file, *sblot;
        uint32_t start, finish, parts;
    };
    for (const Expect &x : {Expect{"lot2", "02", 991774222u, 991779008u, 1569u},
                            Expect{"lot3", "03", 991790025u, 991795688u, 1619u}}) {
        at_record(x.file, 1, 10, [&](int h, const kelvo_header &hd) {
            kelvo_mir_struct m{};
            uint32_t st[38] = {};
            ASSERT_EQ(kelvo_mirbuf_read(h, &hd, &m, st), 96);
            EXPECT_EQ(Words({m.SETUP_T, m.START_T, m.STAT_NUM, m.BURN_TIM}), (Words{991732686u, x.start, 1, 65535}));
            EXPECT_EQ(std::string({m.MODE_COD, m.RTST_COD, m.PROT_COD, m.CMOD_COD}), "E  a");
            EXPECT_EQ(texts(m), "GAL-LOT|GOLD8BAR|galaxy-t|T530|mobile-05|16|" + std::string(x.sblot) +
                                    "|ews|TESTR V6.3.y2k D8 052200||E38" + std::string(19, '|'));
            EXPECT_EQ(Words(st, st + 17), (Words{3, 1, 1, 1, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 1, 3, 0}));
        });
        at_record(x.file, 1, 30, [&](int h, const kelvo_header &hd) {
            kelvo_pcr_struct p{};
            uint32_t st[4] = {};
            ASSERT_EQ(kelvo_pcrread(h, &hd, &p, st), 10);
            EXPECT_EQ(Words({p.HEAD_NUM, p.SITE_NUM, p.PART_CNT, p.RTST_CNT, p.ABRT_CNT, st[0], st[1]}),
                      (Words{255, 255, x.parts, 0, kOnes, 3, 0}));
        });
        at_record(x.file, 1, 20, [&](int h, const kelvo_header &hd) {
            kelvo_mrr_struct r{};
            uint32_t st[12] = {};
            ASSERT_EQ(kelvo_mrrbuf_read(h, &hd, &r, st), 4);
            EXPECT_EQ(r.FINISH_T, x.finish);
            EXPECT_EQ(r.DISP_COD, ' ');
            EXPECT_EQ(Words(st + 4, st + 8), Words(4, 0));
        });
    }
}
