// SDR: copy of the sixteen strings into the string buffer, one after another, each
// NUL-terminated; SITE_NUM stays in the read buffer.
#include "records/sites/sdr.h"

KELVO_SOURCE_ID("kelvo_sdrbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_sdr_buf(kelvo_sdr_struct *sdr) {
    // The bytes behind the site numbers; a record without any strings copies nothing
    // (its strings are the static empty string).
    int32_t n = int32_t{sdr->REC_LEN} - sdr->SITE_CNT - 3;
    if (n < 1) return 1;
    // Room for the strings as the record holds them plus a NUL for each of the
    // sixteen, or for the stated lengths when the structure was changed since.
    uint32_t need = 0;
    for (auto field : sdr::kTexts) need += uint32_t{(sdr->*field).len} + 1;
    StringCopy copy;
    if (!copy.reserve(std::max(need, static_cast<uint32_t>(n) + 16))) return 0;
    for (auto field : sdr::kTexts) copy.text(sdr->*field);
    return 1;
}

KELVO_API int kelvo_sdrbuf_read(int handle, const kelvo_header *header, kelvo_sdr_struct *sdr, uint32_t *status) {
    return buf_read_record(handle, header, sdr, status, kelvo_sdr_to_struct, kelvo_sdr_buf);
}

}  // extern "C"
