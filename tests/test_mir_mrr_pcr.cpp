// MIR, MRR and PCR: images, short and hostile records, version 3, real files.
#include <gtest/gtest.h>

#include <random>

#include "testutil.h"

using namespace kt;
using Nums = std::vector<int64_t>;
using Words = std::vector<uint32_t>;

namespace {

constexpr int64_t M = 0xFFFFFFFFu;  // a missing count
const kelvo_attributes kLe{2, 4};

std::string texts(const kelvo_mir_struct &m) {  // the thirty MIR strings, joined by '|'
    std::string all;
    for (int i = 0; i < 30; ++i) all += (i ? "|" : "") + std::string((&m.LOT_ID)[i].str, (&m.LOT_ID)[i].len);
    return all;
}
Bytes from(const Bytes &b, long i) { return Bytes(b.begin() + i, b.end()); }
Image mir_fixed(int cpu, uint16_t burn = 60) {  // SETUP_T..CMOD_COD
    return Image(cpu).u4(0x01020504).u4(0x0A0B0C0D).u1(7).u1('P').u1(' ').u1('N').u2(burn).u1('C');
}

struct File {  // a file read record by record; its FAR, where it opens with one, read at once
    TempFile tmp;
    int h;
    kelvo_header hd{};
    File(const Bytes &bytes, bool far) : h(open_bytes(bytes, tmp)) { if (far) read_far(); }
    explicit File(const char *real) : h(kelvo_open(data_file(real).c_str(), "r")) { read_far(); }
    ~File() { kelvo_close(h); }
    const kelvo_header *next() { return &(hd = next_header(h)); }
    void read_far() { kelvo_far_struct far; EXPECT_EQ(kelvo_farread(h, next(), &far), 2); }
    const kelvo_header *seek(int typ, int sub) {  // on to the next record of this type
        while (kelvo_headread(h, &hd) == 4 && (hd.REC_TYP != typ || hd.REC_SUB != sub)) kelvo_skip_record(h, &hd);
        EXPECT_EQ(hd.REC_TYP * 256 + hd.REC_SUB, typ * 256 + sub);
        return &hd;
    }
};

}  // namespace

TEST(MirMrrPcr, WrittenImages) {
    kelvo_mir_struct m{};
    m.SETUP_T = 1, m.MODE_COD = 'P', m.BURN_TIM = 65535;
    auto image = [](auto write, auto *s, int size) { return written([&](int h) { EXPECT_EQ(write(h, s), size); }); };
    EXPECT_EQ(image(kelvo_mirwrite, &m, 24),
              (Bytes{20, 0, 1, 10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 'P', 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
    char x[] = "x", ab[] = "ab", empty[] = "";
    m.SUPR_NAM.str = x;  // only SUPR_NAM: 25 length bytes for JOB_REV..SUPR_NAM, 24 of them 0
    EXPECT_EQ(from(image(kelvo_mirwrite, &m, 50), 19), concat({Bytes(29, 0), {1, 'x'}}));
    m.SUPR_NAM.str = empty, m.JOB_REV.str = ab, m.EXEC_TYP.str = x;  // empty ones between: a 0 each
    EXPECT_EQ(from(image(kelvo_mirwrite, &m, 31), 24), (Bytes{2, 'a', 'b', 0, 0, 1, 'x'}));
    std::string lot(300, 'L');
    m.LOT_ID.str = lot.data();
    Bytes out = image(kelvo_mirwrite, &m, 286);  // out[275]: PART_TYP's length
    EXPECT_EQ(Nums({m.LOT_ID.len, out[19], out[275], kelvo_mirwrite(-1, &m)}), (Nums{255, 255, 0, -1}));
    kelvo_mrr_struct r{};  // DISP_COD a space and no strings: all three left out
    r.FINISH_T = 0x11223344, r.DISP_COD = ' ';
    EXPECT_EQ(image(kelvo_mrrwrite, &r, 8), (Bytes{4, 0, 1, 20, 0x44, 0x33, 0x22, 0x11}));
    r.DISP_COD = 'P', r.USR_DESC.str = ab, r.EXC_DESC.str = empty;
    Bytes head{8, 0, 1, 20, 0x44, 0x33, 0x22, 0x11, 'P'};
    EXPECT_EQ(image(kelvo_mrrwrite, &r, 12), concat({head, {2, 'a', 'b'}}));
    r.USR_DESC.str = nullptr, r.EXC_DESC.str = x;
    EXPECT_EQ(image(kelvo_mrrwrite, &r, 12), concat({head, {0, 1, 'x'}}));
    kelvo_pcr_struct p{0, 0, 0, 255, 255, 0x0102, M, M, M, M};  // missing counts: left out at the end, else all-ones
    EXPECT_EQ(image(kelvo_pcrwrite, &p, 10), (Bytes{6, 0, 1, 30, 255, 255, 2, 1, 0, 0}));
    p.GOOD_CNT = 5;
    EXPECT_EQ(from(image(kelvo_pcrwrite, &p, 22), 10), (Bytes{255, 255, 255, 255, 255, 255, 255, 255, 5, 0, 0, 0}));
    p.FUNC_CNT = 0;
    EXPECT_EQ(Nums({kelvo_pcr_size(&p), kelvo_mrrwrite(-1, &r), kelvo_pcrwrite(-1, &p)}), (Nums{26, -1, -1}));
}

TEST(Mir, ShortAndHostileRecords) {
    kelvo_mir_struct m{};
    Words st;
    Bytes held;  // the structure points into the image
    auto decode = [&](const Bytes &img) {
        st.assign(38, 0xF0);
        kelvo_mir_to_struct(&m, (held = img).data(), &kLe, st.data());
        return Words(st.begin(), st.begin() + 10);
    };
    // Ends right after JOB_NAM: RTST_COD a space, NODE_NAM empty, the optional strings absent.
    EXPECT_EQ(decode(mir_fixed(2).cn("lot").cn("pt").cn("").cn("T").cn("job").record(1, 10)),
              (Words{0xF3, 0xF1, 0xF3, 0xF3, 0xF3, 0xF3, 0xF3, 0xF1, 0xF3, 0xF3}));
    EXPECT_EQ(Words(st.begin() + 10, st.end()), Words(28, 0xF0));
    EXPECT_EQ(Nums({m.SETUP_T, m.BURN_TIM}), (Nums{0x01020504, 60}));
    EXPECT_EQ(texts(m) + m.SUPR_NAM.str, "lot|pt||T|job" + std::string(25, '|'));  // absent ones terminated too
    // Shorter than its fixed fields: missing bytes zero, those fields not present.
    EXPECT_EQ(decode(Image().u4(5).u4(6).u1(1).u1('A').record(1, 10)), (Words{0xF3, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0,
                                                                              0xF0, 0xF0, 0xF0, 0xF0}));
    EXPECT_EQ(Nums({m.BURN_TIM, kelvo_mir_buf(&m), m.LOT_ID.len, m.LOT_ID.str[0]}), (Nums{0, 1, 0, 0}));
    // A length byte running past the end is cut to the bytes held; the version-3 word is left alone.
    decode(mir_fixed(2).cn("lot").u1(200).raw("xyz").record(1, 10));
    EXPECT_EQ(Nums({st[6], st[7], st[35], kelvo_mir_buf(&m)}), (Nums{0xF3, 0xF0, 0xF0, 1}));
    EXPECT_STREQ(m.PART_TYP.str, "xyz");
}

TEST(Mir, BigEndianAndReturnCodes) {
    File f(concat({far_record(1), mir_fixed(1, 0x0102).cn("lot").record(1, 10), {0, 40, 1, 10, 1}}), true);
    kelvo_mir_struct m{};
    uint32_t st[38] = {};
    st[35] = 7;  // the version-3 word: only its present bit cleared
    EXPECT_EQ(Nums({kelvo_mirread(f.h, f.next(), &m, st), st[35], m.REC_LEN, m.SETUP_T, m.START_T, m.BURN_TIM,
                    m.STAT_NUM, m.LOT_ID.len}), (Nums{19, 6, 19, 0x01020504, 0x0A0B0C0D, 0x0102, 7, 3}));
    // A body cut short reads as 0, so does a handle out of range.
    EXPECT_EQ(Nums({kelvo_mirbuf_read(f.h, f.next(), &m, st), kelvo_mirread(-1, &f.hd, &m, st),
                    kelvo_mirbuf_read(32, &f.hd, &m, st)}), (Nums{0, 0, 0}));
}

TEST(Mir, FirstRecordWithoutFar) {
    char keep[] = "keep";  // a copy that the failing MIR buf_reads must leave alone
    kelvo_atr_struct a{}, b{};
    auto atr = [](int cpu) { return Image(cpu).u4(3).record(0, 20); };
    auto v3 = [&](uint8_t c) { return concat({Image(c).u1(c).u1(3).raw("body of ten").record(1, 10), atr(c)}); };
    struct Case { Bytes file; int cpu; bool atr_follows; };
    // Version 3 (CPU_TYPE, KELVO_VER 3 open the body) in both byte orders; a version-4 MIR (second
    // byte 5); REC_LEN 0 and 1 (nothing read past the record); the file ending inside the two bytes.
    for (const Case &c : {Case{v3(2), 2, true}, Case{v3(1), 1, true},
                          Case{mir_fixed(2).cn("L").cn("").cn("").cn("").cn("").record(1, 10), -1, false},
                          Case{concat({{0, 0, 1, 10}, atr(2)}), -1, true},
                          Case{concat({{1, 0, 1, 10, 2}, atr(2)}), -1, true}, Case{{20, 0, 1, 10, 2}, -1, false}}) {
        a.CMD_LINE = {4, keep};
        ASSERT_EQ(kelvo_atr_buf(&a), 1);
        File f(c.file, false);
        kelvo_mir_struct m{};
        m.REC_LEN = 999, m.LOT_ID = {1, keep};
        Words st(38, 3);
        int ret = kelvo_mirbuf_read(f.h, f.next(), &m, st.data());
        const kelvo_attributes &at = Kelvo_file_attributes[f.h];
        // Failing ones decode nothing and clear the version-3 word's present bit only.
        EXPECT_EQ(Nums({ret, at.cpu_type, at.kelvo_ver, m.REC_LEN, m.CPU_TYPE, m.KELVO_VER, m.BURN_TIM, st[0], st[5],
                        st[34], st[35], st[36], st[37], m.LOT_ID.str == keep}),
                  (c.cpu > 0 ? Nums{13, c.cpu, 3, 13, c.cpu, 3, 65535, 3, 0, 0, 3, 0, 0, 0}
                             : Nums{-2, -1, 0, 999, 0, 0, 0, 3, 3, 3, 2, 3, 3, 1}));
        if (c.cpu > 0) { EXPECT_EQ(texts(m) + m.PRB_CARD.str, "||||||||||dy |||||||||||||||||||"); }
        else { EXPECT_STREQ(a.CMD_LINE.str, "keep"); }
        if (c.atr_follows) { EXPECT_EQ(Nums({kelvo_atrread(f.h, f.next(), &b), b.MOD_TIM}), (Nums{4, 3})); }
    }
}

TEST(MrrPcr, DecodeShortAndHostileRecords) {
    // MRR version 3 carries the part counts (into the embedded PCR) between FINISH_T and DISP_COD. Status
    // words 4-11: DISP_COD, USR_DESC, EXC_DESC, version 3, RTST_CNT..FUNC_CNT; 0-3 are not the record's.
    struct Case { Bytes img; kelvo_attributes at; uint32_t fill; Nums fixed, counts; Words st; const char *texts; };
    for (const Case &c : {
             Case{Image().u4(9).u1('F').cn("").cn("exc").record(1, 20), {2, 4}, 0xAA, {10, 9, 'F'}, {M, M, M, M, M},
                  {0xAA, 0xAA, 0xAA, 0xAA, 0xAB, 0xA9, 0xAB, 0xAA, 0xA8, 0xA8, 0xA8, 0xA8}, "|exc"},
             // Big-endian, an all-ones count, DISP_COD and a hostile length behind the counts.
             Case{Image(1).u4(2).u4(300).u4(M).u4(1).u4(2).u4(3).u1('D').u1(200).raw("usr").record(1, 20), {1, 3},
                  0xAA, {29, 2, 'D'}, {300, M, 1, 2, 3},
                  {0xAA, 0xAA, 0xAA, 0xAA, 0xAB, 0xAB, 0xA8, 0xAB, 0xA9, 0xAB, 0xAB, 0xAB}, "usr|"},
             // Cut inside GOOD_CNT: it and FUNC_CNT are missing; a handle without FAR reads version 3.
             Case{Image().u4(1).u4(10).u4(2).u4(1).u1(7).record(1, 20), {-1, 0}, 0xA9, {17, 1, ' '},
                  {10, 2, 1, M, M}, {0xA9, 0xA9, 0xA9, 0xA9, 0xA8, 0xA8, 0xA8, 0xA9, 0xAB, 0xAB, 0xA8, 0xA8}, "|"}}) {
        kelvo_mrr_struct r{};
        Words st(12, c.fill);
        kelvo_mrr_to_struct(&r, c.img.data(), &c.at, st.data());
        const kelvo_pcr_struct &p = r.PCR;
        EXPECT_EQ(Nums({r.REC_LEN, r.FINISH_T, r.DISP_COD}), c.fixed);
        EXPECT_EQ(Nums({p.PART_CNT, p.RTST_CNT, p.ABRT_CNT, p.GOOD_CNT, p.FUNC_CNT}), c.counts);
        EXPECT_EQ(Nums({p.REC_LEN, p.REC_TYP, p.REC_SUB, p.HEAD_NUM, p.SITE_NUM}), (Nums{0, 1, 30, 255, 255}));
        EXPECT_EQ(st, c.st);
        // The copy: USR_DESC, EXC_DESC right behind its terminator, both terminated.
        EXPECT_EQ(kelvo_mrr_buf(&r), 1);
        EXPECT_EQ(std::string(r.USR_DESC.str) + "|" + r.EXC_DESC.str, c.texts);
        if (r.USR_DESC.len + r.EXC_DESC.len) { EXPECT_EQ(r.EXC_DESC.str, r.USR_DESC.str + r.USR_DESC.len + 1); }
    }
    // PCR: HEAD_NUM, SITE_NUM, the five counts, the four status words. Cut inside ABRT_CNT: missing, never file
    // bytes mixed with filler; too short for the leading block: the missing byte zero; longer: present bits stay.
    for (const auto &[img, want] : std::initializer_list<std::pair<Bytes, Nums>>{
             {Image().u1(1).u1(2).u4(1).u4(2).u2(3).record(1, 30), {1, 2, 1, 2, M, M, M, 0xC3, 0xC0, 0xC0, 0xC0}},
             {Image().u1(4).record(1, 30), {4, 0, M, M, M, M, M, 0xC0, 0xC0, 0xC0, 0xC0}},
             {Image().u1(0).u1(0).u4(1).u4(2).u4(3).u4(4).u4(5).u4(99).record(1, 30),
              {0, 0, 1, 2, 3, 4, 5, 0xC3, 0xC3, 0xC3, 0xC3}}}) {
        kelvo_pcr_struct p{};
        uint32_t st[4] = {0xC0, 0xC0, 0xC0, 0xC0};
        kelvo_pcr_to_struct(&p, img.data(), &kLe, st);
        EXPECT_EQ(Nums({p.HEAD_NUM, p.SITE_NUM, p.PART_CNT, p.RTST_CNT, p.ABRT_CNT, p.GOOD_CNT, p.FUNC_CNT, st[0],
                        st[1], st[2], st[3]}), want);
    }
}

TEST(MirMrrPcr, RoundTripOfGeneratedStructures) {
    std::independent_bits_engine<std::mt19937, 32, uint32_t> rng(7);
    std::string pool[] = {"", "a", "lot-17", std::string(255, 'z')};
    auto text = [&] { return rng() % 2 ? pool[rng() % 4].data() : nullptr; };
    for (int round = 0; round < 40; ++round) {
        kelvo_mir_struct m{}, m2{};
        m.SETUP_T = rng(), m.MODE_COD = static_cast<char>('A' + round % 26), m.BURN_TIM = static_cast<uint16_t>(rng());
        for (int i = 0; i < 30; ++i) (&m.LOT_ID)[i].str = text();
        kelvo_mrr_struct r{}, r2{};
        r.FINISH_T = rng(), r.DISP_COD = round % 2 ? 'X' : ' ', r.USR_DESC.str = text(), r.EXC_DESC.str = text();
        kelvo_pcr_struct p{0, 0, 0, static_cast<uint8_t>(rng()), 3, rng(), 0, 0, 0, 0}, p2{};
        for (uint32_t *c : {&p.RTST_CNT, &p.ABRT_CNT, &p.GOOD_CNT, &p.FUNC_CNT}) *c = rng() % 2 ? M : rng();
        Bytes first = written([&](int h) { kelvo_mirwrite(h, &m), kelvo_mrrwrite(h, &r), kelvo_pcrwrite(h, &p); });
        File f(concat({far_record(2), first}), true);  // read back, each written again before the next copy
        EXPECT_EQ(first, written([&](int out) {
            ASSERT_EQ(kelvo_mirbuf_read(f.h, f.next(), &m2, nullptr), m.REC_LEN);
            kelvo_mirwrite(out, &m2);
            ASSERT_EQ(kelvo_mrrbuf_read(f.h, f.next(), &r2, nullptr), r.REC_LEN);
            kelvo_mrrwrite(out, &r2);
            ASSERT_EQ(kelvo_pcrbuf_read(f.h, f.next(), &p2, nullptr), p.REC_LEN);
            kelvo_pcrwrite(out, &p2);
        })) << round;
    }
}

TEST(MirMrrPcr, RealFiles) {
    struct Expect { const char *file, *sblot; uint32_t start, finish, parts; };
    for (const Expect &x : {Expect{"lot2", "02", 991774222, 991779008, 1569},
                            Expect{"lot3", "03", 991790025, 991795688, 1619}}) {
        File f(x.file);
        kelvo_mir_struct m{};
        kelvo_pcr_struct p{};
        kelvo_mrr_struct r{};
        uint32_t st[38] = {}, sp[4] = {}, sr[12] = {};
        ASSERT_EQ(kelvo_mirbuf_read(f.h, f.seek(1, 10), &m, st), 96);
        // Every string of the copy terminated, one behind the other, the absent ones too.
        for (const kelvo_cn *s = &m.LOT_ID; s < &m.LOT_ID + 30; ++s) EXPECT_EQ(std::strlen(s->str), s->len);
        for (const kelvo_cn *s = &m.LOT_ID + 1; s < &m.LOT_ID + 30; ++s) EXPECT_EQ(s->str, s[-1].str + s[-1].len + 1);
        EXPECT_EQ(kelvo_mir_buf(&m), 1);  // copying the copy changes nothing
        EXPECT_EQ(Nums({m.SETUP_T, m.START_T, m.STAT_NUM, m.BURN_TIM}), (Nums{991732686, x.start, 1, 65535}));
        EXPECT_EQ(std::string({m.MODE_COD, m.RTST_COD, m.PROT_COD, m.CMOD_COD}), "E  a");
        EXPECT_EQ(Words(st, st + 17), (Words{3, 1, 1, 1, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 1, 3, 0}));
        ASSERT_EQ(kelvo_pcrread(f.h, f.seek(1, 30), &p, sp), 10);  // the MIR copy must outlive this read
        EXPECT_EQ(Nums({p.HEAD_NUM, p.SITE_NUM, p.PART_CNT, p.RTST_CNT, p.ABRT_CNT, sp[0], sp[1]}),
                  (Nums{255, 255, x.parts, 0, M, 3, 0}));
        // The site's own names are checked by their lengths only.
        std::string lengths;
        for (const kelvo_cn *s = &m.LOT_ID; s < &m.LOT_ID + 30; ++s) lengths += std::to_string(s->len) + ",";
        std::string absent;
        for (int k = 0; k < 19; ++k) absent += "0,";
        EXPECT_EQ(lengths, "7,8,8,4,9,2," + std::to_string(std::strlen(x.sblot)) + ",3,24,0,3," + absent);
        EXPECT_EQ(texts(m).substr(0, 8), "GAL-LOT|");
        EXPECT_EQ(std::string(m.SBLOT_ID.str), x.sblot);
        EXPECT_EQ(std::string(m.TEST_COD.str), "E38");
        ASSERT_EQ(kelvo_mrrbuf_read(f.h, f.seek(1, 20), &r, sr), 4);
        EXPECT_EQ(Nums({r.FINISH_T, r.DISP_COD, sr[4], sr[5], sr[6], sr[7]}), (Nums{x.finish, ' ', 0, 0, 0, 0}));
    }
}
