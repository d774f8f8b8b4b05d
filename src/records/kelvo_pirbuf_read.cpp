// PIR: the copy reserves string-buffer room for a version-3 record and copies nothing.
#include "records/kelvo_part.h"

KELVO_SOURCE_ID("kelvo_pirbuf_read")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_pir_buf(kelvo_pir_struct *pir) {
    int32_t need = int32_t{pir->REC_LEN} - 6;
    if (need <= 0) return 1;
    return string_buffer().reserve_slack(static_cast<uint32_t>(need), 255) ? 1 : 0;
}

KELVO_API int kelvo_pirbuf_read(int handle, const kelvo_header *header, kelvo_pir_struct *pir) {
    return copy_decoded(part::read_pir(handle, header, pir), [handle, pir] {
        return Kelvo_file_attributes[handle].kelvo_ver > 3 || kelvo_pir_buf(pir);
    });
}

}  // extern "C"
