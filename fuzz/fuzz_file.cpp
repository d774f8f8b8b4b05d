// Walks a whole file as kelvo-dump does: headers, the FAR, every record's buf_read.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "dump/walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    int fd = memfd_create("kelvo-fuzz", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (size && write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    lseek(fd, 0, SEEK_SET);
    int handle = kelvo_fidopen(fd, "rb");
    if (handle < 0) {
        close(fd);
        return 0;
    }
    kinds::Printer printer(kinds::null_output());
    dump::walk(handle, printer);
    kelvo_close(handle);
    return 0;
}
