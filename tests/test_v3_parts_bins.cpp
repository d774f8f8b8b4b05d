// Version-3 PIR, PRR, PMR, HBR, SBR and WRR: fields whole and cut in every byte order, the
// PIR's coordinates and PART_ID carried to its PRR, copies on a version-3 handle, hostile input.
#include <gtest/gtest.h>

#include <random>

#include "record_text.h"
#include "v3gen.h"

using namespace kt;
namespace g = v3gen;

static std::string show(const kelvo_prr_struct &p) {
    return cat(p.REC_LEN, p.HEAD_NUM, p.SITE_NUM, p.PART_FLG, p.NUM_TEST, p.HARD_BIN, p.SOFT_BIN, p.X_COORD,
               p.Y_COORD, p.TEST_T, p.PART_ID, p.PART_TXT, p.PART_FIX.data ? p.PART_FIX.len : -1);
}
static std::string show(const kelvo_pmr_struct &p) {
    return cat(p.REC_LEN, p.PMR_INDX, p.CHAN_TYP, p.CHAN_NAM, p.PHY_NAM, p.LOG_NAM, p.HEAD_NUM, p.SITE_NUM);
}
static std::string show(const kelvo_hbr_struct &b) {
    return cat(b.REC_LEN, b.HEAD_NUM, b.SITE_NUM, b.HBIN_NUM, b.HBIN_CNT, b.HBIN_PF, b.HBIN_NAM);
}
static std::string show(const kelvo_sbr_struct &b) {
    return cat(b.REC_LEN, b.HEAD_NUM, b.SITE_NUM, b.SBIN_NUM, b.SBIN_CNT, b.SBIN_PF, b.SBIN_NAM);
}
static std::string show(const kelvo_wrr_struct &w) {
    return cat(w.REC_LEN, w.HEAD_NUM, w.SITE_GRP, w.FINISH_T, w.PART_CNT, w.RTST_CNT, w.ABRT_CNT, w.GOOD_CNT,
               w.FUNC_CNT, w.WAFER_ID, w.FABWF_ID, w.FRAME_ID, w.MASK_ID, w.USR_DESC, w.EXC_DESC);
}

static void prr_no_handle(kelvo_prr_struct *s, const void *img, const kelvo_attributes *a, uint32_t *st) {
    kelvo_v3_prr_to_struct(s, img, a, st, -1);
}

// One record read with `read`: result, structure (texts to their terminators) and status words.
template <int N, class S>
static std::string line(int (*read)(int, const kelvo_header *, S *, uint32_t *), int h, const kelvo_header *hd) {
    S s;
    uint32_t st[N] = {};
    int n = read(h, hd, &s, st);
    g_copies = true;
    std::string r = std::to_string(n) + ": " + show(s) + words(st, N) + "\n";
    g_copies = false;
    return r;
}

// A version-3 file of `cpu`, a MIR and `records`: a line for each but the PIRs.
static std::string read_v3(int cpu, std::initializer_list<Bytes> records) {
    TempFile tmp;
    int h = open_bytes(concat({g::record(cpu, g::Mir{}), concat(records)}), tmp);
    kelvo_header hd = next_header(h);
    kelvo_mir_struct mir;
    kelvo_pir_struct pir;
    EXPECT_GT(kelvo_mirread(h, &hd, &mir, nullptr), 0);
    std::string r;
    while (kelvo_headread(h, &hd) == 4) switch (hd.REC_TYP << 8 | hd.REC_SUB) {
        case g::PIR: r += kelvo_pirbuf_read(h, &hd, &pir) > 0 ? "" : "PIR failed\n"; break;
        case g::PRR: r += line<7>(kelvo_prrbuf_read, h, &hd); break;
        case g::PMR: r += line<6>(kelvo_pmrbuf_read, h, &hd); break;
        case g::HBR: r += line<2>(kelvo_hbrbuf_read, h, &hd); break;
        case g::SBR: r += line<2>(kelvo_sbrbuf_read, h, &hd); break;
        default: r += line<11>(kelvo_wrrbuf_read, h, &hd);
        }
    kelvo_close(h);
    return r;
}

// Record `r` of `cpu`, whole or cut to `body` bytes.
template <class R>
static Bytes rec(int cpu, const R &r, int body = -1) {
    Bytes b = g::record(cpu, r);
    return body < 0 ? b : g::cut(cpu, b, body);
}

TEST(V3PartsBins, FieldsCompleteAndCut) {
    for (int cpu : {0, 1, 2}) {
        SCOPED_TRACE(cpu);
        const kelvo_attributes a{cpu, 3};
        kelvo_pir_struct p;  // PIR: header and head; zeros past the end
        kelvo_v3_pir_to_struct(&p, rec(cpu, g::Pir{}, 1).data(), &a, -1);
        EXPECT_EQ(cat(p.REC_LEN, p.REC_TYP, p.REC_SUB, p.HEAD_NUM, p.SITE_NUM), "1 5 10 1 0");
        auto prr = [&](const g::Prr &r, int n = -1) { return decode<7>(prr_no_handle, rec(cpu, r, n), a); };
        auto pmr = [&](const g::Pmr &r, int n = -1) { return decode<6>(kelvo_v3_pmr_to_struct, rec(cpu, r, n), a); };
        auto hbr = [&](const g::Bin &r, int n = -1) { return decode<2>(kelvo_v3_hbr_to_struct, rec(cpu, r, n), a); };
        auto wrr = [&](const g::Wrr &r, int n = -1) { return decode<11>(kelvo_v3_wrr_to_struct, rec(cpu, r, n), a); };

        const g::Prr full{.PART_FLG = 8, .X_COORD = 5, .Y_COORD = -7, .PART_ID = "id"};
        EXPECT_EQ(prr(full), R"(26 1 3 8 12 1 2 5 -7 0 "id" "ptxt" 3 | +++-+++)");
        EXPECT_EQ(prr(full, 0), R"(0 0 0 0 0 0 0 -32768 -32768 0 "" "" -1 | +------)");  // fixed fields zero
        EXPECT_EQ(prr(full, 12), R"(12 1 3 8 12 1 2 5 -32768 0 "" "" -1 | ++-----)");
        EXPECT_EQ(prr({.SOFT_BIN = 65535, .PART_FIX = {}}),
                  R"(21 1 3 0 12 1 65535 -32768 -32768 0 "" "ptxt" 0 | ppp-p+p)");

        EXPECT_EQ(pmr({}), R"(15 17 0 "17" "VDD1" "" 1 1 | -++---)");
        EXPECT_EQ(pmr({}, 12), R"(12 17 0 "17" "V" "" 1 1 | -++---)");
        EXPECT_EQ(pmr({}, 4), R"(4 0 0 "0" "" "" 1 1 | -+----)");  // the channel list lies outside the record
        EXPECT_EQ(pmr({{}, 1, "ab"}), R"(7 0 0 "0" "ab" "" 1 1 | -++---)");  // no channel: the name follows the flag
        EXPECT_EQ(pmr({{65535}, 0, ""}), R"(6 65535 0 "65535" "" "" 1 1 | -+----)");
        Bytes far = Image(cpu).u2(65535).u2(1).u2(7).cn("x").record(1, 60);  // a count far beyond the record
        EXPECT_EQ(decode<6>(kelvo_v3_pmr_to_struct, far, a), R"(8 7 0 "7" "" "" 1 1 | -+----)");

        EXPECT_EQ(hbr({}), R"(11 255 255 5 1234 ' ' "bin5" | -+)");
        EXPECT_EQ(hbr({}, 0), R"(0 255 255 0 0 ' ' "" | --)");

        EXPECT_EQ(wrr({}), R"(49 1 255 287454020 500 4 3 450 480 "W07" "" "" "" "user" "exc" | -+++++---++)");
        EXPECT_EQ(wrr({}, 0), R"(0 0 255 0 0 ~0 ~0 ~0 ~0 "" "" "" "" "" "" | -----------)");
        EXPECT_EQ(wrr({.RTST_CNT = kMax, .WAFER_ID = "", .HAND_ID = std::string(200, 'h'), .USR_DESC = ""}),
                  R"(238 1 255 287454020 500 ~0 3 450 480 "" "" "" "" "" "exc" | -p+++p---p+)");
    }
}

TEST(V3PartsBins, PirToPrrAndCopiesOnAVersion3Handle) {
    for (int cpu : {0, 1, 2}) {
        auto pir = [cpu](g::Pir p, int body = -1) { return rec(cpu, p, body); };
        auto prr = [cpu](uint8_t head = 1, uint8_t site = 3, int16_t x = -32768, std::string id = "") {
            return rec(cpu, g::Prr{.HEAD_NUM = head, .SITE_NUM = site, .X_COORD = x, .PART_ID = id});
        };
        // The first PRR, of site 4, finds nothing of the last file's PIR of site 4.
        EXPECT_EQ(read_v3(cpu, {prr(1, 4), pir({.PART_ID = "A"}), prr(), prr(), pir({.PART_ID = "ABCDEF"}),
                                pir({.X_COORD = 11, .Y_COORD = 21, .PART_ID = "XY"}), prr(1, 3, 5), pir({}),
                                pir({}, 2), prr(), pir({.X_COORD = 12}, 4), prr(1, 3, -32768, "own"),
                                pir({.HEAD_NUM = 4}), prr(4), pir({.SITE_NUM = 32}), prr(1, 32), pir({.SITE_NUM = 4}),
                                prr(), rec(cpu, g::Pmr{}), rec(cpu, g::Bin{}), g::record(cpu, g::Bin{255, 9, ""}, g::SBR),
                                rec(cpu, g::Wrr{.WAFER_ID = "wafer", .HAND_ID = std::string(200, 'h')})}),
                  "24: 24 1 4 0 12 1 2 -32768 -32768 0 \"\" \"ptxt\" 3 | +pp-p++\n"
                  "24: 24 1 3 0 12 1 2 10 20 0 \"A\" \"ptxt\" 3 | +++-+++\n"  // taken, once only
                  "24: 24 1 3 0 12 1 2 -32768 -32768 0 \"\" \"ptxt\" 3 | +pp-p++\n"
                  "24: 24 1 3 0 12 1 2 5 21 0 \"XY\" \"ptxt\" 3 | +++-+++\n"  // its own X wins; the shorter name whole
                  "24: 24 1 3 0 12 1 2 -32768 -32768 0 \"\" \"ptxt\" 3 | +pp-p++\n"  // a PIR without coordinates
                  "27: 27 1 3 0 12 1 2 12 -32768 0 \"own\" \"ptxt\" 3 | ++p-+++\n"  // no Y_COORD; its own PART_ID kept
                  "24: 24 4 3 0 12 1 2 -32768 -32768 0 \"\" \"ptxt\" 3 | +pp-p++\n"  // head 4, site 32: nothing kept
                  "24: 24 1 32 0 12 1 2 -32768 -32768 0 \"\" \"ptxt\" 3 | +pp-p++\n"
                  "24: 24 1 3 0 12 1 2 -32768 -32768 0 \"\" \"ptxt\" 3 | +pp-p++\n"  // another site's PIR
                  "15: 15 17 0 \"17\" \"VDD1\" \"\" 1 1 | -++---\n"
                  "11: 11 255 255 5 1234 ' ' \"bin5\" | -+\n7: 7 255 255 255 9 ' ' \"\" | -p\n"
                  "247: 247 1 255 287454020 500 4 3 450 480 \"wafer\" \"\" \"\" \"\" \"user\" \"exc\" | -+++++---++\n")
            << cpu;
    }
}

TEST(V3PartsBins, HostileRecordsAndStructuresStayInsideTheirBytes) {
    std::mt19937 rng(3);
    for (int round = 0; round < 3000; ++round) {
        const kelvo_attributes a{round % 3, 3};
        uint16_t len = rng() % 48;
        Bytes img = Image(a.cpu_type).record(1, 1, len);  // header only, then exactly `len` body bytes
        for (int i = 0; i < len; ++i) img.push_back(rng() % 4 ? rng() : rng() % 40);
        img.shrink_to_fit();  // nothing readable past the record
        uint32_t st[11] = {};
        kelvo_pir_struct pir;
        kelvo_prr_struct prr;
        kelvo_pmr_struct pmr;
        kelvo_hbr_struct hbr;
        kelvo_wrr_struct wrr;
        kelvo_v3_pir_to_struct(&pir, img.data(), &a, 30);
        kelvo_v3_prr_to_struct(&prr, img.data(), &a, st, 30);
        kelvo_v3_pmr_to_struct(&pmr, img.data(), &a, st);
        kelvo_v3_hbr_to_struct(&hbr, img.data(), &a, st);
        kelvo_v3_wrr_to_struct(&wrr, img.data(), &a, st);
        // Each copy reuses the string buffer: its last text is checked before the next.
        auto ended = [](int ok, const kelvo_cn &s) { return ok == 1 && s.str[s.len] == '\0'; };
        EXPECT_TRUE(ended(kelvo_prr_buf(&prr), prr.PART_TXT) && ended(kelvo_v3_pmr_buf(&pmr), pmr.PHY_NAM) &&
                    ended(kelvo_hbr_buf(&hbr), hbr.HBIN_NAM) && ended(kelvo_v3_wrr_buf(&wrr), wrr.EXC_DESC));
    }
    // A caller's WRR with REC_LEN below its texts: room for them (fresh, watched), not a 4 GB request.
    std::string u(201, 'u'), e(200, 'e');
    kelvo_wrr_struct c{};
    c.REC_LEN = 3, c.WAFER_ID = {200, e.data()}, c.USR_DESC = {200, u.data()}, c.EXC_DESC = {0, nullptr};
    kelvo_free();
    ASSERT_EQ(kelvo_v3_wrr_buf(&c), 1);
    EXPECT_EQ(std::string(c.WAFER_ID.str, 403), e + '\0' + u.substr(1) + '\0' + '\0');  // one after another
    EXPECT_TRUE(c.USR_DESC.str == c.WAFER_ID.str + 201 && c.EXC_DESC.str == c.USR_DESC.str + 201);
}
