// The open-file table: opening files and adopting descriptors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "file/internal.h"
#include "v3/v3.h"

KELVO_SOURCE_ID("kelvo_open")

KELVO_API kelvo_attributes Kelvo_file_attributes[32] = {
    {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0},
    {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0},
    {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0},
    {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}};

namespace kelvo {

namespace detail {
Slot g_slots[kMaxHandles];
}

using detail::g_slots;

namespace {

int lowest_free_slot() {
    for (int i = 0; i < kMaxHandles; ++i)
        if (!g_slots[i].stream) return i;
    return -1;
}

int take_slot(int index, FILE *stream) {
    Kelvo_file_attributes[index] = {-1, 0};
    g_slots[index].stream = stream;
    g_slots[index].write = Buffer{};
    g_slots[index].stream_buffer = nullptr;
    v3::reset_handle(index);
    return index;
}
}  // namespace

}  // namespace kelvo

using namespace kelvo;

extern "C" {

KELVO_API int kelvo_open(const char *path, const char *mode) {
    if (!path || !mode) return -1;
    // A full table is refused before the file is touched, so nothing is created in vain.
    int index = lowest_free_slot();
    if (index < 0) return -1;
    // The stream's mode is the caller's with 'b' added; no stream mode is longer.
    char stream_mode[8] = {};
    const size_t n = strnlen(mode, sizeof stream_mode - 1);
    if (mode[n] != '\0' || n == sizeof stream_mode - 1) return -1;
    std::memcpy(stream_mode, mode, n);
    if (!std::strchr(mode, 'b')) stream_mode[n] = 'b';

    int flags;
    if (std::strcmp(mode, "r") == 0) flags = O_RDONLY;
    else flags = O_RDWR | O_CREAT | (mode[0] == 'w' ? O_TRUNC : 0);
    int fd = ::open(path, flags | O_CLOEXEC, 0666);
    if (fd < 0) return -1;

    FILE *stream = ::fdopen(fd, stream_mode);
    if (!stream) {
        ::close(fd);
        return -1;
    }
    // A file opened for reading gets a larger stream buffer (if there is memory for it).
    char *buffer = nullptr;
    if (flags == O_RDONLY) {
        buffer = static_cast<char *>(std::malloc(kReadStreamBuffer));
        if (buffer && std::setvbuf(stream, buffer, _IOFBF, kReadStreamBuffer) != 0) {
            std::free(buffer);
            buffer = nullptr;
        }
    }
    take_slot(index, stream);
    g_slots[index].stream_buffer = buffer;
    return index;
}

KELVO_API int kelvo_sopen(const char *path, const char *mode) { return kelvo_open(path, mode); }

KELVO_API int kelvo_fidopen(int fd, const char *mode) {
    if (!mode) return -1;
    int index = lowest_free_slot();
    if (index < 0) return -1;
    FILE *stream = ::fdopen(fd, mode);
    if (!stream) return -1;
    return take_slot(index, stream);
}

KELVO_API void kelvo_close(int handle) {
    Slot *slot = open_slot(handle);
    if (!slot) return;
    slot->write.release();
    std::fclose(slot->stream);
    std::free(slot->stream_buffer);
    slot->stream_buffer = nullptr;
    slot->stream = nullptr;
}

KELVO_API int kelvo_flush(int handle) {
    Slot *slot = open_slot(handle);
    return slot ? std::fflush(slot->stream) : EOF;
}

KELVO_API void kelvo_clean(void) {
    for (int i = 0; i < kMaxHandles && g_slots[i].stream; ++i) kelvo_close(i);
}

KELVO_API void kelvo_sig_exit(void) {
    kelvo_clean();
    std::exit(-1);
}

}  // extern "C"
