// The process-wide buffers and the exported memory functions.
#include <cstdlib>
#include <initializer_list>

#include "file/internal.h"
#include "v3/v3.h"

KELVO_SOURCE_ID("kelvo_buffers")

namespace kelvo {

namespace detail {
Buffer g_read, g_string, g_array, g_second_array, g_table, g_pool;
}

bool Buffer::grow(uint32_t size) {
    data = static_cast<uint8_t *>(kelvo_mem_alloc(data, &capacity, size));
    return data != nullptr;
}

void Buffer::release() {
    if (capacity != 0) std::free(data);
    data = nullptr;
    capacity = 0;
}

}  // namespace kelvo

using namespace kelvo;

extern "C" {

KELVO_API void *kelvo_mem_alloc(void *pointer, uint32_t *capacity, uint32_t size) {
    // A zero size still gets storage, so that a capacity of 0 always means "none".
    size_t bytes = size == 0 ? 1 : size;
    void *storage;
    if (*capacity != 0) {
        storage = std::realloc(pointer, bytes);
        // On failure the old storage is released rather than forgotten.
        if (!storage) std::free(pointer);
    } else {
        storage = std::malloc(bytes);
    }
    *capacity = storage ? static_cast<uint32_t>(bytes) : 0;
    return storage;
}

KELVO_API void *kelvo_memcpy(void *destination, const void *source, int32_t n) {
    if (n >= 1) std::memcpy(destination, source, static_cast<size_t>(n));
    return destination;
}

// Every buffer the library holds for decoding goes, and the version-3 state of handles
// that are closed, so that a program can have its memory back between files.
KELVO_API void kelvo_free(void) {
    for (Buffer *b : {&read_buffer(), &string_buffer(), &array_buffer(), &second_array_buffer(), &table_buffer(),
                      &pool_buffer()})
        b->release();
    v3::release_closed_handles();
}

KELVO_API int kelvo_move_dstring(const kelvo_dn *source, void *destination) {
    if (!source || !destination) return 0;
    auto *out = static_cast<uint8_t *>(destination);
    uint16_t bits = source->bits;
    out[0] = static_cast<uint8_t>(bits & 0xFF);
    out[1] = static_cast<uint8_t>(bits >> 8);
    uint32_t whole = bits / 8u, rest = bits % 8u;
    const uint8_t *data = source->data;
    if (data) std::memcpy(out + 2, data, whole);
    else std::memset(out + 2, 0, whole);
    int written = 2 + static_cast<int>(whole);
    if (rest != 0) {
        uint8_t mask = static_cast<uint8_t>(0xFFu << (8 - rest));
        out[written] = data ? static_cast<uint8_t>(data[whole] & mask) : 0;
        ++written;
    }
    return written;
}

}  // extern "C"
