// Record kinds: WIR, WRR and WCR.
#include "kinds/print_layout.h"
#include "records/wafer/layout.h"

namespace {

using kinds::print_layout;

constexpr auto print_wcr = print_layout<kelvo::wafer::wcr::kLayout>;

}  // namespace

namespace kinds {

std::vector<RecordKind> wafer_kinds() {
    return {
        make_kind<kelvo_wir_struct>("WIR", KELVO_WIR_TYP, KELVO_WIR_SUB,
                                    {kelvo_wirbuf_read, kelvo_wir_to_struct, kelvo_wir_buf, kelvo_wir_size,
                                     kelvo_wir_to_memory, kelvo_wirwrite,
                                     print_layout<kelvo::wafer::wir::kLayout>}),
        make_kind<kelvo_wrr_struct>("WRR", KELVO_WRR_TYP, KELVO_WRR_SUB,
                                    {kelvo_wrrbuf_read, kelvo_wrr_to_struct, kelvo_wrr_buf, kelvo_wrr_size,
                                     kelvo_wrr_to_memory, kelvo_wrrwrite,
                                     print_layout<kelvo::wafer::wrr::kLayout>,
                                     [](int, kelvo_wrr_struct *s, const void *img, const kelvo_attributes *a,
                                        uint32_t *st) { kelvo_v3_wrr_to_struct(s, img, a, st); },
                                     kelvo_v3_wrr_buf}),
        make_kind<kelvo_wcr_struct>("WCR", KELVO_WCR_TYP, KELVO_WCR_SUB,
                                    {kelvo_wcrbuf_read, kelvo_wcr_to_struct, nullptr, kelvo_wcr_size,
                                     kelvo_wcr_to_memory, kelvo_wcrwrite, print_wcr}),
    };
}

}  // namespace kinds
