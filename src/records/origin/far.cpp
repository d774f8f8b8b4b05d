// FAR: the file's first record, which fixes its CPU type and version. Written always
// as CPU type 2, version 4.
#include "codec/layout_codec.h"
#include "records/origin/layout.h"

KELVO_SOURCE_ID("kelvo_farread")
KELVO_SOURCE_ID("kelvo_farwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::origin::far::kLayout;

static_assert(sizeof(kelvo_far_struct) == 6);

extern "C" {

KELVO_API void kelvo_far_to_struct(kelvo_far_struct *far, const void *image, const kelvo_attributes *attr) {
    layout::decode<kLayout>(far, image, attr, nullptr);
}

// The CPU_TYPE byte is read first: only it tells how to convert REC_LEN.
KELVO_API int kelvo_farread(int handle, const kelvo_header *header, kelvo_far_struct *far) {
    Slot *slot = open_slot(handle);
    if (!slot || !header || !far) return -2;
    uint8_t cpu;
    if (read_exact(slot->stream, &cpu, 1) != 1) return -2;
    far->CPU_TYPE = cpu;
    Kelvo_file_attributes[handle].cpu_type = cpu;
    uint16_t len = header_length(header, cpu);
    // The image of what is decoded: header, CPU_TYPE and KELVO_VER. A FAR body of REC_LEN 0
    // still holds the CPU_TYPE byte already read; its version byte is then taken as missing
    // (0) rather than read past the record. Bytes behind KELVO_VER are read and dropped.
    uint8_t image[6] = {};
    std::memcpy(image, header, 4);
    image[4] = cpu;
    const uint32_t rest = len > 0 ? len - 1u : 0u;
    uint32_t got = rest > 0 ? read_exact(slot->stream, image + 5, 1) : 0;
    if (got == 1 && rest > 1) got = discard(slot->stream, rest - 1) ? rest : 0;
    kelvo_attributes attr = {cpu, 0};
    kelvo_far_struct decoded;
    kelvo_far_to_struct(&decoded, image, &attr);
    decoded.CPU_TYPE = cpu;
    decoded.KELVO_VER = image[5];
    *far = decoded;
    Kelvo_file_attributes[handle].kelvo_ver = far->KELVO_VER;
    return static_cast<int>(1 + got);
}

KELVO_API int kelvo_farbuf_read(int handle, const kelvo_header *header, kelvo_far_struct *far) {
    return kelvo_farread(handle, header, far);
}

KELVO_API void kelvo_far_to_memory(const kelvo_far_struct *far, void *out) { layout::encode<kLayout>(far, out); }

KELVO_API int kelvo_farwrite(int handle, kelvo_far_struct *far) {
    if (handle == -1) return -1;
    *far = {2, KELVO_FAR_TYP, KELVO_FAR_SUB, 2, 4};
    uint8_t *out = write_buffer(handle, 6);
    if (!out) return 0;
    kelvo_far_to_memory(far, out);
    return static_cast<int>(kelvo_write(handle, out, 6));
}

}  // extern "C"
