// kelvo-dump: PTR.
#include "dump/print_layout.h"
#include "records/results/layout.h"

namespace {

constexpr auto print_ptr = dump::print_layout<kelvo::results::ptr::kLayout>;

const dump::Registration registration{
    dump::make_kind<kelvo_ptr_struct>("PTR", 15, 10,
                                      {kelvo_ptrbuf_read, kelvo_ptr_to_struct, kelvo_ptr_buf, kelvo_ptr_size,
                                       kelvo_ptr_to_memory, kelvo_ptrwrite, print_ptr, kelvo_v3_ptr_to_struct,
                                       kelvo_v3_ptr_buf}),
    // Version 3: a parametric test's description, as the PTR it decodes to.
    dump::make_kind<kelvo_ptr_struct, 1>(
        "PDR", 10, 10,
        {kelvo_v3_pdrbuf_read,
         [](kelvo_ptr_struct *s, const void *img, const kelvo_attributes *a, uint32_t *st) {
             kelvo_v3_pdr_to_ptr_struct(dump::kImageHandle, s, img, a, st);
         },
         nullptr, kelvo_ptr_size, kelvo_ptr_to_memory, kelvo_ptrwrite, print_ptr}),
};

}  // namespace
