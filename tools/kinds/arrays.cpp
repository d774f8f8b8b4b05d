// Record kinds: MPR and FTR, arrays as lists; the version-3 FDR.
#include <algorithm>
#include <cstring>
#include <vector>

#include "kinds/print_layout.h"
#include "records/results/layout.h"

namespace {

constexpr auto print_mpr = kinds::print_layout<kelvo::results::mpr::kLayout>;

constexpr auto print_ftr = kinds::print_layout<kelvo::results::ftr::kLayout>;

// Prints an FDR image of REC_LEN + 4 bytes: its test number and names, each cut to
// the bytes the record holds (the library keeps the names for the test's TSR).
void print_fdr(kinds::Printer &p, const uint8_t *image, uint32_t end, int cpu) {
    uint32_t test_num = 0;
    if (end >= 8) std::memcpy(&test_num, image + 4, 4);
    kelvo_intswap(cpu, &test_num);
    p.u("TEST_NUM", test_num, end >= 8 ? KELVO_VALID : 0);
    uint32_t pos = 9;
    for (const char *name : {"TEST_NAM", "SEQ_NAME"}) {
        if (pos >= end) {
            p.missing(name);
            continue;
        }
        uint32_t len = std::min<uint32_t>(image[pos], end - pos - 1);
        p.text(name, reinterpret_cast<const char *>(image + pos + 1), len);
        pos += 1 + len;
    }
}

uint32_t record_end(const void *image, int cpu) {
    uint16_t len;
    std::memcpy(&len, image, 2);
    kelvo_shortswap(cpu, &len);
    return uint32_t{len} + 4;
}

}  // namespace

namespace kinds {

// The version-3 FDR, which fills no structure: the library only keeps its names.
static RecordKind fdr_kind() {
    RecordKind k{"FDR", KELVO_FDR_TYP, KELVO_FDR_SUB, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr};
    k.dump = [](int handle, const kelvo_header *header, Printer &p, long index, uint64_t offset) {
        const int cpu = Kelvo_file_attributes[handle].cpu_type;
        std::vector<uint8_t> image(record_end(header, cpu));
        std::memcpy(image.data(), header, 4);
        const uint32_t body = static_cast<uint32_t>(image.size()) - 4;
        int r = static_cast<int>(kelvo_read(handle, image.data() + 4, body));
        if (r > 0 || body == 0) {
            kelvo_v3_fdr_to_struct(handle, image.data(), &Kelvo_file_attributes[handle]);
            p.begin("FDR", *header, body, index, offset);
            print_fdr(p, image.data(), static_cast<uint32_t>(image.size()), cpu);
        }
        return r;
    };
    k.exercise = [](const void *image, const kelvo_attributes *attr) {
        kelvo_v3_fdr_to_struct(kImageHandle, image, attr);
        Printer sink = Printer::toucher();
        print_fdr(sink, static_cast<const uint8_t *>(image), record_end(image, attr->cpu_type), attr->cpu_type);
    };
    // Nothing to write: the names reach the output with the test's TSR.
    k.copy = [](int in, const kelvo_header *header, int) {
        int r = kelvo_v3_fdrread(in, header);
        return r == 0 && header->REC_LEN == 0 ? 1 : r;
    };
    return k;
}

}  // namespace kinds


namespace kinds {

std::vector<RecordKind> arrays_kinds() {
    return {
        make_kind<kelvo_mpr_struct>("MPR", KELVO_MPR_TYP, KELVO_MPR_SUB,
                                    {kelvo_mprbuf_read, kelvo_mpr_to_struct, kelvo_mpr_buf, kelvo_mpr_size,
                                     kelvo_mpr_to_memory, kelvo_mprwrite, print_mpr}),
        make_kind<kelvo_ftr_struct>("FTR", KELVO_FTR_TYP, KELVO_FTR_SUB,
                                    {kelvo_ftrbuf_read, kelvo_ftr_to_struct, kelvo_ftr_buf, kelvo_ftr_size,
                                     kelvo_ftr_to_memory, kelvo_ftrwrite, print_ftr, kelvo_v3_ftr_to_struct,
                                     kelvo_v3_ftr_buf}),
        fdr_kind(),
    };
}

}  // namespace kinds
