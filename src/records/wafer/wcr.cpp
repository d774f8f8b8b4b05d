// WCR: wafer configuration record.
#include "codec/layout_codec.h"
#include "records/wafer/layout.h"

KELVO_SOURCE_ID("kelvo_wcrread")
KELVO_SOURCE_ID("kelvo_wcrwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::wafer::wcr::kLayout;

static_assert(sizeof(kelvo_wcr_struct) == 24);

extern "C" {

KELVO_LAYOUT_READER(wcr, kLayout, nullptr)

// No texts: buf_read is the read.
KELVO_API int kelvo_wcrbuf_read(int handle, const kelvo_header *header, kelvo_wcr_struct *wcr, uint32_t *status) {
    return kelvo_wcrread(handle, header, wcr, status);
}

KELVO_LAYOUT_WRITERS(wcr, kLayout)

}  // extern "C"
