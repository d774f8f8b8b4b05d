// Feeds one record image to a decoder of the library: the one its REC_TYP and
// REC_SUB name, or for other codes one picked by them, so that every decoder is
// reached. Decode, print every field, copy into the string buffer, size and encode.
#include <cstdint>
#include <cstring>
#include <vector>

#include "kinds/kinds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    // First byte: the CPU type and version of the image's file.
    kelvo_attributes attr{data[0] % 4 == 3 ? -1 : data[0] % 4, (data[0] & 0x10) ? 3 : 4};
    ++data;
    --size;
    // Version-3 decoders keep names and part states per handle: start each input with
    // those of the handle they use emptied, as a fresh file would have them.
    if (attr.kelvo_ver < 4) kelvo_close(kelvo_open("/dev/null", "r"));
    // The image is exactly REC_LEN + 4 bytes, as the read buffer would hold it: the
    // bytes given, then zeros.
    uint8_t head[2] = {size > 0 ? data[0] : uint8_t{0}, size > 1 ? data[1] : uint8_t{0}};
    uint16_t len = attr.cpu_type == 1 ? static_cast<uint16_t>(head[0] << 8 | head[1])
                                      : static_cast<uint16_t>(head[1] << 8 | head[0]);
    std::vector<uint8_t> image(uint32_t{len} + 4, 0);
    std::memcpy(image.data(), data, std::min<size_t>(size, image.size()));
    const auto &kinds = kinds::kinds();
    const uint8_t typ = image[2], sub = image[3];
    if (const kinds::RecordKind *kind = kinds::find_kind(typ, sub)) {
        kind->exercise(image.data(), &attr);
    } else if (size_t pick = (size_t{typ} << 8 | sub) % (kinds.size() + 1); pick < kinds.size()) {
        kinds[pick].exercise(image.data(), &attr);
    } else {
        kelvo_far_struct far;
        kelvo_far_to_struct(&far, image.data(), &attr);
    }
    return 0;
}
