// kelvo-dump: TSR.
#include "dump/print_layout.h"
#include "records/summary/layout.h"

namespace {

constexpr auto print_tsr = dump::print_layout<kelvo::summary::tsr::kLayout>;

const dump::Registration registration{
    dump::make_kind<kelvo_tsr_struct>("TSR", 10, 30,
                                      {kelvo_tsrbuf_read, kelvo_tsr_to_struct, kelvo_tsr_buf, kelvo_tsr_size,
                                       kelvo_tsr_to_memory, kelvo_tsrwrite, print_tsr, kelvo_v3_tsr_to_struct}),
    // Version 3: a site's test synopsis, as a TSR.
    dump::make_kind<kelvo_tsr_struct, 1>("STS", 25, 30,
                                         {kelvo_v3_stsbuf_read, kelvo_sts_to_struct, kelvo_sts_buf, kelvo_tsr_size,
                                          kelvo_tsr_to_memory, kelvo_tsrwrite, print_tsr}),
};

}  // namespace
