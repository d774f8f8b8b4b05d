// Positioning a handle's stream.
#include "file/internal.h"

KELVO_SOURCE_ID("kelvo_seek")

using namespace kelvo;

extern "C" KELVO_API long kelvo_seek(int handle, long offset, int whence) {
    Slot *slot = open_slot(handle);
    if (!slot) return -1;
    if (offset == 0 && whence == SEEK_CUR) return std::ftell(slot->stream);
    if (std::fseek(slot->stream, offset, whence) != 0) return -1;
    return std::ftell(slot->stream);
}
