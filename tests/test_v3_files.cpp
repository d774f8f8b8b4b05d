// Version-3 files through the tools: the committed samples, kelvo-dump and kelvo-convert.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>

#include "v3gen.h"

using namespace kt;

namespace {

std::string sample_path(int cpu) { return std::string(KELVO_SAMPLE_DIR) + "/v3-cpu" + std::to_string(cpu) + ".kelvo"; }

Bytes read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// One record of a dump: its name and its field lines ("KEY value").
struct Block {
    std::string name;
    std::vector<std::string> lines;
    std::string field(const std::string &key) const {
        for (const std::string &l : lines)
            if (l.compare(0, key.size() + 1, key + " ") == 0) return l.substr(l.find_first_not_of(' ', key.size()));
        return "?";
    }
};

std::vector<Block> blocks(const std::string &dump) {
    std::vector<Block> b;
    size_t at = 0;
    while (at < dump.size()) {
        size_t end = dump.find('\n', at);
        std::string line = dump.substr(at, end - at);
        at = end == std::string::npos ? dump.size() : end + 1;
        if (line[0] == '#') b.push_back({line.substr(line.find(' ') + 1, line.find(' ', line.find(' ') + 1) - line.find(' ') - 1), {}});
        else if (!b.empty() && line.size() > 2) b.back().lines.push_back(line.substr(2));
    }
    return b;
}

// Field lines of a block without those whose key begins with one of `keys`.
std::vector<std::string> without(const Block &b, const std::vector<std::string> &keys) {
    std::vector<std::string> kept;
    for (const std::string &l : b.lines)
        if (std::none_of(keys.begin(), keys.end(), [&](const std::string &k) { return l.starts_with(k); }))
            kept.push_back(l);
    return kept;
}

}  // namespace

// The committed samples are the generator's files (KELVO_WRITE_V3_SAMPLES=1 writes them anew).
TEST(Version3Files, SamplesAreTheGenerators) {
    for (int cpu : {0, 1, 2}) {
        const Bytes file = v3gen::sample_file(cpu);
        if (std::getenv("KELVO_WRITE_V3_SAMPLES"))
            std::ofstream(sample_path(cpu), std::ios::binary)
                .write(reinterpret_cast<const char *>(file.data()), static_cast<std::streamsize>(file.size()));
        EXPECT_EQ(read_file(sample_path(cpu)), file) << cpu;
    }
}

TEST(Version3Files, DumpDecodesEveryRecord) {
    for (int cpu : {0, 1, 2}) {
        SCOPED_TRACE(cpu);
        ToolRun r = run_tool("kelvo-dump", sample_path(cpu));
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.out.find("not decoded"), std::string::npos);
        std::map<std::string, int> seen;
        for (const Block &b : blocks(r.out)) ++seen[b.name];
        EXPECT_EQ(seen, (std::map<std::string, int>{{"MIR", 1}, {"PMR", 2}, {"WIR", 1}, {"PDR", 3}, {"FDR", 1},
                                                    {"PIR", 3}, {"PTR", 6}, {"FTR", 3}, {"PRR", 3}, {"WRR", 1},
                                                    {"SCR", 2}, {"SHB", 2}, {"SSB", 2}, {"STS", 2}, {"HBR", 2},
                                                    {"SBR", 1}, {"TSR", 4}, {"MRR", 1}}));
        r = run_tool("kelvo-dump", "--summary " + sample_path(cpu));
        EXPECT_NE(r.out.find("CPU type " + std::to_string(cpu) + ", version 3, 40 records"), std::string::npos) << r.out;
    }
}

// Converted, a version-3 file reads back record for record with the values its own
// readers gave; descriptions land on the first result of their test, names on the TSRs.
TEST(Version3Files, ConvertKeepsEveryValue) {
    TempFile out[3], again;
    for (int cpu : {0, 1, 2}) {
        ToolRun r = run_tool("kelvo-convert", sample_path(cpu) + " " + out[cpu].path());
        ASSERT_EQ(r.status, 0) << r.out;
    }
    // The sample's reals are exact in every form: every CPU type converts to the same bytes,
    // and converting the result again changes nothing.
    EXPECT_EQ(out[0].contents(), out[2].contents());
    EXPECT_EQ(out[1].contents(), out[2].contents());
    ASSERT_EQ(run_tool("kelvo-convert", out[2].path() + " " + again.path()).status, 0);
    EXPECT_EQ(again.contents(), out[2].contents());

    std::vector<Block> v3 = blocks(run_tool("kelvo-dump", "--exact " + sample_path(1)).out);
    std::vector<Block> v4 = blocks(run_tool("kelvo-dump", "--exact " + out[2].path()).out);
    std::map<std::string, Block> descriptions;
    std::vector<Block> expected;
    for (const Block &b : v3) {
        if (b.name == "PDR") descriptions[b.field("TEST_NUM")] = b;
        else if (b.name != "FDR") expected.push_back(b);
    }
    static const std::map<std::string, std::string> as_v4 = {
        {"SCR", "PCR"}, {"SHB", "HBR"}, {"SSB", "SBR"}, {"STS", "TSR"}};
    size_t i = 0;
    auto next = [&](const std::string &name) -> const Block & {
        EXPECT_LT(i, v4.size());
        const Block &b = v4[std::min(i++, v4.size() - 1)];
        EXPECT_EQ(b.name, name) << "converted record " << i - 1;
        return b;
    };
    next("FAR");
    std::map<std::string, int> described;
    for (const Block &b : expected) {
        SCOPED_TRACE(b.name + " " + b.field("TEST_NUM"));
        auto renamed = as_v4.find(b.name);
        if (b.name == "MRR") {
            // The description that no PTR took, as a PTR without a result; then the run's
            // counts, as a PCR of all sites.
            Block left = descriptions["102"];
            left.lines[3] = "TEST_FLG  0x12";  // not executed, and no valid result
            EXPECT_EQ(next("PTR").lines, left.lines);
            const Block &pcr = next("PCR");
            for (const char *k : {"PART_CNT", "RTST_CNT", "ABRT_CNT", "GOOD_CNT", "FUNC_CNT"})
                EXPECT_EQ(pcr.field(k), b.field(std::string("PCR.") + k)) << k;
        }
        const Block &c = next(renamed == as_v4.end() ? b.name : renamed->second);
        if (b.name == "MIR") {
            EXPECT_EQ(without(c, {"CPU_TYPE", "KELVO_VER", "HAND_ID", "PRB_CARD"}),
                      without(b, {"CPU_TYPE", "KELVO_VER", "HAND_ID", "PRB_CARD"}));
            const Block &sdr = next("SDR");
            EXPECT_EQ(std::pair(sdr.field("HAND_ID"), sdr.field("CARD_ID")), std::pair(b.field("HAND_ID"), b.field("PRB_CARD")));
        } else if (b.name == "PMR") {  // version 3 has no head and site: the version-4 default 1 is written
            EXPECT_EQ(without(c, {"HEAD_NUM", "SITE_NUM"}), without(b, {"HEAD_NUM", "SITE_NUM"}));
            EXPECT_EQ(std::pair(c.field("HEAD_NUM"), c.field("SITE_NUM")), std::pair(std::string("1"), std::string("1")));
        } else if (b.name == "MRR") {
            EXPECT_EQ(without(c, {}), without(b, {"PCR."}));
        } else if (b.name == "PTR" && !described[b.field("TEST_NUM")]++) {
            // The first result of a test: its own values where it has them, else its test's.
            const Block &d = descriptions[b.field("TEST_NUM")];
            const std::vector<std::string> described = {"RES_SCAL", "LLM_SCAL", "HLM_SCAL", "LO_LIMIT", "HI_LIMIT",
                                                        "UNITS",    "C_RESFMT", "C_LLMFMT", "C_HLMFMT"};
            for (const std::string &k : described)
                EXPECT_EQ(c.field(k), b.field(k) != "missing" ? b.field(k) : d.field(k)) << k;
            auto rest = described;
            rest.push_back("OPT_FLAG");
            EXPECT_EQ(without(c, rest), without(b, rest));
        } else {
            EXPECT_EQ(c.lines, b.lines);
        }
    }
    EXPECT_EQ(i, v4.size());
}

TEST(Version3Files, ConvertDropsUnknownRecordsOnlyWhenAsked) {
    const Bytes file = concat({v3gen::sample_file(2), Image().u2(1).record(99, 7), Image().record(98, 1),
                               Image().u2(1).record(99, 7)});
    TempFile in(file), out;
    ToolRun r = run_tool("kelvo-convert", in.path() + " " + out.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("record 40 at byte offset " + std::to_string(v3gen::sample_file(2).size()) +
                         ": record type (99,7) cannot be converted"),
              std::string::npos)
        << r.out;
    r = run_tool("kelvo-convert", "--drop-unknown " + in.path() + " " + out.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("warning: left out 3 records that cannot be converted: 1 of (98,1), 2 of (99,7)"),
              std::string::npos)
        << r.out;
    TempFile plain;
    ASSERT_EQ(run_tool("kelvo-convert", sample_path(2) + " " + plain.path()).status, 0);
    EXPECT_EQ(out.contents(), plain.contents());
}
