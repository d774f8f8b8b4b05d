// kelvo-diff: equal values in any byte order, changed and missing records, bad input, --max.
#include <gtest/gtest.h>

#include <cstdio>

#include "testutil.h"

using namespace kt;

namespace {

ToolRun diff(const std::string &args) { return run_tool("kelvo-diff", args); }

// A FAR and PTRs with the given results, written by the library's writers.
Bytes ptr_file(std::initializer_list<float> results) {
    return written([&](int h) {
        kelvo_far_struct far{};
        kelvo_farwrite(h, &far);
        uint32_t test = 1;
        for (float r : results) {
            kelvo_ptr_struct s{};
            s.TEST_NUM = test++, s.RESULT = r, s.LO_LIMIT = 0.5f, s.HI_LIMIT = 2.0f;
            s.TEST_TXT.str = const_cast<char *>("vdd");
            EXPECT_GT(kelvo_ptrwrite(h, &s), 0);
        }
    });
}

int lines(const std::string &s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

}  // namespace

TEST(Diff, EqualValuesInEveryByteOrder) {
    // A GDR of numbers and a text, and a full STR, stored for CPU types 0, 1 and 2 (VAX reals for 0).
    auto image = [](int cpu) {
        Image g(cpu);
        g.u2(4).u1(2).u2(0x1234).u1(7).r4(-1.5f).u1(6).u4(static_cast<uint32_t>(-70000)).u1(10).cn("hi");
        return concat({far_record(cpu), g.record(50, 10), full_str_record(cpu)});
    };
    TempFile little(image(2));
    for (int cpu : {0, 1, 2}) {
        TempFile other(image(cpu));
        ToolRun r = diff(other.path() + " " + little.path());
        EXPECT_EQ((std::pair{r.status, r.out}), (std::pair{0, std::string("equal (3 records in A, 3 in B)\n")}))
            << cpu;
    }
    // The real file with itself (gzip, and from standard input), and with its conversion.
    const std::string gz = std::string(KELVO_SAMPLE_DIR) + "/lot2.kelvo.gz";
    EXPECT_EQ(diff(gz + " - < " + data_file("lot2")).status, 0);
    TempFile converted;
    ASSERT_EQ(run_tool("kelvo-convert", gz + " " + converted.path()).status, 0);
    ToolRun r = diff(gz + " " + converted.path());
    EXPECT_EQ((std::pair{r.status, r.out}), (std::pair{0, std::string("equal (58020 records in A, 58020 in B)\n")}));
    // Version 3 of every CPU type.
    const std::string v3 = std::string(KELVO_SAMPLE_DIR) + "/v3-cpu";
    for (int cpu : {0, 1}) EXPECT_EQ(diff(v3 + std::to_string(cpu) + ".kelvo " + v3 + "2.kelvo").status, 0) << cpu;
}

TEST(Diff, ChangedAndMissingRecords) {
    TempFile a(ptr_file({1.0f, 1.5f, 3.0f})), changed(ptr_file({1.0f, 1.25f, 3.0f})), shorter(ptr_file({1.0f, 1.5f}));
    ToolRun r = diff(a.path() + " " + changed.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "#2 PTR RESULT: A 0x3ff8000000000000 (1.5), B 0x3ff4000000000000 (1.25)\n"
              "1 difference (4 records in A, 4 in B)\n");
    r = diff(shorter.path() + " " + a.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "#3 PTR record: A (none: A ends), B PTR\n1 difference (3 records in A, 4 in B)\n");
}

TEST(Diff, MaxLimitsTheLinesNotTheCount) {
    TempFile a(ptr_file({1, 2, 3, 4})), b(ptr_file({5, 6, 7, 8}));
    ToolRun r = diff("--max 2 " + a.path() + " " + b.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(lines(r.out), 3);
    EXPECT_NE(r.out.find("4 differences (5 records in A, 5 in B), the first 2 shown\n"), std::string::npos);
    r = diff("--max 0 " + a.path() + " " + b.path());
    EXPECT_EQ((std::pair{r.status, lines(r.out)}), (std::pair{1, 1}));
    const std::string ab = a.path() + " " + b.path();
    for (const std::string &bad : {"--max " + ab, "--max -1 " + ab, "--max x " + ab, "--bogus " + ab, a.path(),
                                   "- - < " + a.path()})
        EXPECT_EQ(diff(bad).status, 2) << bad;
}

TEST(Diff, BadInputIsOneLineNamingFileRecordAndOffset) {
    Bytes whole = ptr_file({1, 2, 3});
    TempFile good(whole), cut(Bytes(whole.begin(), whole.end() - 3)), empty(Bytes{}),
        no_far(Image().u1(1).record(5, 10));
    struct Case {
        const TempFile &file;
        std::string message;
    } cases[] = {
        {cut, "record 3 at byte offset "},
        {empty, "empty file"},
        {no_far, "record 0 at byte offset 0: the file begins with neither a FAR nor a version-3 MIR"},
    };
    for (const Case &c : cases) {
        for (bool second : {false, true}) {
            ToolRun r = diff(second ? good.path() + " " + c.file.path() : c.file.path() + " " + good.path());
            EXPECT_EQ(r.status, 2) << c.message;
            EXPECT_EQ(lines(r.out), 1) << r.out;
            EXPECT_EQ(r.out.rfind("kelvo-diff: " + c.file.path() + ": " + c.message, 0), 0u) << r.out;
        }
    }
    EXPECT_EQ(diff(good.path() + " /no/such/file").status, 2);
}
