// The common steps of readers and writers.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_codec")

namespace kelvo::codec {

char empty_string[1] = {'\0'};

const uint8_t *read_image(int handle, const kelvo_header *header, uint32_t &result) {
    result = 0;
    Slot *slot = open_slot(handle);
    if (!slot || !header) return nullptr;
    uint16_t len = header_length(header, Kelvo_file_attributes[handle].cpu_type);
    Buffer &buffer = read_buffer();
    if (!buffer.reserve(uint32_t{len} + 4)) return nullptr;
    std::memcpy(buffer.data, header, 4);
    result = read_exact(slot->stream, buffer.data + 4, len);
    return buffer.data;
}

uint8_t *write_buffer(int handle, uint32_t size) {
    Slot *slot = open_slot(handle);
    if (!slot || !slot->write.reserve(size)) return nullptr;
    return slot->write.data;
}

}  // namespace kelvo::codec
