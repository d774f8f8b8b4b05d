// The list of record kinds: every family's kinds, in one order, and the lookup by codes.
#include "kinds/kinds.h"

namespace kinds {

std::vector<RecordKind> origin_kinds();
std::vector<RecordKind> run_kinds();
std::vector<RecordKind> bins_kinds();
std::vector<RecordKind> parts_kinds();
std::vector<RecordKind> results_kinds();
std::vector<RecordKind> arrays_kinds();
std::vector<RecordKind> summary_kinds();
std::vector<RecordKind> wafer_kinds();
std::vector<RecordKind> pins_kinds();
std::vector<RecordKind> plr_kinds();
std::vector<RecordKind> sites_kinds();
std::vector<RecordKind> sections_kinds();
std::vector<RecordKind> generic_kinds();

const std::vector<RecordKind> &kinds() {
    static const std::vector<RecordKind> list = [] {
        std::vector<RecordKind> all;
        for (auto family : {origin_kinds, run_kinds, bins_kinds, parts_kinds, results_kinds, arrays_kinds,
                            summary_kinds, wafer_kinds, pins_kinds, plr_kinds, sites_kinds, sections_kinds,
                            generic_kinds}) {
            std::vector<RecordKind> some = family();
            all.insert(all.end(), some.begin(), some.end());
        }
        return all;
    }();
    return list;
}

const RecordKind *find_kind(uint8_t typ, uint8_t sub) {
    // Looked up once per record: a table by code.
    static const std::vector<int16_t> by_code = [] {
        std::vector<int16_t> t(65536, -1);
        const std::vector<RecordKind> &list = kinds();
        for (size_t k = list.size(); k-- > 0;) t[list[k].typ << 8 | list[k].sub] = static_cast<int16_t>(k);
        return t;
    }();
    int16_t k = by_code[typ << 8 | sub];
    return k < 0 ? nullptr : &kinds()[static_cast<size_t>(k)];
}

// The names of the version-4 record codes, FAR included.
const char *code_name(uint8_t typ, uint8_t sub) {
    static const struct {
        uint8_t typ, sub;
        const char *name;
    } names[] = {{0, 10, "FAR"},  {0, 20, "ATR"},  {1, 10, "MIR"},  {1, 20, "MRR"},  {1, 30, "PCR"},
                 {1, 40, "HBR"},  {1, 50, "SBR"},  {1, 60, "PMR"},  {1, 62, "PGR"},  {1, 63, "PLR"},
                 {1, 70, "RDR"},  {1, 80, "SDR"},  {2, 10, "WIR"},  {2, 20, "WRR"},  {2, 30, "WCR"},
                 {5, 10, "PIR"},  {5, 20, "PRR"},  {10, 30, "TSR"}, {15, 10, "PTR"}, {15, 15, "MPR"},
                 {15, 20, "FTR"}, {15, 30, "STR"}, {20, 10, "BPS"}, {20, 20, "EPS"}, {50, 10, "GDR"},
                 {50, 30, "DTR"}};
    for (const auto &n : names)
        if (n.typ == typ && n.sub == sub) return n.name;
    return nullptr;
}

}  // namespace kinds
