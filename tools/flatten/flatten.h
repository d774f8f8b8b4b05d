// Flattening one KELVO file into rows of six tables (parts, tests, functional, bins,
// summary, files), for tools and bindings that hand test data to tables.
//
// The walker reads a handle from its first record to its end and calls a visitor once per
// row. It keeps no global state; each walk has its own. Text views in a row are valid only
// during the call that hands the row over. A value the file does not hold is an empty
// std::optional, never a stand-in number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace flatten {

using Text = std::optional<std::string_view>;

// One part: a PIR ... PRR pair of one head and site (a PRR without its PIR too).
struct Part {
    uint32_t part = 0;  // 1, 2, ... in the order the parts begin in the file; the key that tests join on
    uint8_t head = 0, site = 0;
    Text part_id, part_txt;
    std::optional<int16_t> x, y;
    uint16_t hard_bin = 0;
    std::optional<uint16_t> soft_bin;
    std::optional<bool> passed;  // absent when PART_FLG says there is no pass/fail indication
    uint8_t part_flg = 0;
    uint16_t num_test = 0;
    std::optional<uint32_t> test_time;  // milliseconds
    Text wafer_id;                      // the WIR ... WRR of its head that the part lies in
};

// One parametric result: a PTR, or one pin of an MPR. Limits, scales, units and formats
// are those in force for the test (its own, else those its test's first record gave).
struct Test {
    std::optional<uint32_t> part;  // absent outside PIR ... PRR
    uint8_t head = 0, site = 0;
    uint32_t test_num = 0;
    Text test_name, alarm_id;
    std::optional<uint16_t> pin;  // MPR: the pin index of the result; absent for a PTR
    std::optional<uint8_t> pin_state;
    std::optional<float> result;
    std::optional<bool> passed;  // absent when TEST_FLG says not executed or no pass/fail
    bool alarm = false;          // TEST_FLG bit 0
    uint8_t test_flg = 0, parm_flg = 0;
    std::optional<float> lo_limit, hi_limit, LO_SPEC, HI_SPEC;
    std::optional<int8_t> res_scal, llm_scal, hlm_scal;
    Text units, c_resfmt, c_llmfmt, c_hlmfmt;
};

struct Functional {
    std::optional<uint32_t> part;
    uint8_t head = 0, site = 0;
    uint32_t test_num = 0;
    Text test_name, alarm_id, vector_name;
    std::optional<bool> passed;
    uint8_t test_flg = 0;
    std::optional<uint32_t> cycle_count, failing_pins;
};

// An HBR or SBR (a version-3 file's SHB and SSB too), with its count recomputed from the
// file's PRRs. head and site 255 stand for all heads or sites, as in the record.
struct Bin {
    bool hard = true;
    uint8_t head = 0, site = 0;
    uint16_t bin = 0;
    std::optional<uint32_t> count;  // as the record gives it; absent for a bin only PRRs name
    uint64_t counted = 0;           // PRRs of this head and site with this bin
    std::optional<char> pf;         // 'P' or 'F'
    Text name;
};

// A TSR (a version-3 file's STS too).
struct Summary {
    uint8_t head = 0, site = 0;
    uint32_t test_num = 0;
    std::optional<char> test_typ;
    Text test_name, seq_name, test_label;
    std::optional<uint32_t> exec_cnt, fail_cnt, alrm_cnt;
    std::optional<float> test_tim, test_min, test_max, tst_sums, tst_sqrs;
    std::optional<double> mean;  // TST_SUMS / EXEC_CNT, where both are valid
};

// One row per file, from its MIR, MRR, PCR of all heads and sites, WIRs, WRRs and PRRs.
struct File {
    int version = 0, cpu_type = 0;
    Text lot_id, sublot_id, part_type, node_name, tester_type, job_name, job_rev, operator_name, exec_type,
        exec_ver, test_code, test_temp, facility_id, disposition;
    std::optional<uint32_t> setup_time, start_time, finish_time;  // seconds since 1970, UTC
    std::optional<uint8_t> station;
    std::optional<char> mode_code, retest_code;
    std::optional<uint32_t> part_count, retest_count, abort_count, good_count, functional_count;
    uint32_t wafers = 0;  // WIR records
    uint64_t parts = 0, parts_passed = 0, parts_failed = 0;  // counted from the PRRs
    uint64_t records = 0;
};

// A WCR: how the file's wafers lie (handed over with kWafers).
struct WaferConfig {
    std::optional<float> size, die_height, die_width;
    std::optional<uint8_t> units;
    std::optional<char> flat, pos_x, pos_y;  // flat U, D, L, R; positive X L or R, Y U or D
    std::optional<int16_t> center_x, center_y;
};

// A WRR with what its WIR gave (handed over with kWafers).
struct WaferResult {
    uint8_t head = 0;
    Text wafer_id;  // the WRR's, else its WIR's
    std::optional<uint32_t> start_time, finish_time;
    std::optional<uint32_t> part_count, retest_count, abort_count, good_count, functional_count;
};

// An SDR (handed over with kSites): its site group and the equipment it names, as
// (field name, text) pairs for the texts that are not empty.
struct SiteGroup {
    uint8_t head = 0, group = 0;
    std::string_view sites;  // SITE_NUM, one byte per site
    std::vector<std::pair<const char *, std::string_view>> equipment;
};

// Which tables a visitor wants: records of the others need not be decoded. kWafers and
// kSites are not tables of their own and are not in kAll: a visitor asks for them by name.
enum Table : unsigned {
    kParts = 1, kTests = 2, kFunctional = 4, kBins = 8, kSummary = 16, kFiles = 32, kAll = 63,
    kWafers = 64, kSites = 128
};

// Receives the rows. A visitor may stop the walk by returning false (a failed write,
// say); the walk then ends with `stopped` set.
class Visitor {
public:
    virtual ~Visitor() = default;
    virtual unsigned tables() const { return kAll; }
    virtual bool part(const Part &) { return true; }
    virtual bool test(const Test &) { return true; }
    virtual bool functional(const Functional &) { return true; }
    virtual bool bin(const Bin &) { return true; }
    virtual bool summary(const Summary &) { return true; }
    virtual bool file(const File &) { return true; }
    virtual bool wafer_config(const WaferConfig &) { return true; }
    virtual bool wafer(const WaferResult &) { return true; }
    virtual bool site_group(const SiteGroup &) { return true; }
    // Called after each record read whole, with the count so far (for a progress line).
    virtual void read(uint64_t /*records*/) {}
};

struct Result {
    bool ok = true;       // the file was read to its end
    bool stopped = false; // the visitor stopped the walk
    std::string error;    // when not ok: one line naming the record and its byte offset
    uint64_t records = 0; // records read whole
    uint64_t end = 0;     // byte offset behind the last record read whole
};

// Walks the file open on `handle` (version 4 or 3, any CPU type) from its first record.
// Bins and the file's row are handed over at the end, when their counts are known; they
// are not handed over after an error.
Result walk(int handle, Visitor &visitor);

}  // namespace flatten
