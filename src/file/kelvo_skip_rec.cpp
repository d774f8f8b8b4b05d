// Skipping a record body by reading it into the read buffer (works on pipes).
#include "file/internal.h"

KELVO_SOURCE_ID("kelvo_skip_rec")

using namespace kelvo;

extern "C" KELVO_API int kelvo_skip_record(int handle, const kelvo_header *header) {
    if (!header || handle < 0 || handle >= kMaxHandles) return 0;
    uint16_t len = header_length(header, Kelvo_file_attributes[handle].cpu_type);
    Slot *slot = open_slot(handle);
    if (!slot || len == 0) return 0;
    Buffer &buffer = read_buffer();
    if (!buffer.reserve(uint32_t{len} + 4)) return static_cast<int>(discard(slot->stream, len));
    return stream_read(slot->stream, buffer.data, len) == len ? len : 0;
}
