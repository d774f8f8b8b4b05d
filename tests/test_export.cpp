// kelvo-export: table values against the records, carried limits, missing values, CSV
// quoting, JSON lines, version-3 input and bad input.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "testutil.h"

using kt::slurp;

namespace {

// The CSV line of a table that begins with `prefix` (after the file column).
std::string row(const std::string &csv, const std::string &prefix) {
    size_t at = csv.find("," + prefix);
    if (at == std::string::npos) return "";
    return csv.substr(at + 1, csv.find("\r\n", at) - at - 1);
}

struct Folder {
    std::string path;
    Folder() {
        char name[] = "/tmp/kelvo-export-XXXXXX";
        path = mkdtemp(name);
    }
    ~Folder() { std::system(("rm -rf " + path).c_str()); }
    std::string table(const std::string &name, const char *ext = ".csv") const {
        return slurp(path + "/" + name + ext);
    }
};

void blank(std::initializer_list<kelvo_cn *> texts) {
    for (kelvo_cn *t : texts) *t = {0, const_cast<char *>("")};
}

// A small file from the library's writers: a lot name that needs quoting, three parts,
// one test whose limits only its first record gives, a bin whose count the PRRs belie.
void write_sample(const std::string &path) {
    int h = kelvo_open(path.c_str(), "w");
    kelvo_far_struct far{};
    kelvo_farwrite(h, &far);
    kelvo_mir_struct mir{};
    blank({&mir.LOT_ID, &mir.PART_TYP, &mir.NODE_NAM, &mir.TSTR_TYP, &mir.JOB_NAM, &mir.JOB_REV, &mir.SBLOT_ID,
           &mir.OPER_NAM, &mir.EXEC_TYP, &mir.EXEC_VER, &mir.TEST_COD, &mir.TST_TEMP, &mir.USER_TXT, &mir.AUX_FILE,
           &mir.PKG_TYP, &mir.FAMLY_ID, &mir.DATE_COD, &mir.FACIL_ID, &mir.FLOOR_ID, &mir.PROC_ID, &mir.OPER_FRQ,
           &mir.SPEC_NAM, &mir.SPEC_VER, &mir.FLOW_ID, &mir.SETUP_ID, &mir.DSGN_REV, &mir.ENG_ID, &mir.ROM_COD,
           &mir.SERL_NUM, &mir.SUPR_NAM, &mir.HAND_ID, &mir.PRB_CARD});
    static char lot[] = "a,\"b\"\nc";
    mir.LOT_ID = {7, lot};
    mir.MODE_COD = mir.RTST_COD = mir.PROT_COD = mir.CMOD_COD = ' ';
    mir.BURN_TIM = 65535;
    kelvo_mirwrite(h, &mir);
    const uint8_t opts[] = {0x0C, 0x3D, 0x6C};  // all limits; none repeated; "no low limit"
    for (int part = 0; part < 3; ++part) {
        kelvo_pir_struct pir{};
        pir.HEAD_NUM = 1;
        kelvo_pirwrite(h, &pir);
        kelvo_ptr_struct ptr{};
        blank({&ptr.TEST_TXT, &ptr.ALARM_ID, &ptr.UNITS, &ptr.C_RESFMT, &ptr.C_LLMFMT, &ptr.C_HLMFMT});
        ptr.TEST_NUM = 7;
        ptr.HEAD_NUM = 1;
        ptr.RESULT = 0.1f * static_cast<float>(part + 1);
        ptr.OPT_FLAG = opts[part];
        if (part == 0) {
            ptr.LO_LIMIT = 1.5f, ptr.HI_LIMIT = 2.5f, ptr.LLM_SCAL = -3, ptr.HLM_SCAL = -3;
            ptr.UNITS = {1, const_cast<char *>("V")};
        }
        kelvo_ptrwrite(h, &ptr);
        kelvo_prr_struct prr{};
        blank({&prr.PART_ID, &prr.PART_TXT});
        prr.HEAD_NUM = 1;
        prr.HARD_BIN = 3;
        prr.SOFT_BIN = 65535;
        prr.X_COORD = prr.Y_COORD = -32768;
        prr.PART_FLG = part == 2 ? KELVO_PART_FLG_NO_PASS_FAIL : 0;
        static char id[] = "p,1";
        if (part == 0) prr.PART_ID = {3, id};
        kelvo_prrwrite(h, &prr);
    }
    kelvo_hbr_struct hbr{};
    hbr.HEAD_NUM = hbr.SITE_NUM = 255;
    hbr.HBIN_NUM = 3;
    hbr.HBIN_CNT = 9;
    hbr.HBIN_PF = 'P';
    hbr.HBIN_NAM = {0, const_cast<char *>("")};
    kelvo_hbrwrite(h, &hbr);
    kelvo_close(h);
}

TEST(Export, RealFileValuesCheckedAgainstItsRecords) {
    Folder out;
    auto r = kt::run_tool("kelvo-export", "-o " + out.path + " " + kt::data_file("lot2"));
    ASSERT_EQ(r.status, 0) << r.out;
    // PRR #7: head 1, site 0, PART_FLG 0x08, one test, bins 5/5, X 19, Y -3, id "1"; TEST_T missing.
    EXPECT_EQ(row(out.table("parts"), "1,1,0,"), "1,1,0,1,19,-3,5,5,false,8,1,,GAL-LOT-02,");
    // The first PTR of test 1000 (record #11, in part 2).
    EXPECT_EQ(row(out.table("tests"), "2,1,0,1000,"),
              "2,1,0,1000,glxy_SS_IH     <> glxy_pin2,,,-0.66164064,v,-0.9,-0.4,0,0,0,true,false,0,0,,,,"
              "%5.2f v,%5.2f v,%5.2f v");
    // Soft bin 1 of site 0: the SBR says 1389, and so many PRRs have it.
    EXPECT_EQ(row(out.table("bins"), "soft,255,0,1,"), "soft,255,0,1,1389,1389,,");
    std::string files = out.table("files");
    EXPECT_NE(files.find(",1569,1389,180,58020\r\n"), std::string::npos) << files;
    EXPECT_NE(files.find("2001-06-05T09:18:06Z"), std::string::npos);
}

TEST(Export, CarriedLimitsMissingValuesAndQuoting) {
    kt::TempFile file;
    write_sample(file.path());
    Folder out;
    auto r = kt::run_tool("kelvo-export", "-o " + out.path + " " + file.path());
    ASSERT_EQ(r.status, 0) << r.out;
    std::string tests = out.table("tests");
    // The later records take the first record's limits, scales and units, except the
    // low limit of the one that says its test has none.
    EXPECT_EQ(row(tests, "1,1,0,7,"), "1,1,0,7,,,,0.1,V,1.5,2.5,0,-3,-3,true,false,0,0,,,,,,");
    EXPECT_EQ(row(tests, "2,1,0,7,"), "2,1,0,7,,,,0.2,V,1.5,2.5,0,-3,-3,true,false,0,0,,,,,,");
    EXPECT_EQ(row(tests, "3,1,0,7,"), "3,1,0,7,,,,0.3,V,,2.5,0,,-3,true,false,0,0,,,,,,");
    // Missing soft bin, X, Y and pass/fail are empty; a text with a comma is quoted.
    std::string parts = out.table("parts");
    EXPECT_EQ(row(parts, "1,1,0,"), "1,1,0,\"p,1\",,,3,,true,0,0,,,");
    EXPECT_EQ(row(parts, "3,1,0,"), "3,1,0,,,,3,,,16,0,,,");
    EXPECT_EQ(row(out.table("bins"), "hard,"), "hard,255,255,3,9,3,P,");
    EXPECT_NE(out.table("files").find(",\"a,\"\"b\"\"\nc\","), std::string::npos);

    // JSON lines: every line parses, the text comes back whole, missing values are null.
    std::string json = out.path + "/parts.jsonl";
    r = kt::run_tool("kelvo-export", "--format jsonl --table parts -o " + json + " " + file.path());
    ASSERT_EQ(r.status, 0) << r.out;
    r = kt::run_tool("kelvo-export", "--format=jsonl --table files -o - " + file.path() +
                                         " | python3 -c 'import json,sys; rows=[json.loads(l) for l in sys.stdin]; "
                                         "p=[json.loads(l) for l in open(\"" + json + "\")]; "
                                         "print(rows[0][\"lot_id\"] == \"a,\\\"b\\\"\\nc\", p[0][\"x\"], len(p))'");
    EXPECT_EQ(r.out, "True None 3\n");
}

TEST(Export, Version3FilesOfEveryCpuType) {
    for (int cpu = 0; cpu < 3; ++cpu) {
        auto r = kt::run_tool("kelvo-export", "--table parts -o - " + std::string(KELVO_SAMPLE_DIR) + "/v3-cpu" +
                                                  std::to_string(cpu) + ".kelvo");
        ASSERT_EQ(r.status, 0) << r.out;
        // The PIR's coordinates and id reach the part; the wafer is the WIR's.
        EXPECT_NE(r.out.find(",2,1,1,P1,1,-1,5,50,true,0,12,,W07,ptxt\r\n"), std::string::npos) << r.out;
    }
}

TEST(Export, BadInputAndUsage) {
    Folder out;
    kt::Bytes lot2;
    {
        std::ifstream in(kt::data_file("lot2"), std::ios::binary);
        lot2.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    lot2.resize(300);  // inside record #11
    kt::TempFile cut(lot2);
    struct Case {
        std::string args;
        int status;
        std::string says;
    } cases[] = {
        {"-o " + out.path + " " + cut.path(), 1, "record 11 at byte offset 279: PTR record cut short"},
        {"-o " + out.path + " /nonexistent", 1, "/nonexistent: "},
        {"--table nope " + cut.path(), 2, "unknown table nope"},
        {"--format xml " + cut.path(), 2, "unknown format xml"},
        {"-o -", 2, "no FILE given"},
        {"-o - " + cut.path(), 2, "needs --table"},
    };
    for (const Case &c : cases) {
        auto r = kt::run_tool("kelvo-export", c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
        if (c.status == 1) {
            EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
        }
    }
}

}  // namespace
