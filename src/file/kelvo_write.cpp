// Raw writes to a handle's stream.
#include "file/internal.h"

KELVO_SOURCE_ID("kelvo_write")

using namespace kelvo;

extern "C" KELVO_API uint32_t kelvo_write(int handle, const void *buffer, uint32_t size) {
    Slot *slot = open_slot(handle);
    if (!slot || size == 0) return 0;
    if (fwrite_unlocked(buffer, size, 1, slot->stream) != 1) return 0;
    return ferror_unlocked(slot->stream) ? 0 : size;
}
