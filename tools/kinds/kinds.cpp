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

}  // namespace kinds
