// The common steps of readers and writers.
#include "codec/codec.h"

KELVO_SOURCE_ID("kelvo_codec")

namespace kelvo::codec {

char empty_string[1] = {'\0'};

uint8_t *write_buffer(int handle, uint32_t size) {
    Slot *slot = open_slot(handle);
    if (!slot || !slot->write.reserve(size)) return nullptr;
    return slot->write.data;
}

}  // namespace kelvo::codec
