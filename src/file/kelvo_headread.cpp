// Reading the 4-byte record header, unconverted.
#include "file/internal.h"

KELVO_SOURCE_ID("kelvo_headread")

using namespace kelvo;

extern "C" KELVO_API int kelvo_headread(int handle, kelvo_header *header) {
    Slot *slot = open_slot(handle);
    if (!slot || !header) return 0;
    return stream_read(slot->stream, header, 4) == 4 ? 4 : 0;
}
