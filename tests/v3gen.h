// Version-3 records and files for the tests, written from the version-3 wire layouts
// alone (independently of the library's decoders), in CPU type 0 (VAX reals), 1
// (big-endian) or 2 (little-endian IEEE). Each record is written whole; `cut` shortens
// one to a given body length, so that fields from there on are absent.
#pragma once

#include <string>
#include <vector>

#include "testutil.h"

namespace v3gen {

using kt::Bytes;

// Record codes of version-3 files.
enum Code : uint16_t {
    MIR = 1 << 8 | 10, MRR = 1 << 8 | 20, HBR = 1 << 8 | 40, SBR = 1 << 8 | 50, PMR = 1 << 8 | 60,
    WIR = 2 << 8 | 10, WRR = 2 << 8 | 20, PIR = 5 << 8 | 10, PRR = 5 << 8 | 20, PDR = 10 << 8 | 10,
    FDR = 10 << 8 | 20, TSR = 10 << 8 | 30, PTR = 15 << 8 | 10, FTR = 15 << 8 | 20, SHB = 25 << 8 | 10,
    SSB = 25 << 8 | 20, STS = 25 << 8 | 30, SCR = 25 << 8 | 40,
};

struct Mir {
    char MODE_COD = 'P';
    uint8_t STAT_NUM = 7;
    std::string TEST_COD = "WS1";  // three characters on the wire
    char RTST_COD = 'N', PROT_COD = 'A', CMOD_COD = 'C';
    uint32_t SETUP_T = 0x12345678, START_T = 0x23456789;
    std::string LOT_ID = "LOT42", PART_TYP = "PART-A", JOB_NAM = "job", OPER_NAM = "op", NODE_NAM = "node1",
                TSTR_TYP = "tester", EXEC_TYP = "exec", SUPR_NAM = "sup", HAND_ID = "hand", SBLOT_ID = "sub",
                JOB_REV = "rev2", PROC_ID = "proc", PRB_CARD = "card";
};

struct Pdr {
    uint32_t TEST_NUM = 100;
    uint8_t DESC_FLG = 0, OPT_FLAG = 0;
    int8_t RES_SCAL = -3;
    std::string UNITS = "V";  // padded with spaces to seven characters
    uint8_t RES_LDIG = 3, RES_RDIG = 2;
    int8_t LLM_SCAL = 1, HLM_SCAL = 2;
    uint8_t LLM_LDIG = 1, LLM_RDIG = 0, HLM_LDIG = 4, HLM_RDIG = 4;
    float LO_LIMIT = -1.5f, HI_LIMIT = 2.25f;
    std::string TEST_NAM = "vdd", SEQ_NAME = "seq";
};

struct Ptr {
    uint32_t TEST_NUM = 100;
    uint8_t HEAD_NUM = 1, SITE_NUM = 2, TEST_FLG = 0, PARM_FLG = 0;
    float RESULT = 1.25f;
    uint8_t OPT_FLAG = 0;
    int8_t RES_SCAL = -3;
    uint8_t RES_LDIG = 3, RES_RDIG = 2, DESC_FLG = 0;
    std::string UNITS = "mA";
    int8_t LLM_SCAL = 1, HLM_SCAL = 2;
    uint8_t LLM_LDIG = 1, LLM_RDIG = 0, HLM_LDIG = 4, HLM_RDIG = 4;
    float LO_LIMIT = -1.5f, HI_LIMIT = 2.25f;
    std::string TEST_NAM = "vdd", SEQ_NAME = "seq", TEST_TXT = "text";
};

struct Fdr {
    uint32_t TEST_NUM = 200;
    uint8_t DESC_FLG = 0;
    std::string TEST_NAM = "func", SEQ_NAME = "fseq";
};

struct Ftr {
    uint32_t TEST_NUM = 200;
    uint8_t HEAD_NUM = 1, SITE_NUM = 2, TEST_FLG = 0, DESC_FLG = 0, OPT_FLAG = 0, TIME_SET = 7;
    uint32_t VECT_ADR = 0x1000, CYCL_CNT = 5000;
    uint16_t REPT_CNT = 3, ADDR_WORD = 65535;
    uint32_t NUM_FAIL = 2;
    Bytes FAIL_PIN = {0x81}, PGM_STATE = {0x05}, RTN_STATE = {0xF0, 0x0F}, PIN_MAP = {0xFF};
    std::string TEST_NAM = "func", SEQ_NAME = "fseq", TEST_TXT = "ftext";
};

struct Pir {
    uint8_t HEAD_NUM = 1, SITE_NUM = 3;
    int16_t X_COORD = 10, Y_COORD = 20;
    std::string PART_ID = "P1";
};

struct Prr {
    uint8_t HEAD_NUM = 1, SITE_NUM = 3;
    uint16_t NUM_TEST = 12, HARD_BIN = 1, SOFT_BIN = 2;
    uint8_t PART_FLG = 0, PAD_BYTE = 0;
    int16_t X_COORD = -32768, Y_COORD = -32768;
    std::string PART_ID = "", PART_TXT = "ptxt";
    Bytes PART_FIX = {1, 2, 3};
};

struct Pmr {
    std::vector<uint16_t> channels = {17, 18, 19};
    uint16_t name_flag = 1;
    std::string name = "VDD1";
};

struct Bin {  // HBR and SBR
    uint16_t num = 5;
    uint32_t count = 1234;
    std::string name = "bin5";
};

struct Wrr {
    uint32_t FINISH_T = 0x11223344;
    uint8_t HEAD_NUM = 1, PAD_BYTE = 0;
    uint32_t PART_CNT = 500, RTST_CNT = 4, ABRT_CNT = 3, GOOD_CNT = 450, FUNC_CNT = 480;
    std::string WAFER_ID = "W07", HAND_ID = "hand", PRB_CARD = "card", USR_DESC = "user", EXC_DESC = "exc";
};

struct Wir {
    uint8_t HEAD_NUM = 1, PAD_BYTE = 0;
    uint32_t START_T = 0x10203040;
    std::string WAFER_ID = "W07";
};

struct Mrr {
    uint32_t FINISH_T = 0x55667788;
    uint32_t PART_CNT = 1000, RTST_CNT = 10, ABRT_CNT = 1, GOOD_CNT = 900, FUNC_CNT = 950;
    char DISP_COD = 'D';
    std::string USR_DESC = "udesc", EXC_DESC = "edesc";
};

struct Scr {
    uint8_t HEAD_NUM = 1, SITE_NUM = 2;
    uint32_t FINISH_T = 0x01020304, PART_CNT = 250, RTST_CNT = 2, ABRT_CNT = 1, GOOD_CNT = 240, FUNC_CNT = 245;
};

struct SiteBin {  // SHB and SSB
    uint8_t HEAD_NUM = 1, SITE_NUM = 2;
    uint16_t num = 5;
    uint32_t count = 77;
    std::string name = "sbin";
};

struct Sts {
    uint8_t HEAD_NUM = 1, SITE_NUM = 2;
    uint32_t TEST_NUM = 100, EXEC_CNT = 250, FAIL_CNT = 3, ALRM_CNT = 0;
    uint8_t OPT_FLAG = 0, PAD_BYTE = 0;
    float TEST_MIN = -0.5f, TEST_MAX = 1.75f, TST_MEAN = 0.5f, TST_SDEV = 0.25f, TST_SUMS = 125.0f,
          TST_SQRS = 80.5f;
    std::string TEST_NAM = "vdd", SEQ_NAME = "seq", TEST_LBL = "lbl";
};

struct Tsr {
    uint32_t TEST_NUM = 100, EXEC_CNT = 1000, FAIL_CNT = 12, ALRM_CNT = 1;
    uint8_t OPT_FLAG = 0, PAD_BYTE = 0;
    float TEST_MIN = -0.5f, TEST_MAX = 1.75f, TST_MEAN = 0.5f, TST_SDEV = 0.25f, TST_SUMS = 500.0f,
          TST_SQRS = 320.5f;
    std::string TEST_NAM = "", SEQ_NAME = "";  // empty: filled from the names the file gave the test
};

Bytes record(int cpu, const Mir &r);
Bytes record(int cpu, const Pdr &r);
Bytes record(int cpu, const Ptr &r);
Bytes record(int cpu, const Fdr &r);
Bytes record(int cpu, const Ftr &r);
Bytes record(int cpu, const Pir &r);
Bytes record(int cpu, const Prr &r);
Bytes record(int cpu, const Pmr &r);
Bytes record(int cpu, const Bin &r, Code code = HBR);      // HBR or SBR
Bytes record(int cpu, const Wrr &r);
Bytes record(int cpu, const Wir &r);
Bytes record(int cpu, const Mrr &r);
Bytes record(int cpu, const Scr &r);
Bytes record(int cpu, const SiteBin &r, Code code = SHB);  // SHB or SSB
Bytes record(int cpu, const Sts &r);
Bytes record(int cpu, const Tsr &r);

// The record shortened to `body` bytes, REC_LEN set to match.
Bytes cut(int cpu, const Bytes &record, uint16_t body);
// The record's body length (REC_LEN) and codes.
uint16_t rec_len(int cpu, const Bytes &record);

// A whole version-3 file: MIR, WIR, per part PIR, PDR/PTR and FDR/FTR of several tests
// (names given on the first occurrence only, empty later; one cut PTR), PRR, then WRR,
// bins, site records, TSRs with empty names and the MRR. `parts` parts on two sites.
Bytes sample_file(int cpu, int parts = 3);

}  // namespace v3gen
