// Raw reads of a handle's stream.
#include "file/internal.h"

KELVO_SOURCE_ID("kelvo_read")

namespace kelvo {

uint32_t read_exact(FILE *stream, void *buffer, uint32_t size) {
    if (size == 0) return 0;
    size_t got = fread_unlocked(buffer, 1, size, stream);
    if (got == size) return size;
    std::memset(static_cast<uint8_t *>(buffer) + got, 0, size - got);
    return 0;
}

}  // namespace kelvo

using namespace kelvo;

extern "C" KELVO_API uint32_t kelvo_read(int handle, void *buffer, uint32_t size) {
    Slot *slot = open_slot(handle);
    if (!slot || size == 0) return 0;
    return fread_unlocked(buffer, size, 1, slot->stream) == 1 ? size : 0;
}
