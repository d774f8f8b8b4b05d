// Raw reads of a handle's stream.
#include "file/internal.h"

KELVO_SOURCE_ID("kelvo_read")

using namespace kelvo;

extern "C" KELVO_API uint32_t kelvo_read(int handle, void *buffer, uint32_t size) {
    Slot *slot = open_slot(handle);
    if (!slot || size == 0) return 0;
    return stream_read(slot->stream, buffer, size) == size ? size : 0;
}
