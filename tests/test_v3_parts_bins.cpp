// Version-3 PIR, PRR, PMR, HBR, SBR and WRR: every field complete and cut in every byte
// order, the part states that carry a PIR's coordinates and PART_ID to its PRR, the
// copies, and hostile records.
#include <gtest/gtest.h>

#include <functional>
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

namespace {

void prr_no_handle(kelvo_prr_struct *s, const void *img, const kelvo_attributes *a, uint32_t *st) {
    kelvo_v3_prr_to_struct(s, img, a, st, -1);
}

// One case: the record of a CPU type, cut to `body` bytes (-1: whole), and its text.
struct Case {
    std::function<Bytes(int)> rec;
    int body;
    const char *want;
};

template <int N, class S>
void check(void (*dec)(S *, const void *, const kelvo_attributes *, uint32_t *), const std::vector<Case> &cases) {
    for (int cpu : {0, 1, 2})
        for (const Case &c : cases) {
            Bytes r = c.rec(cpu);
            const kelvo_attributes a{cpu, 3};
            EXPECT_EQ(decode<N>(dec, c.body < 0 ? r : g::cut(cpu, r, static_cast<uint16_t>(c.body)), a), c.want)
                << "cpu " << cpu << " body " << c.body;
        }
}

// Reads a version-3 file of `cpu` (a MIR, then `records`) and joins what `read` says of each.
template <class Read>
std::string read_v3(int cpu, std::initializer_list<Bytes> records, Read read) {
    TempFile tmp;
    int h = open_bytes(concat({g::record(cpu, g::Mir{}), concat(records)}), tmp);
    kelvo_header hd;
    kelvo_mir_struct mir;
    EXPECT_TRUE(kelvo_headread(h, &hd) == 4 && kelvo_mirread(h, &hd, &mir, nullptr) > 0);
    EXPECT_EQ(Kelvo_file_attributes[h].kelvo_ver, 3);
    std::string r;
    while (kelvo_headread(h, &hd) == 4) r += read(h, &hd);
    kelvo_close(h);
    return r;
}

// A PRR of `head` and `site` whose coordinates are missing unless X_COORD is given (out of
// line: g++ 12 warns falsely about PART_FIX's initialiser inlined many times over).
[[gnu::noinline]] Bytes prr_of(int cpu, uint8_t head = 1, uint8_t site = 3, int16_t x = -32768) {
    return g::record(cpu, g::Prr{.HEAD_NUM = head, .SITE_NUM = site, .X_COORD = x});
}

}  // namespace

TEST(V3PartsBins, PirAndPrrFieldsCompleteAndCut) {
    for (int cpu : {0, 1, 2}) {  // PIR: header, head and site; zeros past the end
        const kelvo_attributes a{cpu, 3};
        Bytes r = g::record(cpu, g::Pir{});
        kelvo_pir_struct p;
        for (Bytes img : {r, g::cut(cpu, r, 1)}) {
            kelvo_v3_pir_to_struct(&p, img.data(), &a, -1);
            EXPECT_EQ(cat(p.REC_LEN, p.REC_TYP, p.REC_SUB, p.HEAD_NUM, p.SITE_NUM),
                      img.size() > 5 ? "9 5 10 1 3" : "1 5 10 1 0");
        }
    }
    auto full = [](int cpu) {
        return g::record(cpu, g::Prr{.PART_FLG = 8, .X_COORD = 5, .Y_COORD = -7, .PART_ID = "id"});
    };
    check<7>(prr_no_handle, {
        {full, -1, R"(26 1 3 8 12 1 2 5 -7 0 "id" "ptxt" 3 | +++-+++)"},
        {full, 0, R"(0 0 0 0 0 0 0 -32768 -32768 0 "" "" -1 | +------)"},  // fixed fields zero
        {full, 9, R"(9 1 3 8 12 1 2 -32768 -32768 0 "" "" -1 | +------)"},  // no PAD_BYTE: nothing after it
        {full, 10, R"(10 1 3 8 12 1 2 -32768 -32768 0 "" "" -1 | +------)"},
        {full, 12, R"(12 1 3 8 12 1 2 5 -32768 0 "" "" -1 | ++-----)"},
        {full, 15, R"(15 1 3 8 12 1 2 5 -7 0 "" "" -1 | +++-p--)"},  // PART_ID cut to its length byte
        {full, 16, R"(16 1 3 8 12 1 2 5 -7 0 "i" "" -1 | +++-+--)"},
        {[](int cpu) { return g::record(cpu, g::Prr{.SOFT_BIN = 65535, .PART_FIX = {}}); }, -1,
         R"(21 1 3 0 12 1 65535 -32768 -32768 0 "" "ptxt" 0 | ppp-p+p)"},
    });
}

TEST(V3PartsBins, PmrBinsAndWrrFieldsCompleteAndCut) {
    auto pmr = [](g::Pmr p) { return [p](int cpu) { return g::record(cpu, p); }; };
    check<6>(kelvo_v3_pmr_to_struct, {
        {pmr({}), -1, R"(15 17 0 "17" "VDD1" "" 1 1 | -++---)"},
        {pmr({}), 12, R"(12 17 0 "17" "V" "" 1 1 | -++---)"},
        {pmr({}), 10, R"(10 17 0 "17" "" "" 1 1 | -+----)"},
        {pmr({}), 4, R"(4 0 0 "0" "" "" 1 1 | -+----)"},  // the channel list lies outside the record
        {pmr({}), 0, R"(0 0 0 "0" "" "" 1 1 | -+----)"},
        {pmr({{}, 1, "ab"}), -1, R"(7 0 0 "0" "ab" "" 1 1 | -++---)"},  // no channel
        {pmr({{65535}, 0, ""}), -1, R"(6 65535 0 "65535" "" "" 1 1 | -+----)"},
        {pmr({{1}, 1, ""}), -1, R"(7 1 0 "1" "" "" 1 1 | -+p---)"},
        {[](int cpu) { return Image(cpu).u2(65535).u2(1).u2(7).cn("x").record(1, 60); }, -1,
         R"(8 7 0 "7" "" "" 1 1 | -+----)"},  // a count far beyond the record
    });
    auto bin = [](g::Bin b, g::Code c) { return [b, c](int cpu) { return g::record(cpu, b, c); }; };
    check<2>(kelvo_v3_hbr_to_struct, {
        {bin({}, g::HBR), -1, R"(11 255 255 5 1234 ' ' "bin5" | -+)"},
        {bin({}, g::HBR), 8, R"(8 255 255 5 1234 ' ' "b" | -+)"},
        {bin({}, g::HBR), 6, R"(6 255 255 5 1234 ' ' "" | --)"},
        {bin({}, g::HBR), 0, R"(0 255 255 0 0 ' ' "" | --)"},
        {bin({7, 0, ""}, g::HBR), -1, R"(7 255 255 7 0 ' ' "" | -p)"},
    });
    check<2>(kelvo_v3_sbr_to_struct, {{bin({255, 9, "s"}, g::SBR), -1, R"(8 255 255 255 9 ' ' "s" | -+)"}});
    auto wrr = [](g::Wrr w) { return [w](int cpu) { return g::record(cpu, w); }; };
    check<11>(kelvo_v3_wrr_to_struct, {
        {wrr({}), -1, R"(49 1 255 287454020 500 4 3 450 480 "W07" "" "" "" "user" "exc" | -+++++---++)"},
        {wrr({}), 45, R"(45 1 255 287454020 500 4 3 450 480 "W07" "" "" "" "user" "" | -+++++---+-)"},
        {wrr({}), 30, R"(30 1 255 287454020 500 4 3 450 480 "W07" "" "" "" "" "" | -+++++-----)"},
        {wrr({}), 10, R"(10 1 255 287454020 500 ~0 ~0 ~0 ~0 "" "" "" "" "" "" | -----------)"},
        {wrr({}), 0, R"(0 0 255 0 0 ~0 ~0 ~0 ~0 "" "" "" "" "" "" | -----------)"},
        {wrr({.RTST_CNT = kMax, .WAFER_ID = "", .HAND_ID = std::string(200, 'h'), .USR_DESC = ""}), -1,
         R"(238 1 255 287454020 500 ~0 3 450 480 "" "" "" "" "" "exc" | -p+++p---p+)"},
    });
}

TEST(V3PartsBins, PirCoordinatesAndPartIdGoToTheNextPrrOfTheirHeadAndSite) {
    auto prr = [](int h, const kelvo_header *hd) {
        if (hd->REC_TYP != 5 || hd->REC_SUB != 20) {
            kelvo_pir_struct p;
            return std::string(kelvo_pirbuf_read(h, hd, &p) > 0 ? "" : "PIR failed\n");
        }
        kelvo_prr_struct r;
        uint32_t st[7] = {};
        kelvo_prrbuf_read(h, hd, &r, st);  // PART_ID copied, NUL-terminated
        return cat(r.X_COORD, r.Y_COORD, r.PART_ID) + words(st, 7) + "\n";
    };
    for (int cpu : {0, 1, 2}) {
        auto rec = [cpu](auto r) { return g::record(cpu, r); };
        EXPECT_EQ(read_v3(cpu, {rec(g::Pir{.PART_ID = "A"}), prr_of(cpu), prr_of(cpu),
                                rec(g::Pir{.PART_ID = "ABCDEF"}),
                                rec(g::Pir{.X_COORD = 11, .Y_COORD = 21, .PART_ID = "XY"}), prr_of(cpu, 1, 3, 5),
                                rec(g::Pir{}), g::cut(cpu, rec(g::Pir{}), 2), prr_of(cpu),
                                g::cut(cpu, rec(g::Pir{.X_COORD = 12}), 4), prr_of(cpu),
                                rec(g::Pir{.HEAD_NUM = 4}), prr_of(cpu, 4),
                                rec(g::Pir{.SITE_NUM = 32}), prr_of(cpu, 1, 32),
                                rec(g::Pir{.SITE_NUM = 4}), prr_of(cpu)},
                          prr),
                  "10 20 \"A\" | +++-+++\n"          // taken, once only
                  "-32768 -32768 \"\" | +pp-p++\n"
                  "5 21 \"XY\" | +++-+++\n"           // the PRR's own X wins; the shorter name whole
                  "-32768 -32768 \"\" | +pp-p++\n"     // a PIR without coordinates leaves nothing
                  "12 -32768 \"\" | ++p-p++\n"         // one without Y_COORD and PART_ID
                  "-32768 -32768 \"\" | +pp-p++\n"     // head 4, site 32: nothing kept
                  "-32768 -32768 \"\" | +pp-p++\n"
                  "-32768 -32768 \"\" | +pp-p++\n")    // another site's PIR
            << cpu;
    }
    // A new file on the same handle finds nothing of the last one.
    for (int file = 0; file < 2; ++file)
        EXPECT_EQ(read_v3(2, {file ? prr_of(2) : g::record(2, g::Pir{})}, prr),
                  file ? "-32768 -32768 \"\" | +pp-p++\n" : "");
}

TEST(V3PartsBins, CopiesOnAVersion3Handle) {
    auto read = [](int h, const kelvo_header *hd) -> std::string {
        switch (hd->REC_SUB) {
        case 60: {
            kelvo_pmr_struct p;
            int n = kelvo_pmrbuf_read(h, hd, &p, nullptr);
            g_copies = true;  // texts shown to their terminators
            return std::to_string(n) + ": " + show(p) + "\n";
        }
        case 40: {
            kelvo_hbr_struct b;
            int n = kelvo_hbrbuf_read(h, hd, &b, nullptr);
            g_copies = true;
            return std::to_string(n) + ": " + show(b) + "\n";
        }
        default: {
            kelvo_wrr_struct w;
            int n = kelvo_wrrbuf_read(h, hd, &w, nullptr);
            g_copies = true;  // one after another, each ended
            bool packed = w.USR_DESC.str == w.WAFER_ID.str + w.WAFER_ID.len + 1 &&
                          w.EXC_DESC.str == w.USR_DESC.str + w.USR_DESC.len + 1;
            return std::to_string(n) + ": " + show(w) + (packed ? "\n" : " apart\n");
        }
        }
    };
    g::Wrr w{.WAFER_ID = "wafer", .HAND_ID = std::string(200, 'h')};
    EXPECT_EQ(read_v3(1, {g::record(1, g::Pmr{}), g::record(1, g::Bin{}), g::record(1, w),
                          g::cut(1, g::record(1, w), 243)}, read),
              "15: 15 17 0 \"17\" \"VDD1\" \"\" 1 1\n11: 11 255 255 5 1234 ' ' \"bin5\"\n"
              "247: 247 1 255 287454020 500 4 3 450 480 \"wafer\" \"\" \"\" \"\" \"user\" \"exc\"\n"
              "243: 243 1 255 287454020 500 4 3 450 480 \"wafer\" \"\" \"\" \"\" \"user\" \"\"\n");
    g_copies = false;
    // A caller's structure whose REC_LEN is below the texts' offset gets room for its texts
    // (the sanitizers watch a fresh buffer), not a 4 GB request.
    std::string u(201, 'u'), e(200, 'e');
    kelvo_wrr_struct c{};
    c.REC_LEN = 3, c.WAFER_ID = {200, e.data()}, c.USR_DESC = {200, u.data()}, c.EXC_DESC = {0, nullptr};
    kelvo_free();
    ASSERT_EQ(kelvo_v3_wrr_buf(&c), 1);
    EXPECT_EQ(std::string(c.WAFER_ID.str) + "|" + c.USR_DESC.str + "|" + c.EXC_DESC.str, e + "|" + u.substr(1) + "|");
}

TEST(V3PartsBins, HostileRecordsStayInsideTheirBytes) {
    std::mt19937 rng(3);
    for (int round = 0; round < 3000; ++round) {
        int cpu = round % 3;
        uint16_t len = static_cast<uint16_t>(rng() % 48);
        Bytes img = Image(cpu).record(1, 1, len);  // header only, then exactly `len` body bytes
        for (int i = 0; i < len; ++i) img.push_back(static_cast<uint8_t>(rng() % 4 ? rng() : rng() % 40));
        const kelvo_attributes a{cpu, 3};
        uint32_t st[11] = {};
        kelvo_pir_struct pir;
        kelvo_prr_struct prr;
        kelvo_pmr_struct pmr;
        kelvo_hbr_struct hbr;
        kelvo_sbr_struct sbr;
        kelvo_wrr_struct wrr;
        kelvo_v3_pir_to_struct(&pir, img.data(), &a, 30);
        kelvo_v3_prr_to_struct(&prr, img.data(), &a, st, 30);
        kelvo_v3_pmr_to_struct(&pmr, img.data(), &a, st);
        kelvo_v3_hbr_to_struct(&hbr, img.data(), &a, st);
        kelvo_v3_sbr_to_struct(&sbr, img.data(), &a, st);
        kelvo_v3_wrr_to_struct(&wrr, img.data(), &a, st);
        // Each copy reuses the string buffer: its last text is checked before the next.
        auto ended = [](int ok, const kelvo_cn &s) { return ok == 1 && s.str[s.len] == '\0'; };
        EXPECT_TRUE(ended(kelvo_prr_buf(&prr), prr.PART_TXT) && ended(kelvo_v3_pmr_buf(&pmr), pmr.PHY_NAM) &&
                    ended(kelvo_hbr_buf(&hbr), hbr.HBIN_NAM) && ended(kelvo_v3_wrr_buf(&wrr), wrr.EXC_DESC));
    }
}
