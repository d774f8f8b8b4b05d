// The numbers of a test report, computed from one walk of a file: identity, yield, bins,
// wafer maps, failing tests, result distributions and sites.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "flatten/flatten.h"

namespace report {

struct Options {
    size_t histograms = 8;        // the most failing parametric tests that get a histogram
    std::set<uint32_t> tests;     // tests that get one whatever they did (--test N)
    int bars = 40;                // bars of a histogram
};

// A bin of one kind (hard or soft) over the whole file.
struct BinRow {
    uint16_t bin = 0;
    std::optional<uint64_t> count;  // from the bin records; absent when none names the bin
    uint64_t counted = 0;           // parts whose PRR gives this bin
    std::optional<char> pf;         // the records' 'P' or 'F'
    char pass = '?';                // P or F: the records', else what its parts did ('?' when mixed)
    bool pass_from_parts = false;   // `pass` was taken from the parts
    std::string name;
    bool disagrees() const { return count && *count != counted; }
};

// One die of a map: the last part tested at its X/Y.
struct Die {
    int16_t x = 0, y = 0;
    uint16_t hard = 0;
    std::optional<uint16_t> soft;
    bool good = false;
};

struct WaferMap {
    std::string id;  // empty for parts outside any wafer
    uint8_t head = 0;
    uint64_t parts = 0, good = 0, retests = 0;
    uint64_t dies_good = 0;                            // dies whose last part passed
    std::optional<uint32_t> record_parts, record_good;  // the WRR's counts
    std::vector<Die> dies;                              // one per X/Y, in the order first tested
    int16_t min_x = 0, max_x = 0, min_y = 0, max_y = 0;
};

struct FailingTest {
    uint32_t test_num = 0;
    std::string name;
    char kind = 'P';              // P parametric (PTR, MPR), F functional
    uint64_t failed = 0;          // parts that failed it at least once (results outside parts: each)
    uint64_t executed = 0;        // parts that ran it
};

struct Histogram {
    uint32_t test_num = 0;
    std::string name, units;
    std::optional<float> lo, hi;  // the limits of the test's first result that has them
    uint64_t n = 0;               // finite results
    uint64_t below = 0, above = 0;  // results below or above their own limits
    uint64_t failed = 0;            // parts that failed it
    double min = 0, max = 0, mean = 0, sd = 0;
    double from = 0, width = 0;     // the bars: [from + i*width, from + (i+1)*width)
    std::vector<uint64_t> bars;     // values past the axis fall into the end bars
    uint64_t clipped = 0;           // results past the axis
};

struct SiteRow {
    uint8_t head = 0, site = 0;
    uint64_t parts = 0, good = 0;
    std::map<uint16_t, uint64_t> hard;  // parts per hard bin
};

struct FileReport {
    std::string path;
    std::vector<std::pair<std::string, std::string>> identity;  // label, value
    int version = 0, cpu_type = 0;
    uint64_t parts = 0, good = 0, failed = 0, no_pass_fail = 0, retests = 0;
    uint64_t dies = 0, dies_good = 0;  // distinct X/Y (or PART_ID), their last part passing
    std::optional<uint32_t> record_parts, record_good, record_retests;  // MRR/PCR
    std::vector<BinRow> hard, soft;     // by bin number
    bool soft_bins = false;             // some PRR gives a soft bin
    std::vector<WaferMap> wafers;
    std::optional<flatten::WaferConfig> config;
    std::vector<FailingTest> failing;   // most failures first; all of them
    std::vector<Histogram> histograms;
    std::vector<SiteRow> sites;         // by head, site
    uint64_t tests_run = 0;             // distinct tests seen
    uint64_t records = 0;
};

// Walks the file open on `handle` (see flatten::walk) and fills `out`. On a damaged file
// returns the walk's result with ok false; `out` is then incomplete.
flatten::Result build(int handle, const std::string &path, const Options &opt, FileReport &out);

}  // namespace report

namespace report {

// Where a die goes on a map: column and row from the top left. X grows to the right and Y
// downwards unless the file's WCR says otherwise (POS_X 'L', POS_Y 'U').
struct Orientation {
    bool x_left = false, y_up = false;
    explicit Orientation(const std::optional<flatten::WaferConfig> &c)
        : x_left(c && c->pos_x == 'L'), y_up(c && c->pos_y == 'U') {}
    int column(const WaferMap &m, int x) const { return x_left ? m.max_x - x : x - m.min_x; }
    int row(const WaferMap &m, int y) const { return y_up ? m.max_y - y : y - m.min_y; }
};

// Shares as text: "88.53 %", or "-" when there is nothing to share.
std::string percent(uint64_t part, uint64_t whole, int decimals = 2);
// A real as short text (%.4g, or fewer digits when they say it all).
std::string real(double v);

}  // namespace report
