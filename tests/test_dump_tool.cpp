// kelvo-dump as its users run it: output, summaries and one-line errors.
#include <gtest/gtest.h>

#include <cstdio>

#include "testutil.h"

using namespace kt;

namespace {

ToolRun run(const std::string &args) { return run_tool("kelvo-dump", args); }

}  // namespace

TEST(DumpTool, HelpAndUsage) {
    ToolRun r = run("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: kelvo-dump"), std::string::npos);
    EXPECT_EQ(run("").status, 2);
    EXPECT_EQ(run("--bogus x").status, 2);
}

TEST(DumpTool, SummaryOfTheCompressedSample) {
    ToolRun r = run("--summary " + std::string(KELVO_SAMPLE_DIR) + "/lot2.kelvo.gz");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("CPU type 1, version 4, 58020 records"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("PTR      52403"), std::string::npos) << r.out;
}

TEST(DumpTool, PrintsFieldsByName) {
    Bytes file = concat({far_record(2), Image().u4(42).cn("make all").record(0, 20), Image().bytes({1, 2}).record(99, 1)});
    TempFile tmp(file);
    ToolRun r = run(tmp.path());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("#0 FAR (0,10) REC_LEN=2 offset=0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("#1 ATR (0,20) REC_LEN=13 offset=6"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("MOD_TIM   42"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("CMD_LINE  \"make all\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("#2 unknown (99,1) REC_LEN=2 offset=23"), std::string::npos) << r.out;
}

TEST(DumpTool, BadInputGetsOneLineNamingFileRecordAndOffset) {
    ToolRun r = run("/nonexistent/file.kelvo");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("kelvo-dump: /nonexistent/file.kelvo: "), std::string::npos) << r.out;

    TempFile notkelvo(Image().u4(1).record(0, 20));
    r = run(notkelvo.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("record 0 at byte offset 0: the file begins with neither a FAR nor a version-3 MIR"),
              std::string::npos)
        << r.out;

    Bytes cut = concat({far_record(1), Image(1).u4(1).cn("abcdef").record(0, 20)});
    cut.resize(cut.size() - 3);
    TempFile truncated(cut);
    r = run(truncated.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("record 1 at byte offset 6: ATR record cut short by the end of the file"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n') - 2, 2);  // FAR lines only, then the error

    TempFile empty(Bytes{});
    EXPECT_EQ(run(empty.path()).status, 1);
}
