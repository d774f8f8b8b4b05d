// GDR: copy of the Cn values into the string buffer.
#include "codec/codec.h"
#include "records/generic/gdr.h"

KELVO_SOURCE_ID("kelvo_gdrbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_gdr_buf(kelvo_gdr_struct *gdr) {
    if (!gdr->GEN_DATA) return 1;
    uint64_t need = 0;
    for (uint32_t i = 0; i < gdr->FLD_CNT; ++i)
        if (gdr->GEN_DATA[i].type == KELVO_GDR_CN) need += uint64_t{gdr->GEN_DATA[i].len} + 1;
    StringCopy copy;
    if (need > UINT32_MAX - 254 || !copy.reserve(static_cast<uint32_t>(need), 254)) return 0;
    for (uint32_t i = 0; i < gdr->FLD_CNT; ++i) {
        kelvo_gdr_field &f = gdr->GEN_DATA[i];
        if (f.type != KELVO_GDR_CN) continue;
        char *text = copy.bytes(static_cast<const char *>(f.value), f.len);
        copy.bytes<char>(nullptr, 1);
        f.value = text;
    }
    return 1;
}

KELVO_API int kelvo_gdrbuf_read(int handle, const kelvo_header *header, kelvo_gdr_struct *gdr) {
    int result = gdr::read(handle, header, gdr);
    // An undecoded structure is never copied.
    if (result <= 0) return result;
    return kelvo_gdr_buf(gdr) ? result : -3;
}

}  // extern "C"
