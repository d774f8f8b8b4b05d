// kelvo-report: its numbers against the records (read here with the library's readers),
// a generated multi-site file in every byte order, the page's content, bad input, usage.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "testutil.h"

using kt::slurp;

namespace {

int count(const std::string &s, const std::string &what) {
    int n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
}

// What a file's PRRs and PTRs say, read with the library's readers.
struct Truth {
    uint64_t parts = 0, good = 0, retests = 0;
    std::map<uint16_t, uint64_t> hard;                       // parts per hard bin
    std::map<uint16_t, uint32_t> hbr;                        // HBR counts of all heads
    std::map<uint32_t, std::set<uint64_t>> failed;           // test -> parts failing it
};

Truth read_truth(const std::string &path) {
    Truth t;
    int h = kelvo_open(path.c_str(), "r");
    EXPECT_GE(h, 0);
    kelvo_header hd;
    std::set<std::tuple<int, std::string, int, int>> seen;
    std::string wafer;
    std::map<int, uint64_t> open;  // head << 8 | site -> part
    uint64_t parts = 0;
    while (kelvo_headread(h, &hd) == 4) {
        const int rc = KELVO_REC_CODE(hd.REC_TYP, hd.REC_SUB);
        if (rc == KELVO_REC_CODE(KELVO_FAR_TYP, KELVO_FAR_SUB)) {
            kelvo_far_struct far;
            kelvo_farread(h, &hd, &far);
        } else if (rc == KELVO_REC_CODE(KELVO_WIR_TYP, KELVO_WIR_SUB)) {
            kelvo_wir_struct w{};
            uint32_t st[KELVO_WIR_STATUS_WORDS] = {};
            kelvo_wirread(h, &hd, &w, st);
            wafer.assign(w.WAFER_ID.str ? w.WAFER_ID.str : "", w.WAFER_ID.len);
        } else if (rc == KELVO_REC_CODE(KELVO_PIR_TYP, KELVO_PIR_SUB)) {
            kelvo_pir_struct p{};
            kelvo_pirread(h, &hd, &p);
            open[p.HEAD_NUM << 8 | p.SITE_NUM] = ++parts;
        } else if (rc == KELVO_REC_CODE(KELVO_PTR_TYP, KELVO_PTR_SUB)) {
            kelvo_ptr_struct p{};
            uint32_t st[KELVO_PTR_STATUS_WORDS] = {};
            kelvo_ptrread(h, &hd, &p, st);
            if ((p.TEST_FLG & 0xD0) == 0x80) t.failed[p.TEST_NUM].insert(open[p.HEAD_NUM << 8 | p.SITE_NUM]);
        } else if (rc == KELVO_REC_CODE(KELVO_PRR_TYP, KELVO_PRR_SUB)) {
            kelvo_prr_struct p{};
            uint32_t st[KELVO_PRR_STATUS_WORDS] = {};
            kelvo_prrread(h, &hd, &p, st);
            ++t.parts;
            if (!(p.PART_FLG & 0x18)) ++t.good;
            ++t.hard[p.HARD_BIN];
            if (!seen.insert({p.HEAD_NUM, wafer, p.X_COORD, p.Y_COORD}).second) ++t.retests;
        } else if (rc == KELVO_REC_CODE(KELVO_HBR_TYP, KELVO_HBR_SUB)) {
            kelvo_hbr_struct b{};
            uint32_t st[KELVO_HBR_STATUS_WORDS] = {};
            kelvo_hbrread(h, &hd, &b, st);
            if (b.HEAD_NUM == 255) t.hbr[b.HBIN_NUM] = b.HBIN_CNT;
        } else {
            kelvo_skip_record(h, &hd);
        }
    }
    kelvo_close(h);
    return t;
}

// The report's numbers of the real files and a version-3 sample, in the text and the page.
TEST(Report, NumbersMatchTheRecords) {
    for (std::string path : {kt::data_file("lot2"), kt::data_file("lot3"),
                             std::string(KELVO_SAMPLE_DIR) + "/v3-cpu2.kelvo"}) {
        SCOPED_TRACE(path);
        const Truth t = read_truth(path);
        kt::ToolRun r = kt::run_tool("kelvo-report", "--text " + path);
        ASSERT_EQ(r.status, 0) << r.out;
        char line[200];
        std::snprintf(line, sizeof line, "Parts tested %llu, good %llu, failed %llu, yield %.2f %%, retests %llu",
                      (unsigned long long)t.parts, (unsigned long long)t.good,
                      (unsigned long long)(t.parts - t.good), 100.0 * double(t.good) / double(t.parts),
                      (unsigned long long)t.retests);
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
        for (const auto &[bin, n] : t.hard) {
            char row[100];
            auto rec = t.hbr.find(bin);
            std::snprintf(row, sizeof row, "%5u  ", bin);
            size_t at = r.out.find("\n  " + std::string(row));
            ASSERT_NE(at, std::string::npos) << "hard bin " << bin;
            std::istringstream fields(r.out.substr(at + 1, r.out.find('\n', at + 1) - at - 1));
            std::string b, pf, parts, share, pc, record;
            fields >> b >> pf >> parts >> share >> pc >> record;
            EXPECT_EQ(parts, std::to_string(n)) << "hard bin " << bin;
            if (rec != t.hbr.end()) {
                EXPECT_EQ(record, std::to_string(rec->second)) << "hard bin " << bin;
            }
        }
        // The most failing test leads the ranking with its count.
        size_t most = 0;
        for (const auto &[test, parts] : t.failed) most = std::max(most, parts.size());
        if (most) {
            size_t at = r.out.find("name\n", r.out.find("  rank"));
            ASSERT_NE(at, std::string::npos);
            std::istringstream fields(r.out.substr(at + 5));
            std::string rank, test, failed;
            fields >> rank >> test >> failed;
            EXPECT_EQ(failed, std::to_string(most));
            EXPECT_EQ(t.failed.at(static_cast<uint32_t>(std::stoul(test))).size(), most);
        }

        kt::TempFile out;
        r = kt::run_tool("kelvo-report", "--quiet -o " + out.path() + " " + path);
        ASSERT_EQ(r.status, 0) << r.out;
        const std::string page = slurp(out.path());
        EXPECT_NE(page.find("<b>" + std::to_string(t.parts) + "</b><span>parts tested"), std::string::npos);
        EXPECT_NE(page.find("<b>" + std::to_string(t.good) + "</b><span>good"), std::string::npos);
        EXPECT_EQ(count(page, "<figure class=\"wmap\">"), 1);
        EXPECT_EQ(page.find("://"), std::string::npos);  // nothing to fetch
        EXPECT_EQ(page.find("<script"), std::string::npos);
    }
}

// A wafer of two sites in every byte order: retests, a bin record that the PRRs belie,
// orientation from the WCR, a histogram with the counts outside the limits, markup in texts.
kt::Bytes generated(int cpu) {
    using kt::Image;
    std::vector<kt::Bytes> r{kt::far_record(cpu)};
    r.push_back(Image(cpu).u4(0).u4(1000).u1(1).raw("P  ").u2(0).raw(" ").cn("L<1>").cn("PT").cn("node").cn("tstr")
                    .cn("job").record(1, 10));
    r.push_back(Image(cpu).r4(200).r4(1).r4(1).u1(3).raw("U").u2(0).u2(0).raw("L").raw("U").record(2, 30));
    r.push_back(Image(cpu).u1(1).u1(255).u4(1000).cn("W&1").record(2, 10));
    // (x, y, site, result): results above 2 fail test 7 and go to hard bin 3.
    const struct { int16_t x, y; uint8_t site; float result; } parts[] = {
        {0, 0, 1, 1.5f}, {1, 0, 2, 2.5f}, {2, 0, 1, 1.2f}, {0, 1, 2, 0.5f}, {1, 1, 1, 1.8f}, {0, 0, 2, 1.1f}};
    int good = 0;
    for (const auto &p : parts) {
        r.push_back(Image(cpu).u1(1).u1(p.site).record(5, 10));
        const bool fail = p.result > 2 || p.result < 1;
        r.push_back(Image(cpu).u4(7).u1(1).u1(p.site).u1(fail ? 0x80 : 0).u1(0).r4(p.result).cn("Vdd <b>&")
                        .cn("").u1(0x0E).u1(0).u1(0).u1(0).r4(1).r4(2).cn("V").record(15, 10));
        good += !fail;
        r.push_back(Image(cpu).u1(1).u1(p.site).u1(fail ? 0x08 : 0).u2(1).u2(fail ? 3 : 1).u2(fail ? 30 : 10)
                        .u2(static_cast<uint16_t>(p.x)).u2(static_cast<uint16_t>(p.y)).u4(5).cn("").record(5, 20));
    }
    r.push_back(Image(cpu).u1(1).u1(255).u4(2000).u4(6).u4(1).u4(0).u4(static_cast<uint32_t>(good)).u4(0).cn("W&1")
                    .record(2, 20));
    r.push_back(Image(cpu).u1(255).u1(255).u2(1).u4(99).raw("P").cn("GOOD").record(1, 40));
    r.push_back(Image(cpu).u1(255).u1(255).u2(3).u4(2).raw("F").cn("VDD").record(1, 40));
    kt::Bytes all;
    for (const kt::Bytes &b : r) all.insert(all.end(), b.begin(), b.end());
    return all;
}

TEST(Report, GeneratedWaferInEveryByteOrder) {
    for (int cpu : {0, 1, 2}) {
        SCOPED_TRACE(cpu);
        kt::TempFile in(generated(cpu)), out;
        kt::ToolRun r = kt::run_tool("kelvo-report", "--text " + in.path());
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_NE(r.out.find("Parts tested 6, good 4, failed 2, yield 66.67 %, retests 1, final yield 60.00 % of 5 dies"),
                  std::string::npos) << r.out;
        EXPECT_NE(r.out.find("      1  P          4   66.7 %       99  GOOD  <- the bin record differs"), std::string::npos);
        EXPECT_NE(r.out.find("      3  F          2   33.3 %        2  VDD\n"), std::string::npos);
        // X grows to the left, Y upwards: row y=1 first; (0,0) was retested and passed.
        EXPECT_NE(r.out.find("to the left, Y 0..1 upwards"), std::string::npos);
        EXPECT_NE(r.out.find("\n   .3\n  .3.\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("     1           7        2    33.3 %  Vdd <b>&"), std::string::npos);
        EXPECT_NE(r.out.find("limits 1 to 2; 2 outside (1 below, 1 above)"), std::string::npos);
        EXPECT_NE(r.out.find("     1     1        3        3  100.00 %  1:3"), std::string::npos);
        EXPECT_NE(r.out.find("     1     2        3        1   33.33 %  1:1 3:2"), std::string::npos);

        r = kt::run_tool("kelvo-report", "-o " + out.path() + " " + in.path());
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_NE(r.out.find("wrote " + out.path()), std::string::npos);
        const std::string page = slurp(out.path());
        EXPECT_NE(page.find("Lot L&lt;1&gt;"), std::string::npos);
        EXPECT_NE(page.find("Wafer W&amp;1"), std::string::npos);
        EXPECT_NE(page.find("Vdd &lt;b&gt;&amp;"), std::string::npos);
        EXPECT_EQ(page.find("<b>&"), std::string::npos);
        EXPECT_EQ(count(page, "<svg class=\"hardv\""), 1);
        EXPECT_EQ(count(page, "<svg class=\"softv\""), 1);
        EXPECT_EQ(count(page, "<figure class=\"hist\">"), 1);
        EXPECT_NE(page.find("<h2>Sites</h2>"), std::string::npos);
        EXPECT_NE(page.find("The bin records' counts differ"), std::string::npos);
    }
}

// Dies at the ends of the coordinate range and results and limits that are not numbers:
// a small page, a text map cut to the terminal, no limit drawn.
TEST(Report, HostileValues) {
    std::vector<kt::Bytes> r{kt::far_record(2)};
    for (int16_t c : {int16_t(-32767), int16_t(32767), int16_t(0)}) {
        r.push_back(kt::Image().u1(1).u1(0).record(5, 10));
        r.push_back(kt::Image().u4(5).u1(1).u1(0).u1(0x80).u1(0).r4(NAN).cn("x").cn("").u1(0x0E).u1(0).u1(0).u1(0)
                        .r4(NAN).r4(INFINITY).record(15, 10));
        r.push_back(kt::Image().u1(1).u1(0).u1(8).u2(1).u2(7).u2(7).u2(uint16_t(c)).u2(uint16_t(c)).u4(0).cn("")
                        .record(5, 20));
    }
    kt::Bytes all;
    for (const kt::Bytes &b : r) all.insert(all.end(), b.begin(), b.end());
    kt::TempFile in(all), out;
    kt::ToolRun t = kt::run_tool("kelvo-report", "--test 5 --text " + in.path());
    ASSERT_EQ(t.status, 0) << t.out;
    EXPECT_NE(t.out.find("(the first 200 columns and 200 rows of 65535 x 65535)"), std::string::npos) << t.out;
    EXPECT_NE(t.out.find("limits none to none; 0 outside"), std::string::npos) << t.out;
    ASSERT_EQ(kt::run_tool("kelvo-report", "--test 5 -o " + out.path() + " " + in.path()).status, 0);
    const std::string page = slurp(out.path());
    EXPECT_LT(page.size(), 40000u);
    EXPECT_EQ(page.find("nan"), std::string::npos);
    EXPECT_EQ(count(page, "<figure class=\"hist\">"), 1);
}

// Damaged input: one line, status 1, no report left behind; bad usage: status 2.
TEST(Report, BadInputAndUsage) {
    kt::Bytes whole = generated(2);
    kt::Bytes cut(whole.begin(), whole.end() - 5);
    kt::TempFile in(cut);
    const std::string out = in.path() + ".html";
    kt::ToolRun r = kt::run_tool("kelvo-report", "-o " + out + " " + in.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(count(r.out, "\n"), 1) << r.out;
    EXPECT_NE(r.out.find("kelvo-report: " + in.path() + ": record"), std::string::npos) << r.out;
    EXPECT_NE(access(out.c_str(), F_OK), 0);
    r = kt::run_tool("kelvo-report", "-o " + out + " /nonexistent.kelvo");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(access(out.c_str(), F_OK), 0);
    r = kt::run_tool("kelvo-report", "-o /nonexistent/dir/x.html " + kt::data_file("lot2"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(count(r.out, "\n"), 1) << r.out;

    for (const char *args : {"", "--bogus x", "--test", "--test abc x", "--histograms 5000 x", "-o"}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(kt::run_tool("kelvo-report", args).status, 2);
    }
    EXPECT_EQ(kt::run_tool("kelvo-report", "--help").status, 0);
}

}  // namespace
