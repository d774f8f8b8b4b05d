// Version-3 MIR, until its decoder exists: the record is read whole, so that the file
// stays in step, and the structure gets every field's missing value.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_v3_mir")

using namespace kelvo;

extern "C" {

KELVO_API void kelvo_mir_v3_to_struct(kelvo_mir_struct *mir, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status) {
    codec::decode_header_only(mir, static_cast<const kelvo_header *>(image), attr,
                              [status](kelvo_mir_struct *s, const void *img, const kelvo_attributes *a) {
                                  kelvo_mir_to_struct(s, img, a, status);
                              });
    mir->MODE_COD = mir->RTST_COD = mir->PROT_COD = mir->CMOD_COD = ' ';
    mir->BURN_TIM = 65535;
    mir->CPU_TYPE = static_cast<uint8_t>(attr_cpu(attr));
    mir->KELVO_VER = static_cast<uint8_t>(attr_ver(attr));
    codec::set_empty(mir->HAND_ID);
    codec::set_empty(mir->PRB_CARD);
    codec::Status st(status);
    st.present(35, true);
    st.set(36, false, false);
    st.set(37, false, false);
}

KELVO_API int read_v3_mir(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status) {
    Slot *slot = open_slot(handle);
    if (!slot || !header || !mir) return 0;
    const kelvo_attributes &attr = Kelvo_file_attributes[handle];
    Buffer &buffer = read_buffer();
    uint16_t len = header_length(header, attr.cpu_type);
    if (len < 2 || !buffer.reserve(uint32_t{len} + 4)) return 0;
    // The image as the file holds it: header, CPU type, version, the rest of the body.
    std::memcpy(buffer.data, header, 4);
    buffer.data[4] = static_cast<uint8_t>(attr.cpu_type);
    buffer.data[5] = static_cast<uint8_t>(attr.kelvo_ver);
    uint32_t rest = len - 2u;
    bool whole = rest == 0 || read_exact(slot->stream, buffer.data + 6, rest) == rest;
    kelvo_mir_v3_to_struct(mir, buffer.data, &attr, status);
    return whole ? len : 2;
}

// Every string of the stub's structure is the static empty string: nothing to copy.
KELVO_API int kelvo_v3_mir_buf(kelvo_mir_struct *) { return 1; }

}  // extern "C"
