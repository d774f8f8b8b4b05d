// Shared state of the file layer: handle table, process-wide buffers and the
// inline number conversions that the decoders use field by field.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "kelvo.h"

// Every source file carries its own name and the header's version text; a file that
// holds the operations of several former files carries each of their names.
#define KELVO_SOURCE_ID_JOIN2(a, b) a##b
#define KELVO_SOURCE_ID_JOIN(a, b) KELVO_SOURCE_ID_JOIN2(a, b)
#define KELVO_SOURCE_ID(name)                                                                   \
    namespace {                                                                                 \
    [[maybe_unused]] __attribute__((used)) const char KELVO_SOURCE_ID_JOIN(kelvo_source_name,    \
                                                                           __LINE__)[] =        \
        "\n\n" name ":  ";                                                                      \
    [[maybe_unused]] __attribute__((used)) const char KELVO_SOURCE_ID_JOIN(kelvo_source_version, \
                                                                           __LINE__)[] =        \
        KELVO_VERSION_TEXT;                                                                     \
    }

namespace kelvo {

constexpr int kMaxHandles = 32;

// A growable byte buffer: storage and capacity, grown by kelvo_mem_alloc.
struct Buffer {
    uint8_t *data = nullptr;
    uint32_t capacity = 0;

    // Grows to exactly `need` bytes when smaller; false when storage cannot be had.
    bool reserve(uint32_t need) {
        if (capacity >= need && capacity != 0) return true;
        return grow(need);
    }
    // Grows to need + slack when the capacity is below need.
    bool reserve_slack(uint32_t need, uint32_t slack) {
        if (capacity >= need && capacity != 0) return true;
        return grow(need + slack);
    }
    bool grow(uint32_t size);
    void release();
};

// The process-wide buffers (kelvo_buffers.cpp); inline, as every record read uses them.
namespace detail {
extern __attribute__((visibility("hidden"))) Buffer g_read, g_string, g_array, g_second_array, g_table, g_pool;
}
inline Buffer &read_buffer() { return detail::g_read; }
inline Buffer &string_buffer() { return detail::g_string; }
inline Buffer &array_buffer() { return detail::g_array; }
inline Buffer &second_array_buffer() { return detail::g_second_array; }
// The field table of the last GDR decode, and the arrays of the last STR decode.
inline Buffer &table_buffer() { return detail::g_table; }
inline Buffer &pool_buffer() { return detail::g_pool; }

struct Slot {
    FILE *stream = nullptr;
    Buffer write;
    char *stream_buffer = nullptr;  // the stream's own buffer, when the library gave it one
};

// Stream buffer of a handle opened for reading: sequential reads of a whole file
// make one system call per 64 KiB instead of per 4 KiB.
constexpr size_t kReadStreamBuffer = 64 * 1024;

// The open-file table (kelvo_open.cpp).
namespace detail {
extern __attribute__((visibility("hidden"))) Slot g_slots[kMaxHandles];
}

// The slot of an open handle, or null for a handle outside 0-31 or not open.
inline Slot *open_slot(int handle) {
    if (handle < 0 || handle >= kMaxHandles) return nullptr;
    Slot *slot = &detail::g_slots[handle];
    return slot->stream ? slot : nullptr;
}

// Reads up to `size` bytes from a stream, as fread_unlocked(buffer, 1, size, stream).
// A read that the stream's buffer holds is copied from it inline: the library is
// single-threaded, and glibc's own getc_unlocked works on the same two pointers. In
// write mode, or at the buffer's end, the stream's own read takes over.
inline size_t stream_read(FILE *stream, void *buffer, size_t size) {
#if defined(__GLIBC__)
    if (static_cast<size_t>(stream->_IO_read_end - stream->_IO_read_ptr) >= size) {
        std::memcpy(buffer, stream->_IO_read_ptr, size);
        stream->_IO_read_ptr += size;
        return size;
    }
#endif
    return fread_unlocked(buffer, 1, size, stream);
}

// Reads exactly `size` bytes; on a short read zero-fills the rest of `buffer`.
// Returns size when everything was read, else 0 (as kelvo_read).
inline uint32_t read_exact(FILE *stream, void *buffer, uint32_t size) {
    if (size == 0) return 0;
    size_t got = stream_read(stream, buffer, size);
    if (got == size) return size;
    std::memset(static_cast<uint8_t *>(buffer) + got, 0, size - got);
    return 0;
}

// Reads and drops `size` bytes (a pipe cannot seek): a record whose body no buffer can
// take is still passed, so that the caller can go on with the next header. Returns
// size, or 0 when the stream ended first.
inline uint32_t discard(FILE *stream, uint32_t size) {
    uint8_t sink[4096];
    for (uint32_t left = size; left > 0;) {
        const uint32_t n = left < sizeof sink ? left : static_cast<uint32_t>(sizeof sink);
        if (stream_read(stream, sink, n) != n) return 0;
        left -= n;
    }
    return size;
}

// ------------------------------------------------------------ conversions

inline uint16_t bswap16(uint16_t v) { return __builtin_bswap16(v); }
inline uint32_t bswap32(uint32_t v) { return __builtin_bswap32(v); }
inline uint64_t bswap64(uint64_t v) { return __builtin_bswap64(v); }

inline float float_from_bits(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}
inline double double_from_bits(uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

// The missing-value NaN of R4 fields: 0.0/0.0, bit pattern 0xFFC00000.
inline float missing_r4() { return float_from_bits(0xFFC00000u); }

// 4 file bytes (little-endian load `raw`) to a host float.
inline float convert_r4(int cpu, uint32_t raw) {
    if (cpu == 1) return float_from_bits(bswap32(raw));
    if (cpu == 0) {
        uint32_t halves = (raw >> 16) | (raw << 16);
        return static_cast<float>(static_cast<double>(float_from_bits(halves)) * 0.25);
    }
    return float_from_bits(raw);
}

// 8 file bytes (little-endian load `raw`) to a host double.
inline double convert_r8(int cpu, uint64_t raw) {
    if (raw == 0) return 0.0;
    if (cpu == 1) return double_from_bits(bswap64(raw));
    if (cpu == 0) {
        uint64_t w0 = raw & 0xFFFF, w1 = (raw >> 16) & 0xFFFF, w2 = (raw >> 32) & 0xFFFF,
                 w3 = raw >> 48;
        uint64_t v = (w0 << 48) | (w1 << 32) | (w2 << 16) | w3;
        uint64_t r = (v >> 3) & 0x0FFFFFFFFFFFFFFFull;
        r += 0x37E00000ull << 32;
        r = (r & ~(1ull << 63)) | ((w0 & 0x8000u) << 48);
        return double_from_bits(r);
    }
    return double_from_bits(raw);
}

inline int attr_cpu(const kelvo_attributes *attr) { return attr ? attr->cpu_type : -1; }
inline int attr_ver(const kelvo_attributes *attr) { return attr ? attr->kelvo_ver : 0; }

// The one test of a file's version: below 4 (version 3, or a handle whose FAR was never
// read, or no attributes at all) the version-3 decoders and copies serve.
inline bool is_v3(const kelvo_attributes *attr) { return attr_ver(attr) < 4; }
inline bool is_v3(int handle) {
    return is_v3(handle >= 0 && handle < kMaxHandles ? &Kelvo_file_attributes[handle] : nullptr);
}

// REC_LEN of a header in the byte order of `cpu`.
inline uint16_t header_length(const void *header, int cpu) {
    uint16_t len;
    std::memcpy(&len, header, 2);
    return cpu == 1 ? bswap16(len) : len;
}

}  // namespace kelvo
