// Record kinds: TSR.
#include "kinds/print_layout.h"
#include "records/summary/layout.h"

namespace {

constexpr auto print_tsr = kinds::print_layout<kelvo::summary::tsr::kLayout>;

}  // namespace

namespace kinds {

std::vector<RecordKind> summary_kinds() {
    return {
        make_kind<kelvo_tsr_struct>("TSR", KELVO_TSR_TYP, KELVO_TSR_SUB,
                                    {kelvo_tsrbuf_read, kelvo_tsr_to_struct, kelvo_tsr_buf, kelvo_tsr_size,
                                     kelvo_tsr_to_memory, kelvo_tsrwrite, print_tsr, kelvo_v3_tsr_to_struct}),
        // Version 3: a site's test synopsis, as a TSR.
        make_kind<kelvo_tsr_struct, 1>("STS", KELVO_STS_TYP, KELVO_STS_SUB,
                                       {kelvo_v3_stsbuf_read, kelvo_sts_to_struct, kelvo_sts_buf, kelvo_tsr_size,
                                        kelvo_tsr_to_memory, kelvo_tsrwrite, print_tsr}),
    };
}

}  // namespace kinds
