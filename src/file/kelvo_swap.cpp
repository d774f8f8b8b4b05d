// Conversion of single numbers from the file's CPU type to the host form.
#include <utility>

#include "file/internal.h"

KELVO_SOURCE_ID("kelvo_swap")

using namespace kelvo;

extern "C" {

KELVO_API int kelvo_shortswap(int cpu, void *p) {
    if (cpu != 1) return 0;
    auto *b = static_cast<uint8_t *>(p);
    std::swap(b[0], b[1]);
    return 1;
}

KELVO_API int kelvo_intswap(int cpu, void *p) {
    if (cpu != 1) return 0;
    uint32_t v;
    std::memcpy(&v, p, 4);
    v = bswap32(v);
    std::memcpy(p, &v, 4);
    return 1;
}

KELVO_API int kelvo_int64swap(int cpu, void *p) {
    if (cpu != 1) return 0;
    uint64_t v;
    std::memcpy(&v, p, 8);
    v = bswap64(v);
    std::memcpy(p, &v, 8);
    return 1;
}

KELVO_API float kelvo_floatcopy(int cpu, const void *p) {
    uint32_t raw;
    std::memcpy(&raw, p, 4);
    return convert_r4(cpu, raw);
}

KELVO_API double kelvo_doublecopy(int cpu, const void *p) {
    uint64_t raw;
    std::memcpy(&raw, p, 8);
    return convert_r8(cpu, raw);
}

}  // extern "C"
