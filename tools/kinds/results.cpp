// Record kinds: PTR.
#include "kinds/print_layout.h"
#include "records/results/layout.h"

namespace {

constexpr auto print_ptr = kinds::print_layout<kelvo::results::ptr::kLayout>;

}  // namespace

namespace kinds {

std::vector<RecordKind> results_kinds() {
    return {
        make_kind<kelvo_ptr_struct>("PTR", KELVO_PTR_TYP, KELVO_PTR_SUB,
                                    {kelvo_ptrbuf_read, kelvo_ptr_to_struct, kelvo_ptr_buf, kelvo_ptr_size,
                                     kelvo_ptr_to_memory, kelvo_ptrwrite, print_ptr, kelvo_v3_ptr_to_struct,
                                     kelvo_v3_ptr_buf}),
        // Version 3: a parametric test's description, as the PTR it decodes to.
        make_kind<kelvo_ptr_struct, 1>(
            "PDR", KELVO_PDR_TYP, KELVO_PDR_SUB,
            {kelvo_v3_pdrbuf_read,
             [](kelvo_ptr_struct *s, const void *img, const kelvo_attributes *a, uint32_t *st) {
                 kelvo_v3_pdr_to_ptr_struct(kinds::kImageHandle, s, img, a, st);
             },
             nullptr, kelvo_ptr_size, kelvo_ptr_to_memory, kelvo_ptrwrite, print_ptr}),
    };
}

}  // namespace kinds
